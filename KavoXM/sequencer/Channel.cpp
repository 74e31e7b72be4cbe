#include "KavoXM/sequencer/Channel.h"

#include "KavoXM/module/Module.h"

#include <algorithm>

TKavoXMChannel::TKavoXMChannel(TKavoXMModule* module, int32_t index, bool passive, bool background)
    : Passive(passive), Background(background), Module(module), Index(index) {
    // Channel names are at most 20 characters; the reserve lets Assign copy a name without
    // allocating while playing.
    Name.reserve(32);
    InitialPanning = 128;
    Reset();
}

void TKavoXMChannel::Reset() {
    ResetVoice();
    Sample = nullptr;
    Instrument = nullptr;
    Period = 0; // no note played yet: a tone-portamento note starts nothing
    Panning = InitialPanning;
    LastOutputLeft = LastOutputRight = 0;
    TargetVolumeLeft = TargetVolumeRight = 0;
    RampVolumeLeft = RampVolumeRight = 0;
    RampTargetLeft = RampTargetRight = 0;
    RampStepLeft = RampStepRight = 0;
    RealNote = 0;
    LastNote = 0;
    MissingInstrument = 0;
    SampleOffset = 0;
    RowNote = {};
    Surround = false;
    ClearVariantOnNote = false;
    VariantEnabled = false;
    VariantMode = 0;
}

void TKavoXMChannel::ResetVoice() {
    Active = false;
    for (TKavoXMEnvelopeHandler* handler : {&VolumeEnvelopeHandler, &PanningEnvelopeHandler}) {
        handler->Envelope = nullptr;
        handler->SetPosition(0);
        handler->KeyOn = true;
    }
    KeyOff = false;
    AutoVibratoSweepPosition = 0;
    AutoVibratoPosition = 0;
    RestartWaveforms();
    TremorPosition = 0;
    TremorMuted = false;
    KeyOffMuted = false;
    FadeOutVolume = 65536;
}

void TKavoXMChannel::Assign(const TKavoXMChannel& source) {
    if (&source == this) return;
    const bool passive = Passive;
    const bool background = Background;
    *this = source; // handlers are part of the channel: their state is copied with it
    Passive = passive;
    Background = background;
}

bool TKavoXMChannel::MoveToBackground() {
    if (!Active || Module == nullptr) return false;
    if (Module->ScanOnly) {
        // A scan never looks at the background bank (its copies cannot move the song): the
        // voice is only taken off this channel, as below, without the search and the copy.
        Active = false;
        LastOutputLeft = 0;
        LastOutputRight = 0;
        return true;
    }
    auto& bank = Module->BackgroundChannels;
    // The first silent background channel, or else the quietest (the lowest index on a tie).
    size_t slot = 0;
    while (slot < bank.size() && bank[slot]->Active) ++slot;
    if (slot == bank.size()) {
        slot = 0;
        for (size_t i = 1; i < bank.size(); ++i)
            if (bank[i]->FinalVolume < bank[slot]->FinalVolume) slot = i;
    }
    TKavoXMChannel* picked = bank[slot].get();
    Module->BackgroundInUse = std::max(Module->BackgroundInUse, int32_t(slot) + 1);
    if (picked->Active) {
        Module->ClickRemovalLeft =
            int32_t(uint32_t(Module->ClickRemovalLeft) + uint32_t(picked->LastOutputLeft));
        Module->ClickRemovalRight =
            int32_t(uint32_t(Module->ClickRemovalRight) + uint32_t(picked->LastOutputRight));
        picked->LastOutputLeft = 0;
        picked->LastOutputRight = 0;
    }
    picked->Assign(*this);
    picked->FadeOutVolume = 0;
    Active = false;
    // The last output now belongs to the background copy; kept here it would be folded into
    // click removal a second time when this channel is cut later.
    LastOutputLeft = 0;
    LastOutputRight = 0;
    return true;
}
