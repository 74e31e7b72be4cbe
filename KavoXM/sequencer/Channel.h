#pragma once
#include "KavoXM/module/PatternNote.h"
#include "KavoXM/sequencer/EnvelopeHandler.h"
#include <array>
#include <cstdint>
#include <string>

class TKavoXMModule;
class TKavoXMSample;
class TKavoXMInstrument;

// One playback channel: the sequencer state of a pattern column and the voice state that the
// mixer advances. Pattern, reserve and background banks all use this record.
class TKavoXMChannel {
  public:
    bool Passive = false;                  // reserve and background banks: never starts notes
    bool Background = false;               // background bank: fades out cut voices
    std::string Name;                      // from the "CNAM" chunk
    bool Active = false;                   // the voice sounds
    TKavoXMModule* Module = nullptr;       // not owned
    int32_t Index = 0;                     // place in its bank
    int32_t ChannelFX = 0;                 // from the "CHFX" chunk, unused by playback
    const TKavoXMSample* Sample = nullptr; // not owned
    const TKavoXMInstrument* Instrument = nullptr; // not owned
    int64_t Increment = 0;                         // 32.32 frames per output frame, never negative
    int64_t Step = 0;                              // 32.32, Increment negated while Backwards
    int64_t SamplePosition = 0;                    // 32.32 frames
    bool Backwards = false;
    // Set by the mixer for one kernel run through a forward loop: a frame whose position is at
    // or past WrapEnd plays WrapLength earlier. WrapLength 0: the run does not wrap.
    int64_t WrapEnd = 0;
    int64_t WrapLength = 0;
    int32_t FinalVolume = 0;                      // 0..4096
    int32_t FinalPanning = 0;                     // 0..256
    int32_t Frequency = 0;                        // Hz, whole (Increment keeps the fraction)
    int32_t PitchPeriod = 0;                      // this tick's period with its offset
    int32_t EnvelopeVolume = 64;                  // 0..64
    int32_t EnvelopePanning = 32;                 // 0..64, 32 centre
    TKavoXMEnvelopeHandler VolumeEnvelopeHandler; // part of the channel
    TKavoXMEnvelopeHandler PanningEnvelopeHandler;
    TKavoXMPatternNote RowNote;
    int32_t CurrentTick = 0;
    int32_t VibratoWaveform = 0, VibratoSpeed = 0, VibratoDepth = 0, VibratoPosition = 0;
    int32_t TremoloSpeed = 0, TremoloDepth = 0, TremoloPosition = 0;
    int32_t TremorPosition = 0, TremorOnTicks = 0, TremorOffTicks = 0;
    // The last tremor tick was silent: the note stays silent, also on later rows without a
    // tremor, until a tremor tick sounds, an instrument number or a volume-column volume.
    bool TremorMuted = false;
    // A key-off without a volume envelope silenced the note: it stays silent until a note, an
    // instrument number or a volume-column volume (the volume alone, as Cxx sets it, does not
    // bring it back).
    bool KeyOffMuted = false;
    int32_t AutoVibratoSweepPosition = 0, AutoVibratoPosition = 0;
    int32_t RetrigVolumeChange = 0, RetrigInterval = 0;
    int32_t SampleOffset = 0; // the last non-zero 9xx, in units of 256 frames
    int32_t Period = 0;
    std::array<int32_t, 3> Arpeggio{}; // period offsets for ticks 0, 1, 2 mod 3
    int32_t PeriodDelta = 0;           // this tick only
    int32_t TargetPeriod = 0;
    int32_t Volume = 0; // 0..64 after clamping
    int32_t InitialPanning = 128;
    int32_t Panning = 128;         // 0..255 after clamping
    int32_t FadeOutVolume = 65536; // 0..65536
    int32_t VolumeSlide = 0, GlobalVolumeSlide = 0, TonePortamentoSpeed = 0;
    int32_t PortamentoUpSpeed = 0, PortamentoDownSpeed = 0;
    int32_t FinePortamentoUpSpeed = 0, FinePortamentoDownSpeed = 0;
    int32_t ExtraFinePortamentoUpSpeed = 0, ExtraFinePortamentoDownSpeed = 0;
    int32_t FineVolumeSlideUp = 0, FineVolumeSlideDown = 0;
    int32_t PanningSlide = 0;
    int32_t VolumeDelta = 0; // this tick only
    bool Glissando = false;
    int32_t TremoloWaveform = 0;
    int32_t FineTune = 0; // -128..127
    bool KeyOff = false;
    int32_t PatternLoopRow = 0, PatternLoopCount = 0;
    bool PatternLoopActive = false;
    int32_t LastOutputLeft = 0, LastOutputRight = 0;     // mixing-buffer units
    int32_t TargetVolumeLeft = 0, TargetVolumeRight = 0; // 0..4096 (negative: inverted)
    int32_t RampVolumeLeft = 0, RampVolumeRight = 0;     // gain x 4096
    int32_t RampTargetLeft = 0, RampTargetRight = 0;     // gain x 4096
    int32_t RampStepLeft = 0, RampStepRight = 0;         // per output frame
    int32_t RampRemaining = 0;                           // frames
    int32_t RealNote = 0; // 0-based note after the sample's relative note
    int32_t LastNote = 0; // last row note 1..96: a delayed row without a note plays it again
    // An instrument number with no instrument behind it, read without a note (the sounding note
    // goes on): a later note without an instrument number plays with it, and so cuts. 0: none.
    int32_t MissingInstrument = 0;
    bool VariantEnabled = false;
    int32_t VariantMode = 0;
    bool Surround = false;
    bool ClearVariantOnNote = false;
    // Host controls, kept over Reset: a muted channel reads its rows without notes, instruments
    // and volumes (only the effects that act on the whole song remain); HostVolume scales the
    // final volume, 256 unchanged.
    bool Muted = false;
    int32_t HostVolume = 256;

