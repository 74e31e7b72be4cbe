#pragma once
#include "KavoXM/module/Envelope.h"
#include "KavoXM/module/Sample.h"
#include <array>
#include <cstdint>
#include <memory>
#include <string>

class TKavoXMInstrument {
public:
    static constexpr int32_t MaxSamples = 256;

    std::string Name;
    std::array<std::unique_ptr<TKavoXMSample>, MaxSamples> Samples; // owned, null = empty slot
    std::array<uint8_t, 97> SampleMap{}; // indexed by note 1..96 (entry 0 unused)
    std::unique_ptr<TKavoXMEnvelope> VolumeEnvelope;
    std::unique_ptr<TKavoXMEnvelope> PanningEnvelope;
    int32_t FadeOut = 0; // 0..65535
    int32_t VibratoType = 0;
    int32_t VibratoSweep = 0;
    int32_t VibratoDepth = 0;
    int32_t VibratoRate = 0;

    TKavoXMInstrument();
    ~TKavoXMInstrument();
    void Clear(); // frees samples, resets map, envelopes, fade-out and vibrato; Name stays
};
