#include "KavoXM/module/Instrument.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/Waveforms.h"

#include <cstddef>

// Key-off: both envelopes leave their sustain. Without a volume envelope the note falls silent
// at once: its volume drops to 0 and KeyOffMuted holds it silent until a note, an instrument
// number or a volume-column volume. So a volume column brings it back, a note with Cxx does
// too, and Cxx or a slide alone does not.
void TKavoXMChannel::ReleaseKey() {
    VolumeEnvelopeHandler.KeyOn = false;
    PanningEnvelopeHandler.KeyOn = false;
    KeyOff = true;
    const TKavoXMEnvelope* volume = VolumeEnvelopeHandler.Envelope;
    if (volume == nullptr || !volume->Enabled) {
        Volume = 0;
        KeyOffMuted = true;
    }
}

// Steps both envelopes one tick and, once the key is released, fades the volume out.
void TKavoXMChannel::UpdateEnvelopes() {
    EnvelopeVolume = 64;
    EnvelopePanning = 32;
    if (const TKavoXMEnvelope* volume = VolumeEnvelopeHandler.Envelope) {
        if (volume->Enabled) EnvelopeVolume = VolumeEnvelopeHandler.Process();
        if (Instrument != nullptr && !VolumeEnvelopeHandler.KeyOn) {
            FadeOutVolume -= Instrument->FadeOut * 2;
            if (FadeOutVolume < 0) FadeOutVolume = 0;
        }
    }
    const TKavoXMEnvelope* panning = PanningEnvelopeHandler.Envelope;
    if (panning != nullptr && panning->Enabled) EnvelopePanning = PanningEnvelopeHandler.Process();
}

namespace {

// Auto-vibrato waveform value at position p (0..255), -64..64.
int32_t AutoVibratoWave(int32_t type, int32_t p) {
    switch (type) {
    case 0:
        return AutoVibratoSine[size_t(p)];
    case 1:
        return p < 128 ? 64 : -64;
    case 2:
        return (128 - ((p + 128) & 255)) / 2;
    case 3:
        return (128 - ((256 - p + 128) & 255)) / 2;
    default:
        return 0;
    }
}

} // namespace

// Adds the instrument's automatic vibrato to this tick's period offset. It fades in over
// VibratoSweep ticks from the instrument number; the fade-in stops growing at key-off.
void TKavoXMChannel::DoAutoVibrato() {
    if (Instrument == nullptr) return;
    const TKavoXMInstrument& ins = *Instrument;
    int32_t w = AutoVibratoWave(ins.VibratoType, AutoVibratoPosition & 255) * ins.VibratoDepth;
    if (ins.VibratoSweep != 0) {
        w = (w * AutoVibratoSweepPosition) / ins.VibratoSweep;
        if (!KeyOff) ++AutoVibratoSweepPosition;
        if (AutoVibratoSweepPosition > ins.VibratoSweep)
            AutoVibratoSweepPosition = ins.VibratoSweep;
    }
    PeriodDelta += w / 64;
    AutoVibratoPosition = (AutoVibratoPosition + ins.VibratoRate) & 255;
}
