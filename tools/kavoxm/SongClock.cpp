#include "SongClock.h"

#include "Options.h"

#include "KavoXM/player/Player.h"

#include <chrono>

SongTimes ScanSongTimes(const std::vector<uint8_t>& image, int32_t rate, uint32_t passes,
                        double budgetSeconds, int32_t startOrder) {
    SongTimes times;
    TKavoXM player(rate, 2048, 1, true, 10, 16, 0, TKavoXMOutput::None);
    TKavoXMModule& module = *player.Module;
    if (!module.LoadFromMemory(image.data(), int32_t(image.size()), nullptr,
                               TKavoXMLoadParts::WithoutSampleData) ||
        !player.StartOffline() || !player.SetPosition(startOrder, 0))
        return times;
    const auto limit = uint64_t(MaxRenderSeconds * rate);
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(budgetSeconds));
    times.Unknown = false;
    for (uint64_t ticks = 0; times.Frames < limit; ++ticks) {
        player.Tick();
        if (module.SongEndCount >= 1 && !times.PassEnds) {
            times.PassEnds = true;
            times.PassFrames = times.Frames;
        }
        if (module.SongEndCount >= passes) {
            times.Ends = true;
            break;
        }
        const int32_t order = module.PlayingOrder;
        if (order >= 0 && order < 256 && !times.PassEnds && times.OrderStart[size_t(order)] < 0)
            times.OrderStart[size_t(order)] = int64_t(times.Frames);
        times.Frames += uint64_t(player.SamplesPerTick);
        if (ticks % 1024 == 1023 && std::chrono::steady_clock::now() > deadline) break;
    }
    if (!times.PassEnds) times.PassFrames = times.Frames;
    return times;
}
