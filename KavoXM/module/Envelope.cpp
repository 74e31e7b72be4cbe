#include "KavoXM/module/Envelope.h"

void TKavoXMEnvelope::Clear() {
    Points.fill(TKavoXMEnvelopePoint{});
    Enabled = false;
    LoopEnabled = false;
    SustainEnabled = false;
    NumPoints = 0;
    LoopStart = 0;
    LoopEnd = 0;
    SustainPoint = 0;
}
