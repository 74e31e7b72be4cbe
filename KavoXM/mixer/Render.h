#pragma once
#include <cstdint>

class TKavoXM;

// Mixes every active voice for at most count frames at block offset pos; returns the frames
// rendered and lowers the player's SamplesLeftInTick by them.
int32_t Render(TKavoXM& player, int32_t pos, int32_t count);
// Render into frames that hold nothing yet: they are set rather than added to, and settled
// click-removal offsets go in with that setting instead of a pass of their own. The same
// values as clearing the frames and calling Render.
int32_t RenderFresh(TKavoXM& player, int32_t pos, int32_t count);
// Adds the decaying click-removal offsets to frames pos .. pos + n - 1.
void ApplyClickRemoval(TKavoXM& player, int32_t pos, int32_t n);
