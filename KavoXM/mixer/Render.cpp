// Block render: every sounding voice of the three banks mixed over one segment of the block,
// then the decaying click-removal offsets of voices that stopped abruptly.
#include "KavoXM/mixer/Render.h"

#include "KavoXM/mixer/VoiceMixer.h"
#include "KavoXM/player/Player.h"
#include "KavoXM/sequencer/Channel.h"
#include <algorithm>

namespace {
// Adds offsets (one per output channel) that lose 1/256 of themselves, truncated toward zero,
// before every frame. Below 256 in magnitude an offset no longer changes, so once all are that
// small the rest of the run is a plain addition.
template <int Width> void AddDecaying(int32_t* out, int32_t n, int32_t (&offsets)[Width]) {
    const auto decaying = [&] {
        for (int32_t o : offsets)
            if (o >= 256 || o <= -256) return true;
        return false;
    };
    int32_t f = 0;
    for (; f < n && decaying(); ++f)
        for (int32_t c = 0; c < Width; ++c) {
            offsets[c] -= offsets[c] / 256;
            out[f * Width + c] = int32_t(uint32_t(out[f * Width + c]) + uint32_t(offsets[c]));
        }
    for (; f < n; ++f)
        for (int32_t c = 0; c < Width; ++c)
            out[f * Width + c] = int32_t(uint32_t(out[f * Width + c]) + uint32_t(offsets[c]));
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
        if (module.PatternChannels[size_t(i)]->Active)
            MixChannel(target, *module.PatternChannels[size_t(i)], pos, n);
    // MixChannel does nothing to a voice that is not active, so the test here only saves the
    // calls. Reserve channels never sound, and only the leading background channels that have
    // taken over a voice can (see TKavoXMModule::BackgroundInUse).
    for (int32_t i = 0; i < module.BackgroundInUse; ++i)
        if (module.BackgroundChannels[size_t(i)]->Active)
            MixChannel(target, *module.BackgroundChannels[size_t(i)], pos, n);
    ApplyClickRemoval(player, pos, n);
    return n;
}

void ApplyClickRemoval(TKavoXM& player, int32_t pos, int32_t n) {
    TKavoXMModule& module = *player.Module;
    if (n <= 0) return;
    if (player.Channels == 1) {
        if (module.ClickRemovalLeft == 0) return;
        int32_t offsets[1] = {module.ClickRemovalLeft};
        AddDecaying(player.MixPos + pos, n, offsets);
        module.ClickRemovalLeft = offsets[0];
        return;
    }
    if (module.ClickRemovalLeft == 0 && module.ClickRemovalRight == 0) return;
    int32_t offsets[2] = {module.ClickRemovalLeft, module.ClickRemovalRight};
    AddDecaying(player.MixPos + ptrdiff_t(pos) * 2, n, offsets);
    module.ClickRemovalLeft = offsets[0];
    module.ClickRemovalRight = offsets[1];
}
