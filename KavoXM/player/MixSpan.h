#pragma once
// Mixing a stretch of the player's block that may stop where the song ends.
#include <cstdint>

class TKavoXM;

// Mixes frames `from` .. BufferFrames - 1 of the player's mixing buffer tick by tick, the
// same segments and values as MixBlock gives those frames. Stops before the first frame of
// the tick that completes pass `endCount` of the song (SongEndCount reaching it; that tick has
// been read and is mixed by the next call), setting `ended`. Returns the frame it stopped at.
int32_t MixSpan(TKavoXM& player, int32_t from, uint32_t endCount, bool& ended);
