// Placeholder until the effects land.
#include "KavoXM/sequencer/Channel.h"

void TKavoXMChannel::DoArpeggio() {}
void TKavoXMChannel::DoVibrato() {}
void TKavoXMChannel::DoTremolo() {}
void TKavoXMChannel::DoTremor() {}
void TKavoXMChannel::DoTonePortamento() {}
void TKavoXMChannel::DoVolumeSlide() {}
