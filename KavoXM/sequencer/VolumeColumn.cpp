// Placeholder until the effects land.
#include "KavoXM/sequencer/Channel.h"

void TKavoXMChannel::RowVolumeColumn(const TKavoXMPatternNote&, int32_t) {}
void TKavoXMChannel::TickVolumeColumn(const TKavoXMPatternNote&, int32_t) {}
