#pragma once
#include <array>
#include <cstdint>

struct TKavoXMEnvelopePoint {
    int32_t Position = 0; // ticks from the envelope start
    int32_t Value = 0;    // 0..64 in XM
};

class TKavoXMEnvelope {
public:
    static constexpr int32_t MaxPoints = 13;

    bool Enabled = false;
    bool LoopEnabled = false;
    bool SustainEnabled = false;
    std::array<TKavoXMEnvelopePoint, MaxPoints> Points{};
    int32_t NumPoints = 0;
    int32_t LoopStart = 0;    // point index
    int32_t LoopEnd = 0;      // point index
    int32_t SustainPoint = 0; // point index

    TKavoXMEnvelope() { Clear(); }
    void Clear();
};
