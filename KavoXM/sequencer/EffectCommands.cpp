// Effect commands on the voice itself: sample offset, retriggers, key-off, envelope position and
// sound control.
#include "KavoXM/sequencer/EffectCommands.h"
#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/EffectParameter.h"

namespace {

using Channel = TKavoXMChannel;
using Note = TKavoXMPatternNote;
using namespace effects;

// Whether a retrigger every `interval` ticks falls on this tick.
bool RetriggerDue(const Channel& channel, int32_t interval) {
    const int32_t ticks = ModuleTicks(channel);
    return interval > 0 && ticks >= 0 && ticks % interval == 0;
}

// Multi-retrig volume change x (0..15). A negative volume counts as 0 where it is scaled.
int64_t RetrigVolume(int64_t volume, int32_t change) {
    const int64_t positive = volume > 0 ? volume : 0;
    switch (change) {
    case 1:
        return volume - 1;
    case 2:
        return volume - 2;
    case 3:
        return volume - 4;
    case 4:
        return volume - 8;
    case 5:
        return volume - 16;
    case 6:
        return (volume * 2) / 3;
    case 7:
        return positive / 2;
    case 9:
        return volume + 1;
    case 10:
        return volume + 2;
    case 11:
        return volume + 4;
    case 12:
        return volume + 8;
    case 13:
        return volume + 16;
    case 14:
        return (positive * 3) / 2;
    case 15:
        return volume * 2;
    default:
        return volume;
    }
}

} // namespace

namespace effects {

// Starts the row's note at frame xx x 256; 900 uses the channel's last non-zero 9xx. A row
// without a note sets only that memory; a tone-portamento row neither moves the voice nor sets
// the memory. An offset at or past the sample's end stops the note, looped or not.
void RowSampleOffset(Channel& channel, const Note& note) {
    if (Channel::TonePortamentoNote(note)) return;
    if (Parameter(note) != 0) channel.SampleOffset = Parameter(note);
    if (note.Note < 1 || note.Note > 96) return;
    const int64_t frame = int64_t(channel.SampleOffset) * 256;
    channel.SamplePosition = frame << 32;
    if (channel.Sample != nullptr && frame >= channel.Sample->Length) channel.Active = false;
}

// E9y restarts the sample and both envelopes; volume, panning, key state and fade-out run on.
void TickRetrigger(Channel& channel, const Note& note) {
    if (!RetriggerDue(channel, LowNibble(note)) || !channel.RestartSample()) return;
    channel.VolumeEnvelopeHandler.SetPosition(0);
    channel.PanningEnvelopeHandler.SetPosition(0);
}

// Kxx releases the key on tick xx of the row, never when xx is not below the speed. K00 has no
// handler: the row tick makes its row a key-off note, so the release comes before the row's
// instrument number and volume column, which a second release here would undo.
void TickKeyOff(Channel& channel, const Note& note) {
    const int32_t tick = Parameter(note);
    const bool inRow = channel.Module == nullptr || tick < int32_t(channel.Module->Speed);
    if (tick != 0 && inRow && ModuleTicks(channel) == tick) channel.ReleaseKey();
}

void RowEnvelopePosition(Channel& channel, const Note& note) {
    channel.VolumeEnvelopeHandler.SetPosition(Parameter(note));
    channel.PanningEnvelopeHandler.SetPosition(Parameter(note));
}

void RowMultiRetrig(Channel& channel, const Note& note) {
    if (Parameter(note) == 0) return;
    channel.RetrigVolumeChange = HighNibble(note);
    channel.RetrigInterval = LowNibble(note);
}

// Rxy restarts the sample and changes the running volume; the envelopes run on.
void TickMultiRetrig(Channel& channel, const Note&) {
    if (!RetriggerDue(channel, channel.RetrigInterval)) return;
    channel.RestartSample();
    channel.Volume = Accumulated(RetrigVolume(channel.Volume, channel.RetrigVolumeChange));
}

void RowSoundControl(Channel& channel, const Note& note) {
    switch (LowNibble(note)) {
    case 0x0:
        channel.Surround = true;
        break;
    case 0x1:
        channel.Surround = false;
        break;
    case 0xC:
        channel.ClearVariantOnNote = false;
        break;
    case 0xD:
        channel.ClearVariantOnNote = true;
        break;
    case 0xE:
        channel.Backwards = false;
        break;
    case 0xF:
        channel.Backwards = true;
        break;
    default:
        break;
    }
}

} // namespace effects
