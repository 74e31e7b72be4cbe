// Placeholder until the effects land.
#include "KavoXM/sequencer/Channel.h"

void TKavoXMChannel::UpdateEnvelopes() {
    EnvelopeVolume = 64;
    EnvelopePanning = 32;
}
void TKavoXMChannel::DoAutoVibrato() {}
