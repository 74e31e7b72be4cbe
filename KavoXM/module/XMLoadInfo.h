#pragma once
#include <cstdint>

// Header facts of the last XM image loaded that the module itself does not keep: the format
// version, the declared pattern and instrument counts and the number of sample headers read.
// Filled by TKavoXMModule::LoadFromMemory(data, size, info); all zero when the load fails.
struct TKavoXMLoadInfo {
    uint16_t Version = 0;          // e.g. 0x0104
    int32_t PatternCount = 0;      // as declared in the header, 0..256
    int32_t InstrumentCount = 0;   // as declared in the header, 0..255
    int32_t SampleHeaderCount = 0; // sample headers read over all instruments
};
