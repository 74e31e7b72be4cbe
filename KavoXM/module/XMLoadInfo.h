#pragma once
#include <cstdint>

// Facts of the last XM image loaded that the module itself does not keep: the format version,
// the declared pattern and instrument counts, the number of sample headers read and the
// instruments the image ended before. Filled by TKavoXMModule::LoadFromMemory(data, size,
// info). When the load fails, every number is 0 and RefusalReason says why.
struct TKavoXMLoadInfo {
    static constexpr int32_t ReasonSize = 96;

    uint16_t Version = 0;           // e.g. 0x0104
    int32_t PatternCount = 0;       // as declared in the header, 0..256
    int32_t InstrumentCount = 0;    // as declared in the header, 0..255
    int32_t SampleHeaderCount = 0;  // sample headers read over all instruments
    int32_t MissingInstruments = 0; // declared instruments whose header the image did not hold
    // Why the image was refused, in plain words ("file ends inside pattern 3 of 12");
    // empty after a successful load.
    char RefusalReason[ReasonSize] = {};
};
