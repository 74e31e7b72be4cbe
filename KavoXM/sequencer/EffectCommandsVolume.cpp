// Volume and panning effect commands: slides, tremolo, tremor, set volume and panning, global
// volume.
#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/EffectCommands.h"
#include "KavoXM/sequencer/EffectParameter.h"

namespace {

using Channel = TKavoXMChannel;
using Note = TKavoXMPatternNote;
using namespace effects;

// Slide memory of an xy parameter: up by x, down by y.
int32_t SlideAmount(const Note& note) {
    return HighNibble(note) - LowNibble(note);
}

// Volume slide memory: up by x, or down by y when x is 0; with both nibbles set, x wins.
int32_t UpOrDown(const Note& note) {
    return HighNibble(note) != 0 ? HighNibble(note) : -LowNibble(note);
}

} // namespace

namespace effects {

void RowVolumeSlide(Channel& channel, const Note& note) {
    if (Parameter(note) != 0) channel.VolumeSlide = UpOrDown(note);
}

void TickVolumeSlide(Channel& channel, const Note&) {
    channel.DoVolumeSlide();
}

void RowTremolo(Channel& channel, const Note& note) {
    if (Parameter(note) != 0) {
        channel.TremoloSpeed = HighNibble(note);
        channel.TremoloDepth = LowNibble(note);
    }
    channel.ApplyTremolo();
}

void TickTremolo(Channel& channel, const Note&) {
    channel.DoTremolo();
}

void RowSetPanning(Channel& channel, const Note& note) {
    channel.Panning = Parameter(note);
}

void RowSetVolume(Channel& channel, const Note& note) {
    channel.Volume = Parameter(note);
}

void RowTremoloWaveform(Channel& channel, const Note& note) {
    channel.TremoloWaveform = LowNibble(note) & 7;
}

void RowFineVolumeUp(Channel& channel, const Note& note) {
    if (LowNibble(note) != 0) channel.FineVolumeSlideUp = LowNibble(note);
    channel.Volume = Accumulated(int64_t(channel.Volume) + channel.FineVolumeSlideUp);
}

void RowFineVolumeDown(Channel& channel, const Note& note) {
    if (LowNibble(note) != 0) channel.FineVolumeSlideDown = LowNibble(note);
    channel.Volume = Accumulated(int64_t(channel.Volume) - channel.FineVolumeSlideDown);
}

// EC0 cuts on the row tick itself, ECy on effect tick y.
void RowNoteCut(Channel& channel, const Note& note) {
    if (LowNibble(note) == 0) channel.Volume = 0;
}

void TickNoteCut(Channel& channel, const Note& note) {
    if (ModuleTicks(channel) == LowNibble(note)) channel.Volume = 0;
}

void RowSetGlobalVolume(Channel& channel, const Note& note) {
    if (channel.Module != nullptr) channel.Module->GlobalVolume = Parameter(note);
}

void RowGlobalVolumeSlide(Channel& channel, const Note& note) {
    if (Parameter(note) != 0) channel.GlobalVolumeSlide = UpOrDown(note);
}

void TickGlobalVolumeSlide(Channel& channel, const Note&) {
    if (channel.Module == nullptr) return;
    TKavoXMModule& module = *channel.Module;
    module.GlobalVolume = Accumulated(int64_t(module.GlobalVolume) + channel.GlobalVolumeSlide);
}

void RowPanningSlide(Channel& channel, const Note& note) {
    if (Parameter(note) != 0) channel.PanningSlide = SlideAmount(note);
}

void TickPanningSlide(Channel& channel, const Note&) {
    channel.Panning = Accumulated(int64_t(channel.Panning) + channel.PanningSlide);
}

void RowTremor(Channel& channel, const Note& note) {
    if (Parameter(note) != 0) {
        channel.TremorOnTicks = HighNibble(note);
        channel.TremorOffTicks = LowNibble(note);
    }
    // The row tick of a tremor row stays in the tremor's phase, whatever volume the row sets.
    channel.TremorMuted = channel.TremorPosition < 0;
}

void TickTremor(Channel& channel, const Note&) {
    channel.DoTremor();
}

} // namespace effects
