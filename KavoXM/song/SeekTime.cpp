#include "KavoXM/song/SeekTime.h"

#include "KavoXM/mixer/VoiceMixer.h"
#include "KavoXM/player/Player.h"
#include "KavoXM/sequencer/Channel.h"

#include <algorithm>

namespace {

// The click-removal offsets after n frames of decay, as the render applies it.
int32_t Decayed(int32_t offset, int32_t n) {
    const bool negative = offset < 0;
    uint32_t magnitude = negative ? 0u - uint32_t(offset) : uint32_t(offset);
    for (int32_t f = 0; f < n && magnitude >= 256; ++f) magnitude -= magnitude >> 8;
    return int32_t(negative ? 0u - magnitude : magnitude);
}

// One segment of n frames: every sounding voice moved on, then the click-removal offsets
// decayed, as Render does with a segment.
void AdvanceSegment(TKavoXM& player, const TKavoXMMixTarget& target, int32_t n) {
    TKavoXMModule& module = *player.Module;
    const int32_t channels = std::clamp(module.ChannelCount, 0, TKavoXMModule::BankSize);
    for (int32_t i = 0; i < channels; ++i)
        if (module.PatternChannels[size_t(i)]->Active)
            AdvanceChannel(target, *module.PatternChannels[size_t(i)], n);
    for (int32_t i = 0; i < module.BackgroundInUse; ++i)
        if (module.BackgroundChannels[size_t(i)]->Active)
            AdvanceChannel(target, *module.BackgroundChannels[size_t(i)], n);
    module.ClickRemovalLeft = Decayed(module.ClickRemovalLeft, n);
    if (player.Channels != 1) module.ClickRemovalRight = Decayed(module.ClickRemovalRight, n);
}

// Work of a tick just run and of advancing its voices.
uint64_t SeekTickWork(const TKavoXMModule& m) {
    uint64_t voices = 0;
    for (int32_t i = 0; i < m.BackgroundInUse; ++i)
        voices += m.BackgroundChannels[size_t(i)]->Active ? 1 : 0;
    return SeekWorkFactor * (SongTickWork(m) + voices * SongScanVoiceWork);
}

} // namespace

SeekResult SeekToFrame(TKavoXM& player, uint64_t target, int32_t blockFrames, uint32_t endCount,
                       uint64_t from, uint64_t budget, const SeekVisit* visit) {
    SeekResult result;
    TKavoXMModule& module = *player.Module;
    int32_t scratch[2] = {0, 0};
    TKavoXMMixTarget mix = MixTargetOf(player);
    mix.MixPos = scratch;
    const auto block = uint64_t(std::max(blockFrames, 1));
    uint64_t frame = from;
    player.SamplesLeftInTick = 0;
    for (;;) {
        if (result.Work >= budget || ScanStopRequested() ||
            (visit != nullptr && !(*visit)(frame))) {
            result.Cut = true;
            break;
        }
        player.Tick();
        result.Work += SeekTickWork(module);
        if (module.SongEndCount >= endCount) {
            result.Ended = true;
            break;
        }
        const auto length = uint64_t(player.SamplesPerTick);
        if (frame + length > target) break;
        // The tick's frames in the segments the render cuts them into: at block boundaries.
        for (uint64_t at = frame; at < frame + length;) {
            const uint64_t end = std::min(frame + length, (at / block + 1) * block);
            AdvanceSegment(player, mix, int32_t(end - at));
            at = end;
        }
        frame += length;
    }
    result.Frame = frame;
    result.Phase = int32_t(frame % block);
    return result;
}
