#include "KavoXM/mixer/Render.h"

#include "KavoXM/player/Player.h"

// Placeholder until the mixer lands: counts frames, mixes nothing.
int32_t Render(TKavoXM& player, int32_t pos, int32_t count) {
    int32_t n = count;
    if (pos + count > player.BufferFrames) n = pos > player.BufferFrames ? 0 : player.BufferFrames - pos;
    if (n <= 0) return 0;
    player.SamplesLeftInTick -= n;
    return n;
}

void ApplyClickRemoval(TKavoXM& /*player*/, int32_t /*pos*/, int32_t /*n*/) {}
