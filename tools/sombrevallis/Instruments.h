#pragma once
#include "Score.h"

namespace sombrevallis {

// Instrument numbers in the patterns (1-based, in the order MakeInstruments returns them).
enum InstrumentNumber : uint8_t {
    Bass = 1,
    Pad,
    Lead,
    KickDrum,
    SnareDrum,
    HatDrum,
    Bell,
    Strings,
    Drone
};

std::vector<InstrumentDef> MakeInstruments();

} // namespace sombrevallis
