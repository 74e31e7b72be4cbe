#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/EffectParameter.h"
#include "KavoXM/sequencer/Waveforms.h"

#include <algorithm>
#include <cstddef>

namespace {

// Vibrato or tremolo waveform value at a position, doubled; waveforms 4..7 give none.
int32_t WaveValue(int32_t waveform, int32_t position) {
    if (waveform < 0 || waveform >= 4) return 0;
    return VibratoWaveforms[size_t(waveform)][size_t(position & 63)] * 2;
}

// The tremolo's ramp (waveform 1) is not the vibrato's: its size grows from 0 through each half
// of the tremolo's cycle, raising the volume in the first half and lowering it in the second.
// While the vibrato's position is in the second half of its cycle the size shrinks instead.
int32_t TremoloRamp(int32_t tremoloPosition, int32_t vibratoPosition) {
    int32_t size = (tremoloPosition & 31) * 8;
    if ((vibratoPosition & 63) >= 32) size = 255 - size;
    return (tremoloPosition & 63) >= 32 ? -size : size;
}

} // namespace

// The arpeggio counts the effect ticks of a row down from the speed: on tick t of a row at speed
// S the offset is entry (S - t) mod 3, so the row's last effect tick always plays x. Through a
// pattern delay t counts within each row-length. Songs of trackers that count up play entry
// t mod 3.
void TKavoXMChannel::DoArpeggio() {
    const int32_t ticks = effects::ModuleTicks(*this);
    const int32_t speed = Module != nullptr ? int32_t(Module->Speed) : 0;
    const int32_t tick = speed > 0 ? ticks % speed : ticks;
    const bool upward = Module != nullptr && Module->ArpeggioInTickOrder;
    const int32_t entry = upward ? tick % 3 : ((speed - tick) % 3 + 3) % 3;
    PeriodDelta += Arpeggio[size_t(entry)];
}

// Vibrato and tremolo apply their position on every tick of the row and advance it on the
// effect ticks only.
void TKavoXMChannel::ApplyVibrato() {
    const int32_t w = WaveValue(VibratoWaveform, VibratoPosition);
    PeriodDelta += ((w * VibratoDepth) / 128) * 4;
}

void TKavoXMChannel::DoVibrato() {
    ApplyVibrato();
    VibratoPosition = (VibratoPosition + VibratoSpeed) & 63;
}

void TKavoXMChannel::ApplyTremolo() {
    const int32_t w = TremoloWaveform == 1 ? TremoloRamp(TremoloPosition, VibratoPosition)
                                           : WaveValue(TremoloWaveform, TremoloPosition);
    VolumeDelta += (w * TremoloDepth) / 64;
}

void TKavoXMChannel::DoTremolo() {
    ApplyTremolo();
    TremoloPosition = (TremoloPosition + TremoloSpeed) & 63;
}

// On effect ticks: sounds for x + 1 ticks, then silences y + 1 ticks, round and round (T00
// without any memory alternates single ticks). TremorPosition holds the phase and what is left
// of it: n >= 1 sounding with n - 1 ticks to follow, n <= -1 silent with -n - 1 to follow. A
// reset (0) counts as the end of a silent phase, so a tremor starts sounding; a new Txy takes
// effect at the next change of phase. The silence lasts past the tick (TremorMuted): later rows
// keep what the last effect tick did.
void TKavoXMChannel::DoTremor() {
    if (TremorPosition == 1)
        TremorPosition = -TremorOffTicks - 1;
    else if (TremorPosition == 0 || TremorPosition == -1)
        TremorPosition = TremorOnTicks + 1;
    else
        TremorPosition += TremorPosition > 1 ? -1 : 1;
    TremorMuted = TremorPosition < 0;
}

void TKavoXMChannel::DoVolumeSlide() {
    Volume = effects::Accumulated(int64_t(Volume) + VolumeSlide);
}

namespace {

// With glissando, the period of the next semitone from `period` toward `target`, or `target`
// itself when no semitone lies between them.
int32_t NextSemitone(const TKavoXMModule& module, int32_t period, int32_t target,
                     int32_t fineTune) {
    const int32_t note = module.PeriodToNote(period, fineTune);
    int32_t next;
    if (target < period) {
        // Higher pitch: the note found has a period at or below `period`; if it is exactly
        // there, the semitone above is the next one.
        next = module.NoteToPeriod(note, fineTune);
        if (next >= period) next = module.NoteToPeriod(note + 1, fineTune);
        return next < period ? std::max(next, target) : target;
    }
    // Lower pitch: the note below the one found is the first with a period above `period`.
    next = module.NoteToPeriod(note - 1, fineTune);
    return next > period ? std::min(next, target) : target;
}

} // namespace

// Slides Period toward TargetPeriod by TonePortamentoSpeed x 4 and stops on it. With glissando
// no step passes the next semitone, so the slide lands on every semitone on its way. Without a
// target (no tone-portamento note yet) nothing slides, and neither does a channel that has played
// no note (Period 0): its tone-portamento notes stay silent.
void TKavoXMChannel::DoTonePortamento() {
    if (Period == 0 || TargetPeriod == 0 || TargetPeriod == Period) return;
    const int32_t step = TonePortamentoSpeed * 4;
    int32_t bound = TargetPeriod;
    if (Glissando && Module != nullptr)
        bound = NextSemitone(*Module, Period, TargetPeriod, FineTune);
    if (TargetPeriod > Period)
        Period = std::min(Period + step, bound);
    else
        Period = std::max(Period - step, bound);
}
