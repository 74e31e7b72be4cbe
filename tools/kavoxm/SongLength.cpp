#include "SongLength.h"

#include "KavoXM/player/Player.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

uint64_t CapFrames(double seconds, int32_t rate) {
    if (!(seconds > 0)) return 0;
    const double frames = std::round(seconds * rate);
    return frames >= 1.8e19 ? UINT64_MAX : uint64_t(frames);
}

uint64_t TickWork(const TKavoXMModule& m) {
    return uint64_t(std::clamp(m.ChannelCount, 0, TKavoXMModule::BankSize)) +
           uint64_t(m.BackgroundInUse) + SongScanTickWork;
}

// Whether the wall time of a scan has run out; looks at the clock every 256 ticks.
class ScanClock {
  public:
    explicit ScanClock(double limitSeconds)
        : limited_(limitSeconds > 0),
          deadline_(std::chrono::steady_clock::now() +
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(limited_ ? limitSeconds : 0))) {}

    bool Expired() {
        if (!limited_ || (++ticks_ & 255) != 0) return false;
        return std::chrono::steady_clock::now() >= deadline_;
    }

  private:
    bool limited_;
    std::chrono::steady_clock::time_point deadline_;
    uint32_t ticks_ = 0;
};

} // namespace

SongScan ScanSongLength(TKavoXM& player, uint32_t passes, const SongScanLimits& limits,
                        ReachedOrders* reached) {
    TKavoXMModule& module = *player.Module;
    SongScan scan;
    if (!module.Loaded) return scan;
    const uint64_t cap = CapFrames(limits.CapSeconds, player.SampleRate);
    const uint32_t endCount = module.SongEndCount + std::max(passes, 1u);
    ScanClock clock(limits.TimeLimitSeconds);
    for (;;) {
        if (scan.Work >= limits.Budget || clock.Expired()) {
            scan.End = SongScanEnd::Unknown;
            return scan;
        }
        scan.Work += TickWork(module);
        player.Tick();
        if (module.SongEndCount >= endCount) {
            scan.End = SongScanEnd::Ends;
            return scan;
        }
        if (reached != nullptr && module.TickCounter == 0 && module.PlayingOrder >= 0)
            (*reached)[size_t(module.PlayingOrder)] = true;
        scan.Frames += uint64_t(player.SamplesPerTick);
        if (scan.Frames > cap) {
            scan.End = SongScanEnd::BeyondCap;
            scan.Frames = cap;
            return scan;
        }
    }
}

SongScan ScanSongLength(const std::vector<uint8_t>& image, int32_t rate, uint32_t passes,
                        int32_t startOrder, const SongScanLimits& limits) {
    TKavoXM player(rate, 2048, 4, true, 10, 16, 0, TKavoXMOutput::None);
    if (!player.Module->LoadFromMemory(image.data(), int32_t(image.size()), nullptr,
                                       TKavoXMLoadParts::WithoutSampleData))
        return {};
    if (!player.StartOffline()) return {};
    if (startOrder != 0 && !player.SetPosition(startOrder, 0)) return {};
    return ScanSongLength(player, passes, limits);
}

uint64_t SongLengthFrames(const std::vector<uint8_t>& image, int32_t rate, uint32_t passes,
                          double limitSeconds) {
    SongScanLimits limits;
    limits.CapSeconds = limitSeconds;
    const SongScan scan = ScanSongLength(image, rate, passes, 0, limits);
    return scan.End == SongScanEnd::Ends || scan.End == SongScanEnd::BeyondCap ? scan.Frames : 0;
}
