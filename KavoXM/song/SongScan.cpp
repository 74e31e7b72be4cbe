#include "KavoXM/song/SongScan.h"

#include "KavoXM/player/Player.h"
#include "KavoXM/sequencer/Channel.h"

#include <algorithm>
#include <cmath>

namespace {

uint64_t CapFrames(double seconds, int32_t rate) {
    if (!(seconds > 0)) return 0;
    const double frames = std::round(seconds * rate);
    return frames >= 1.8e19 ? UINT64_MAX : uint64_t(frames);
}

std::atomic<const std::atomic<int>*> StopFlag{nullptr};

} // namespace

void SetScanStopFlag(const std::atomic<int>* flag) {
    StopFlag.store(flag);
}

bool ScanStopRequested() {
    const std::atomic<int>* flag = StopFlag.load(std::memory_order_relaxed);
    return flag != nullptr && flag->load(std::memory_order_relaxed) != 0;
}

uint64_t SongTickWork(const TKavoXMModule& m) {
    const int32_t channels = std::clamp(m.ChannelCount, 0, TKavoXMModule::BankSize);
    uint64_t voices = 0;
    for (int32_t i = 0; i < channels; ++i) voices += m.PatternChannels[size_t(i)]->Active ? 1 : 0;
    const uint64_t rows = m.TickCounter == 0 ? uint64_t(channels) * SongScanRowWork : 0;
    return SongScanTickWork + uint64_t(channels) + uint64_t(m.BackgroundInUse) + rows +
           voices * SongScanVoiceWork;
}

namespace {

// Scan mode for the lifetime of the guard.
class ScanMode {
  public:
    explicit ScanMode(TKavoXMModule& module) : module_(module), was_(module.ScanOnly) {
        module_.ScanOnly = true;
    }
    ~ScanMode() { module_.ScanOnly = was_; }
    ScanMode(const ScanMode&) = delete;
    ScanMode& operator=(const ScanMode&) = delete;

  private:
    TKavoXMModule& module_;
    bool was_;
};

void Record(const TKavoXMModule& module, uint64_t frames, ReachedOrders* reached,
            OrderFrames* starts, int64_t firstFrame) {
    if (module.TickCounter != 0 || module.PlayingOrder < 0) return;
    const auto order = size_t(module.PlayingOrder);
    if (reached != nullptr) (*reached)[order] = true;
    if (starts != nullptr && (*starts)[order] < 0) (*starts)[order] = firstFrame + int64_t(frames);
}

} // namespace

SongScan ScanSongLength(TKavoXM& player, uint32_t passes, const SongScanLimits& limits,
                        ReachedOrders* reached, OrderFrames* starts, int64_t firstFrame) {
    TKavoXMModule& module = *player.Module;
    SongScan scan;
    if (!module.Loaded) return scan;
    const ScanMode mode(module);
    const uint64_t cap = CapFrames(limits.CapSeconds, player.SampleRate);
    const uint32_t endCount = module.SongEndCount + std::max(passes, 1u);
    for (;;) {
        if (scan.Work >= limits.Budget || ScanStopRequested()) {
            scan.End = SongScanEnd::Unknown;
            return scan;
        }
        player.Tick();
        scan.Work += SongTickWork(module);
        if (module.SongEndCount >= endCount) {
            scan.End = SongScanEnd::Ends;
            return scan;
        }
        Record(module, scan.Frames, reached, starts, firstFrame);
        scan.Frames += uint64_t(player.SamplesPerTick);
        if (scan.Frames > cap) {
            scan.End = SongScanEnd::BeyondCap;
            scan.Frames = cap;
            return scan;
        }
    }
}

SongScan ScanSongLength(const std::vector<uint8_t>& image, int32_t rate, uint32_t passes,
                        int32_t startOrder, const SongScanLimits& limits, uint32_t tempoFactor) {
    TKavoXM player(rate, 2048, 4, true, 10, 16, 0, TKavoXMOutput::None);
    if (!player.Module->LoadFromMemory(image.data(), int32_t(image.size()), nullptr,
                                       TKavoXMLoadParts::WithoutSampleData))
        return {};
    player.TempoFactor = tempoFactor;
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
