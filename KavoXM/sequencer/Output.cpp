// Per-tick output values of a channel: final volume and panning, the volume ramp toward the
// new gains and the sample increment.
#include "KavoXM/module/Module.h"
#include "KavoXM/player/Player.h"
#include "KavoXM/player/TickLength.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/Pitch.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

bool MonoOutput(const TKavoXMModule& module) {
    // A module without a player (tools, tests) mixes in stereo.
    return module.Player != nullptr && module.Player->Channels == 1;
}

// Slides never clamp on their own: the values are brought back into range here, once per
// tick, and stored back so that a slide continues from the limit.
void ClampState(TKavoXMChannel& c, TKavoXMModule& module) {
    c.Volume = std::clamp(c.Volume, 0, 64);
    module.GlobalVolume = std::clamp(module.GlobalVolume, 0, 64);
    module.MasterVolume = std::clamp(module.MasterVolume, 0, 256);
    c.Panning = std::clamp(c.Panning, 0, 255);
    c.EnvelopeVolume = std::clamp(c.EnvelopeVolume, 0, 64);
    c.Period = std::clamp(c.Period, MinPeriod, MaxPeriod);
}

// 0..4096 from fade-out, envelope, global, channel and master volume.
int32_t FinalVolumeOf(const TKavoXMChannel& c, const TKavoXMModule& module, int32_t volume) {
    int32_t a = std::clamp(c.FadeOutVolume, 0, 65536) / 16;
    a = (a * c.EnvelopeVolume) / 64;
    a = (a * module.GlobalVolume) / 64;
    a = (a * volume) / 64;
    return (a * module.MasterVolume) / 256;
}

// The envelope moves the panning at most as far as the nearer edge, so the result stays within
// 0..256 whatever value an envelope reaches.
int32_t FinalPanningOf(const TKavoXMChannel& c) {
    const int32_t room = 128 - std::abs(c.Panning - 128);
    return c.Panning + (room * (std::clamp(c.EnvelopePanning, 0, 64) - 32)) / 32;
}

void SetTargetVolumes(TKavoXMChannel& c, bool mono) {
    if (mono) {
        c.TargetVolumeLeft = c.FinalVolume;
    } else if (c.Surround) {
        c.TargetVolumeLeft = c.FinalVolume;
        c.TargetVolumeRight = -c.FinalVolume;
    } else {
        c.TargetVolumeLeft = (c.FinalVolume * (255 - c.FinalPanning)) / 256;
        c.TargetVolumeRight = (c.FinalVolume * c.FinalPanning) / 256;
    }
}

// A linear ramp from the running gains to this tick's targets, over the ramp length or the
// tick, whichever is shorter.
// The step from `from` to `to` over `frames` frames (all at once for 0), worked out wide: the
// running gain comes from the mixer and is not bounded here.
int32_t RampStep(int32_t to, int32_t from, int32_t frames) {
    int64_t step = int64_t(to) - from;
    if (frames != 0) step /= frames;
    return int32_t(std::clamp<int64_t>(step, INT32_MIN, INT32_MAX));
}

void StartRamp(TKavoXMChannel& c, const TKavoXMModule& module, bool mono) {
    c.RampRemaining = c.Background ? module.BackgroundRampLength : module.RampLength;
    if (module.TickLength < c.RampRemaining) c.RampRemaining = module.TickLength;
    c.RampTargetLeft = c.TargetVolumeLeft * 4096;
    c.RampStepLeft = RampStep(c.RampTargetLeft, c.RampVolumeLeft, c.RampRemaining);
    if (!mono) {
        c.RampTargetRight = c.TargetVolumeRight * 4096;
        c.RampStepRight = RampStep(c.RampTargetRight, c.RampVolumeRight, c.RampRemaining);
    }
}

void UpdatePitch(TKavoXMChannel& c, const TKavoXMModule& module) {
    // Arpeggio or vibrato near the lowest period can take the sum below 0, outside the tables.
    const int64_t period = std::clamp<int64_t>(int64_t(c.Period) + c.PeriodDelta, 0, INT32_MAX);
    c.PitchPeriod = int32_t(period);
    c.Frequency = module.PeriodToFrequency(c.PitchPeriod);
    c.UpdateIncrement();
}

} // namespace

void TKavoXMChannel::UpdateIncrement() {
    Increment = Module != nullptr ? Module->PeriodToIncrement(PitchPeriod, Module->SampleRate) : 0;
    // The host's pitch factor, the one place it takes effect.
    if (Module != nullptr && Module->Player != nullptr)
        Increment = ScaleStep(Increment, Module->Player->PitchFactor);
}

void TKavoXMChannel::UpdateOutput() {
    if (Instrument == nullptr) {
        Active = false;
        return;
    }
    // Envelopes, fade-out and auto-vibrato run on while a voice is silent, but not on a channel
    // that has no note to play (Period 0): an instrument number there leaves them at their
    // start for the next note.
    if (Period != 0) {
        UpdateEnvelopes();
        DoAutoVibrato();
    }
    if (!Active || Module == nullptr) return;
    TKavoXMModule& module = *Module;
    const bool mono = MonoOutput(module);
    ClampState(*this, module);
    const int32_t volume = std::clamp(TickVolume(), 0, 64);
    FinalVolume = FinalVolumeOf(*this, module, volume);
    if (HostVolume != 256) FinalVolume = FinalVolume * std::clamp(HostVolume, 0, 256) / 256;
    FinalPanning = FinalPanningOf(*this);
    SetTargetVolumes(*this, mono);
    StartRamp(*this, module, mono);
    UpdatePitch(*this, module);
}
