#include "KavoXM/module/Instrument.h"

TKavoXMInstrument::TKavoXMInstrument()
    : VolumeEnvelope(std::make_unique<TKavoXMEnvelope>()),
      PanningEnvelope(std::make_unique<TKavoXMEnvelope>()) {
    Clear();
}

TKavoXMInstrument::~TKavoXMInstrument() {
    Clear();
}

void TKavoXMInstrument::Clear() {
    for (auto& sample : Samples) sample.reset();
    SampleMap.fill(0);
    VolumeEnvelope->Clear();
    PanningEnvelope->Clear();
    FadeOut = 0;
    VibratoType = 0;
    VibratoSweep = 0;
    VibratoDepth = 0;
    VibratoRate = 0;
}
