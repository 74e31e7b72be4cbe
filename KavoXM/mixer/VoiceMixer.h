#pragma once
#include "KavoXM/mixer/Kernels.h"
#include <cstdint>

class TKavoXM;
class TKavoXMChannel;

// Mixes one voice into output frames start .. start + count - 1 of the current block.
void MixChannel(TKavoXM& player, TKavoXMChannel& voice, int32_t start, int32_t count);
// Settles the position at loop boundaries; 0 when the voice has ended, else the frames the
// next run may mix (1..limit).
int64_t PrepareRun(TKavoXM& player, TKavoXMChannel& voice, int64_t limit);
