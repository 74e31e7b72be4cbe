// Pitch effect commands: arpeggio, portamentos, tone portamento, vibrato, finetune, glissando.
#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/EffectCommands.h"
#include "KavoXM/sequencer/EffectParameter.h"

namespace {

using Channel = TKavoXMChannel;
using Note = TKavoXMPatternNote;
using namespace effects;

// Period offset of `semitones` above the current note on the module's scale.
int32_t ArpeggioOffset(const Channel& channel, int32_t semitones) {
    if (channel.Module == nullptr || channel.Module->LinearFrequencies) return -64 * semitones;
    const TKavoXMModule& module = *channel.Module;
    return module.NoteToPeriod(channel.RealNote + semitones, channel.FineTune) -
           module.NoteToPeriod(channel.RealNote, channel.FineTune);
}

// A direct period change leaves the tone-portamento target where the last tone-portamento note
// put it: a later 3xx slides back to that note.
void MovePeriod(Channel& channel, int32_t delta) {
    channel.Period = Accumulated(int64_t(channel.Period) + delta);
}

} // namespace

namespace effects {

void RowArpeggio(Channel& channel, const Note& note) {
    if (Parameter(note) == 0) return;
    channel.Arpeggio[0] = 0;
    channel.Arpeggio[1] = ArpeggioOffset(channel, HighNibble(note));
    channel.Arpeggio[2] = ArpeggioOffset(channel, LowNibble(note));
}

void TickArpeggio(Channel& channel, const Note& note) {
    if (Parameter(note) != 0) channel.DoArpeggio();
}

void RowPortamentoUp(Channel& channel, const Note& note) {
    if (Parameter(note) != 0) channel.PortamentoUpSpeed = Parameter(note);
}

void TickPortamentoUp(Channel& channel, const Note&) {
    MovePeriod(channel, -channel.PortamentoUpSpeed * 4);
}

void RowPortamentoDown(Channel& channel, const Note& note) {
    if (Parameter(note) != 0) channel.PortamentoDownSpeed = Parameter(note);
}

void TickPortamentoDown(Channel& channel, const Note&) {
    MovePeriod(channel, channel.PortamentoDownSpeed * 4);
}

void RowTonePortamento(Channel& channel, const Note& note) {
    if (Parameter(note) != 0) channel.TonePortamentoSpeed = Parameter(note);
}

void TickTonePortamento(Channel& channel, const Note&) {
    channel.DoTonePortamento();
}

void RowVibrato(Channel& channel, const Note& note) {
    if (Parameter(note) != 0) {
        channel.VibratoSpeed = HighNibble(note);
        channel.VibratoDepth = LowNibble(note);
    }
    channel.ApplyVibrato();
}

void TickVibrato(Channel& channel, const Note&) {
    channel.DoVibrato();
}

void RowTonePortamentoVolumeSlide(Channel& channel, const Note& note) {
    RowVolumeSlide(channel, note);
}

void TickTonePortamentoVolumeSlide(Channel& channel, const Note&) {
    channel.DoTonePortamento();
    channel.DoVolumeSlide();
}

void RowVibratoVolumeSlide(Channel& channel, const Note& note) {
    RowVolumeSlide(channel, note);
    channel.ApplyVibrato();
}

void TickVibratoVolumeSlide(Channel& channel, const Note&) {
    channel.DoVibrato();
    channel.DoVolumeSlide();
}

void RowFinePortamentoUp(Channel& channel, const Note& note) {
    if (LowNibble(note) != 0) channel.FinePortamentoUpSpeed = LowNibble(note);
    MovePeriod(channel, -channel.FinePortamentoUpSpeed * 4);
}

void RowFinePortamentoDown(Channel& channel, const Note& note) {
    if (LowNibble(note) != 0) channel.FinePortamentoDownSpeed = LowNibble(note);
    MovePeriod(channel, channel.FinePortamentoDownSpeed * 4);
}

void RowGlissando(Channel& channel, const Note& note) {
    channel.Glissando = LowNibble(note) != 0;
}

void RowVibratoWaveform(Channel& channel, const Note& note) {
    channel.VibratoWaveform = LowNibble(note) & 7;
}

// The new finetune is y itself. The period is re-derived from the note it stands for; a
// channel that has not played a note yet keeps period 0, so a later note still starts afresh.
void RowSetFineTune(Channel& channel, const Note& note) {
    const int32_t fineTune = LowNibble(note);
    if (channel.Module != nullptr && channel.Period != 0) {
        const TKavoXMModule& module = *channel.Module;
        channel.Period =
            module.NoteToPeriod(module.PeriodToNote(channel.Period, channel.FineTune), fineTune);
    }
    channel.FineTune = fineTune;
}

void RowExtraFinePortamentoUp(Channel& channel, const Note& note) {
    if (LowNibble(note) != 0) channel.ExtraFinePortamentoUpSpeed = LowNibble(note);
    MovePeriod(channel, -channel.ExtraFinePortamentoUpSpeed);
}

void RowExtraFinePortamentoDown(Channel& channel, const Note& note) {
    if (LowNibble(note) != 0) channel.ExtraFinePortamentoDownSpeed = LowNibble(note);
    MovePeriod(channel, channel.ExtraFinePortamentoDownSpeed);
}

} // namespace effects
