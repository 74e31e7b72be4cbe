#pragma once
#include "KavoXM/module/Envelope.h"
#include <cstdint>

// Plays one instrument envelope, tick by tick, in 16.16 fixed point.
class TKavoXMEnvelopeHandler {
  public:
    const TKavoXMEnvelope* Envelope = nullptr; // not owned
    bool KeyOn = false;
    int32_t Position = 0;     // ticks
    int32_t CurrentPoint = 0; // point starting the current segment
    int32_t NextPoint = 0;    // CurrentPoint + 1
    int32_t Value = 0;        // 16.16
    int32_t Delta = 0;        // 16.16 per tick

    void SetPosition(int32_t position);
    int32_t Process(); // value for this tick (0..64 for XM data), then advance
    void Assign(const TKavoXMEnvelopeHandler& source);
    bool operator==(const TKavoXMEnvelopeHandler&) const = default;

  private:
    void SetupSegment(int32_t point);
};
