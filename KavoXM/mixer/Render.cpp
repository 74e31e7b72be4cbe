// Block render: every sounding voice of the three banks mixed over one segment of the block,
// then the decaying click-removal offsets of voices that stopped abruptly.
#include "KavoXM/mixer/Render.h"

#include "KavoXM/mixer/VoiceMixer.h"
#include "KavoXM/player/Player.h"
#include "KavoXM/sequencer/Channel.h"
#include <algorithm>

namespace {
// Adds an offset that loses 1/256 of itself (truncated toward zero) before every value.
int32_t AddDecaying(int32_t* out, int32_t n, ptrdiff_t stride, int32_t offset) {
    for (int32_t f = 0; f < n; ++f) {
        offset -= offset / 256;
        out[ptrdiff_t(f) * stride] =
            int32_t(uint32_t(out[ptrdiff_t(f) * stride]) + uint32_t(offset));
    }
    return offset;
}
} // namespace

int32_t Render(TKavoXM& player, int32_t pos, int32_t count) {
    if (pos < 0 || count <= 0) return 0;
    const int32_t n = int32_t(std::min<int64_t>(count, std::max(player.BufferFrames - pos, 0)));
    if (n == 0) return 0;
    player.SamplesLeftInTick -= n;
    TKavoXMModule& module = *player.Module;
    const TKavoXMMixTarget target = MixTargetOf(player);
    const int32_t patternChannels = std::clamp(module.ChannelCount, 0, TKavoXMModule::BankSize);
    for (int32_t i = 0; i < patternChannels; ++i)
        MixChannel(target, *module.PatternChannels[size_t(i)], pos, n);
    for (auto& voice : module.ReserveChannels) MixChannel(target, *voice, pos, n);
    for (auto& voice : module.BackgroundChannels)
        if (voice->Active) MixChannel(target, *voice, pos, n);
    ApplyClickRemoval(player, pos, n);
    return n;
}

void ApplyClickRemoval(TKavoXM& player, int32_t pos, int32_t n) {
    TKavoXMModule& module = *player.Module;
    if (n <= 0) return;
    if (player.Channels == 1) {
        if (module.ClickRemovalLeft == 0) return;
        module.ClickRemovalLeft = AddDecaying(player.MixPos + pos, n, 1, module.ClickRemovalLeft);
        return;
    }
    if (module.ClickRemovalLeft == 0 && module.ClickRemovalRight == 0) return;
    int32_t* frames = player.MixPos + ptrdiff_t(pos) * 2;
    module.ClickRemovalLeft = AddDecaying(frames, n, 2, module.ClickRemovalLeft);
    module.ClickRemovalRight = AddDecaying(frames + 1, n, 2, module.ClickRemovalRight);
}
