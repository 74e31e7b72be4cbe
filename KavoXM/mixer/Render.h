#pragma once
#include <cstdint>

class TKavoXM;

// Mixes every active voice for at most count frames at block offset pos; returns the frames
// rendered and lowers the player's SamplesLeftInTick by them.
int32_t Render(TKavoXM& player, int32_t pos, int32_t count);
// Adds the decaying click-removal offsets to frames pos .. pos + n - 1.
void ApplyClickRemoval(TKavoXM& player, int32_t pos, int32_t n);
