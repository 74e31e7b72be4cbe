// The row tick of a channel: note delay, note and instrument handling, key-off, and the
// hand-over of a cut voice to a background channel.
#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/ClickRemoval.h"
#include "KavoXM/sequencer/GameState.h"

#include <cstddef>
#include <limits>

namespace {

// The voice starts from silence: its gains ramp up from 0 on the next output update.
void SilenceRamp(TKavoXMChannel& c) {
    c.TargetVolumeLeft = c.TargetVolumeRight = 0;
    c.RampVolumeLeft = c.RampVolumeRight = 0;
}

void AttachInstrument(TKavoXMChannel& c, const TKavoXMInstrument* instrument) {
    c.Instrument = instrument;
    if (instrument == nullptr) return;
    c.VolumeEnvelopeHandler.Envelope = instrument->VolumeEnvelope.get();
    c.PanningEnvelopeHandler.Envelope = instrument->PanningEnvelope.get();
    for (TKavoXMEnvelopeHandler* handler : {&c.VolumeEnvelopeHandler, &c.PanningEnvelopeHandler}) {
        handler->SetPosition(0);
        handler->KeyOn = true;
    }
    c.KeyOff = false;
    c.FadeOutVolume = 65536;
}

// The envelopes are left alone: only an instrument number restarts them. The old voice has been
// handed to a background channel already.
void StartNote(TKavoXMChannel& c, int32_t period) {
    c.Period = period;
    c.SamplePosition = 0;
    c.Backwards = false;
    SilenceRamp(c);
    if (c.ClearVariantOnNote) c.VariantEnabled = false;
    c.Active = true;
}

// The sample an instrument plays for note 1..96.
const TKavoXMSample* NoteSample(const TKavoXMInstrument* instrument, int32_t note) {
    return instrument->Samples[instrument->SampleMap[size_t(note)]].get();
}

// A note that its sample's relative note takes above A#9 is no note at all: the voice, its
// sample and pitch stay as they are, and a delayed row later plays the note before it.
bool AboveHighestNote(const TKavoXMChannel& c, const TKavoXMInstrument* instrument, int32_t note,
                      bool portaNote) {
    constexpr int32_t HighestRealNote = 118; // A#9, counted from C-0 = 0
    if (instrument == nullptr || note < 1 || note > 96) return false;
    const TKavoXMSample* sample =
        portaNote && c.Sample != nullptr ? c.Sample : NoteSample(instrument, note);
    return sample != nullptr && note + sample->RelativeNote - 1 > HighestRealNote;
}

// Picks the sample for the note and starts it, or only retargets the pitch for a
// tone-portamento note.
void PlayNote(TKavoXMChannel& c, const TKavoXMPatternNote& note, bool portaNote) {
    if (!(portaNote && c.Sample != nullptr)) c.Sample = NoteSample(c.Instrument, note.Note);
    if (c.Sample == nullptr) return;
    c.RealNote = note.Note + c.Sample->RelativeNote - 1;
    c.FineTune = c.Sample->FineTune;
    const int32_t period = c.Module->NoteToPeriod(c.RealNote, c.FineTune);
    // Only a tone-portamento note sets the slide's target; a plain note leaves it, so that a
    // later 3xx without a note slides back toward it.
    if (portaNote) c.TargetPeriod = period;
    // A tone-portamento note leaves the sample playing and the period to the slide; on a
    // channel that has not played a note it starts nothing.
    if (portaNote) return;
    StartNote(c, period);
    if (c.Module->Game != nullptr) c.Module->Game->NoteStarted(c, note.Note);
}

// The sample's own volume and panning, as an instrument number sets them; a note silenced by
// tremor or key-off sounds again.
void ApplySampleDefaults(TKavoXMChannel& c) {
    if (c.Sample == nullptr) return;
    c.TremorMuted = false;
    c.KeyOffMuted = false;
    c.Volume = c.Sample->Volume;
    if (c.Sample->UsePanning) c.Panning = c.Sample->Panning;
}

// An instrument number without a note that names no instrument: the note takes its sample's
// volume again, and keeps its panning, instrument and envelopes.
void ApplySampleVolume(TKavoXMChannel& c) {
    const int32_t panning = c.Panning;
    ApplySampleDefaults(c);
    c.Panning = panning;
}

// A delayed row without a note plays the channel's last note again, with the row's
// instrument if it has one. A delayed key-off with an instrument number is that instrument
// number alone: the envelopes start again with the key down, and nothing restarts the sample.
TKavoXMPatternNote DelayedNote(const TKavoXMPatternNote& note, int32_t lastNote) {
    TKavoXMPatternNote delayed = note;
    if (delayed.Note == TKavoXMPatternNote::KeyOff && delayed.Instrument != 0)
        delayed.Note = 0;
    else if (delayed.Note == 0)
        delayed.Note = lastNote;
    return delayed;
}

// K00 makes the row a key-off, whatever note it has: the old note is released, not replaced,
// and an instrument number on the row acts as with a key-off note.
TKavoXMPatternNote KeyOffForK00(const TKavoXMPatternNote& note) {
    TKavoXMPatternNote cell = note;
    constexpr int32_t KeyOffEffect = 20;
    if (cell.Effect == KeyOffEffect && cell.EffectParameter == 0 && cell.Note <= 96)
        cell.Note = TKavoXMPatternNote::KeyOff;
    return cell;
}

// Both envelopes and the fade-out start again with the key down.
void RestartEnvelopes(TKavoXMChannel& c) {
    for (TKavoXMEnvelopeHandler* handler : {&c.VolumeEnvelopeHandler, &c.PanningEnvelopeHandler}) {
        handler->SetPosition(0);
        handler->KeyOn = true;
    }
    c.KeyOff = false;
    c.FadeOutVolume = 65536;
}

} // namespace

