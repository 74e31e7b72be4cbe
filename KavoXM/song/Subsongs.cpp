#include "KavoXM/song/Subsongs.h"

#include "KavoXM/player/Player.h"

#include <algorithm>

namespace {

// The lowest order entry that is neither reached nor unplayable, or -1.
int32_t NextStart(const TKavoXMModule& module, const ReachedOrders& reached) {
    const int32_t length = std::clamp(module.SongLength, 0, TKavoXMModule::MaxOrders);
    for (int32_t order = 0; order < length; ++order) {
        if (reached[size_t(order)]) continue;
        if (module.Patterns[module.Orders[size_t(order)]]->RowCount > 0) return order;
    }
    return -1;
}

} // namespace

SongMap MapSong(TKavoXM& player, const SongScanLimits& limits) {
    SongMap map;
    if (!player.Module->Loaded) return map;
    ReachedOrders reached{};
    int32_t start = 0;
    do {
        if (map.Work >= limits.Total || ScanStopRequested()) {
            map.Cut = true;
            break;
        }
        if (start == 0 ? !player.StartOffline() : !player.SetPosition(start, 0)) break;
        OrderFrames starts;
        starts.fill(-1);
        SongScanLimits scanLimits = limits;
        scanLimits.Budget = std::min(limits.Budget, limits.Total - map.Work);
        const SongScan scan = ScanSongLength(player, 1, scanLimits, &reached, &starts);
        map.Work += scan.Work;
        if (scan.End == SongScanEnd::Unknown && map.Work >= limits.Total) map.Cut = true;
        const auto index = int32_t(map.Subsongs.size());
        for (size_t order = 0; order < starts.size(); ++order) {
            if (starts[order] < 0 || map.OrderSubsong[order] >= 0) continue;
            map.OrderSubsong[order] = index;
            map.OrderStart[order] = starts[order];
        }
        map.Subsongs.push_back({start, scan.End, scan.Frames});
        reached[size_t(start)] = true; // even a start whose rows were all skipped is done
        start = map.Cut ? -1 : NextStart(*player.Module, reached);
    } while (start > 0);
    return map;
}

SongMap MapSong(const std::vector<uint8_t>& image, int32_t rate, const SongScanLimits& limits) {
    TKavoXM player(rate, 2048, 4, true, 10, 16, 0, TKavoXMOutput::None);
    if (!player.Module->LoadFromMemory(image.data(), int32_t(image.size()), nullptr,
                                       TKavoXMLoadParts::WithoutSampleData))
        return {};
    return MapSong(player, limits);
}

std::vector<Subsong> FindSubsongs(const std::vector<uint8_t>& image, int32_t rate,
                                  const SongScanLimits& limits) {
    return MapSong(image, rate, limits).Subsongs;
}
