#pragma once
// Reading an effect parameter byte xx as a whole or as its nibbles x (high) and y (low), and the
// tick count that retriggers, note cuts and arpeggios go by.
#include "KavoXM/module/Module.h"
#include "KavoXM/module/PatternNote.h"
#include "KavoXM/sequencer/Channel.h"

#include <algorithm>
#include <cstdint>

namespace effects {

inline int32_t Parameter(const TKavoXMPatternNote& note) {
    return note.EffectParameter & 255;
}
inline int32_t HighNibble(const TKavoXMPatternNote& note) {
    return (note.EffectParameter >> 4) & 15;
}
inline int32_t LowNibble(const TKavoXMPatternNote& note) {
    return note.EffectParameter & 15;
}

// Slides and retriggers also act on voices that do not sound, whose values the output stage
// never brings back into range. Their results are held within +-2^30, far outside anything
// that sounds, so that no length of play can take them past 32 bits.
constexpr int32_t AccumulatedLimit = 1 << 30;
inline int32_t Accumulated(int64_t value) {
    return int32_t(std::clamp<int64_t>(value, -AccumulatedLimit, AccumulatedLimit));
}

// The module's tick counter, which keeps running through a pattern delay. A channel without a
// module counts with its own tick.
inline int32_t ModuleTicks(const TKavoXMChannel& channel) {
    return channel.Module != nullptr ? channel.Module->TickCounter : channel.CurrentTick;
}

} // namespace effects