// The tick a row's note is due on: 0, or y of EDy. A delay of a whole row or more never comes,
// also not in the repeats of a pattern delay.
int32_t TKavoXMChannel::NoteDueTick(const TKavoXMPatternNote& note) const {
    const int32_t delay = NoteDelay(note);
    if (delay > 0 && Module != nullptr && delay >= int32_t(Module->Speed))
        return std::numeric_limits<int32_t>::max();
    return delay;
}

void TKavoXMChannel::ProcessRow(const TKavoXMPatternNote& note) {
    const int32_t delay = NoteDueTick(note);
    PeriodDelta = 0;
    VolumeDelta = 0;
    if (delay == CurrentTick) {
        if (delay > 0)
            TriggerDelayedNote(note);
        else
            TriggerNote(note);
    }
    RowVolumeColumn(note, delay);
    if (delay != CurrentTick) return;
    RowEffect(note);
}

// A retrigger: the current sample starts again from its beginning. Volume, panning, pitch and
// the envelopes run on; the old voice fades out in the background as on a note start. False
// when there is nothing to restart.
bool TKavoXMChannel::RestartSample() {
    if (Passive || Module == nullptr || Instrument == nullptr || Sample == nullptr) return false;
    if (MoveToBackground())
        SilenceRamp(*this);
    else
        FoldIntoClickRemoval(*this);
    SamplePosition = 0;
    Backwards = false;
    SilenceRamp(*this);
    if (ClearVariantOnNote) VariantEnabled = false;
    Active = true;
    return true;
}

// A delayed note starts its envelopes and fade-out afresh with the key down, with or without an
// instrument number. A delayed key-off without one first gives the note its sample's volume and
// panning again: the release then silences a note without a volume envelope, while one with an
// envelope sounds on, its envelope restarted.
void TKavoXMChannel::TriggerDelayedNote(const TKavoXMPatternNote& row) {
    if (Passive || Module == nullptr) return;
    const TKavoXMPatternNote note = DelayedNote(row, LastNote);
    if (note.Instrument == 0 && KeyOffForK00(note).Note == TKavoXMPatternNote::KeyOff)
        ApplySampleDefaults(*this);
    TriggerNote(note);
    RestartEnvelopes(*this);
}

void TKavoXMChannel::TriggerNote(const TKavoXMPatternNote& row) {
    if (Passive || Module == nullptr) return;
    TKavoXMPatternNote note = KeyOffForK00(row);
    const bool portaNote = TonePortamentoNote(note);
    const bool inRange = note.Note >= 1 && note.Note <= 96;
    if (inRange && !portaNote && note.Instrument == 0) note.Instrument = MissingInstrument;
    const bool numbered = note.Instrument >= 1 && note.Instrument <= 255;
    const TKavoXMInstrument* slot =
        numbered ? Module->Instruments[size_t(note.Instrument)].get() : nullptr;
    // A missing instrument has no sample to take the note out of range: such a note cuts.
    const bool hasNote =
        inRange && !AboveHighestNote(*this, numbered ? slot : Instrument, note.Note, portaNote);
    // An instrument number with no instrument behind it means nothing without a note, until the
    // next note without an instrument number.
    const bool hasInstrument = numbered && (slot != nullptr || hasNote);
    const bool strayInstrument = numbered && !hasInstrument;
    if (numbered) MissingInstrument = slot == nullptr && !hasNote ? note.Instrument : 0;
    if (hasNote) {
        LastNote = note.Note;
        KeyOffMuted = false; // a released note sounds again at its volume (0 unless set anew)
    }
    if (note.Note == TKavoXMPatternNote::KeyOff) {
        // A key-off with an instrument number releases the note and gives it its sample's
        // volume and panning again; the envelopes run on from where they are.
        ReleaseKey();
        if (hasInstrument) ApplySampleDefaults(*this);
        if (strayInstrument) ApplySampleVolume(*this);
        return;
    }
    if (strayInstrument) {
        ApplySampleVolume(*this);
        return;
    }

    const bool handOver =
        hasInstrument ? slot != nullptr
                      : Instrument != nullptr && hasNote && (!portaNote || Sample == nullptr);
    if (handOver && MoveToBackground()) {
        // The background copy fades the old voice out from the running gains; whatever this
        // channel plays next fades in from silence, so the two cross-fade without a bump.
        SilenceRamp(*this);
    }
    if (hasInstrument) {
        // An empty instrument slot silences the channel without a hand-over: hand the cut
        // voice's last output to click removal instead.
        if (Active && !handOver) FoldIntoClickRemoval(*this);
        ResetVoice();
        AttachInstrument(*this, slot);
        // A note with a missing instrument cuts the channel as if it had not played: a later
        // instrument number alone sets the sample's defaults but starts nothing.
        if (slot == nullptr) Period = 0;
    }
    if (Instrument != nullptr && hasNote) PlayNote(*this, note, portaNote);
    if (hasInstrument && Sample != nullptr) {
        // The voice goes on after its hand-over (also one the mixer had stopped as silent).
        // Period 0: the channel has not played a note, and a tone-portamento note started none.
        if (Period != 0) Active = true;
        ApplySampleDefaults(*this);
    }
}