    TKavoXMChannel(TKavoXMModule* module, int32_t index, bool passive, bool background);

    void Reset();
    void ResetVoice();
    // Vibrato and tremolo start their cycles again, unless E4x/E7x chose to keep them running.
    void RestartWaveforms() {
        if (VibratoWaveform < 4) VibratoPosition = 0;
        if (TremoloWaveform < 4) TremoloPosition = 0;
    }
    void Assign(const TKavoXMChannel& source);
    // Every field equal: the channel goes on the same way from either.
    bool operator==(const TKavoXMChannel&) const = default;
    bool MoveToBackground();

    // Row tick (RowProcessing.cpp).
    void ProcessRow(const TKavoXMPatternNote& note);
    void TriggerNote(const TKavoXMPatternNote& note);
    void TriggerDelayedNote(const TKavoXMPatternNote& note);
    int32_t NoteDueTick(const TKavoXMPatternNote& note) const;
    bool RestartSample();

    // Effects (Effects.cpp, VolumeColumn.cpp).
    void ProcessEffects(const TKavoXMPatternNote& note);
    void RowVolumeColumn(const TKavoXMPatternNote& note, int32_t delay);
    void TickVolumeColumn(const TKavoXMPatternNote& note, int32_t delay);
    void RowEffect(const TKavoXMPatternNote& note);
    void TickEffect(const TKavoXMPatternNote& note);
    void DoArpeggio();
    void DoVibrato();
    void ApplyVibrato();
    void DoTremolo();
    void ApplyTremolo();
    void DoTremor();
    void DoTonePortamento();
    void DoVolumeSlide();

    // Envelopes, fade-out and auto-vibrato (Envelopes.cpp).
    void ReleaseKey();
    void UpdateEnvelopes();
    void DoAutoVibrato();

    // Output values for the mixer (Output.cpp).
    void UpdateOutput();
    // Increment from PitchPeriod at the module's sample rate (also after a change of rate).
    void UpdateIncrement();

    // This tick's volume before clamping: the volume and its tick's delta, 0 while a tremor or
    // a key-off keeps the note silent.
    int32_t TickVolume() const { return (TremorMuted || KeyOffMuted) ? 0 : Volume + VolumeDelta; }

    // A row whose note only retargets a tone portamento (3xx, 5xy or a volume-column $Fx).
    static bool TonePortamentoNote(const TKavoXMPatternNote& note) {
        return note.Effect == 3 || note.Effect == 5 || (note.Volume >= 0xF0 && note.Volume <= 0xFF);
    }

    // Delay of a row's note: y of EDy, else 0.
    static int32_t NoteDelay(const TKavoXMPatternNote& note) {
        return (note.Effect == 14 && (note.EffectParameter >> 4) == 13)
                   ? (note.EffectParameter & 15)
                   : 0;
    }
};
