// Placeholder until the effects land.
#include "KavoXM/sequencer/EffectCommands.h"
#include "KavoXM/sequencer/Channel.h"

namespace effects {

void RowArpeggio(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void TickArpeggio(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowPortamentoUp(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void TickPortamentoUp(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowPortamentoDown(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void TickPortamentoDown(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowTonePortamento(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void TickTonePortamento(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowVibrato(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void TickVibrato(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowTonePortamentoVolumeSlide(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void TickTonePortamentoVolumeSlide(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowVibratoVolumeSlide(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void TickVibratoVolumeSlide(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowFinePortamentoUp(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowFinePortamentoDown(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowGlissando(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowVibratoWaveform(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowSetFineTune(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowExtraFinePortamentoUp(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowExtraFinePortamentoDown(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowTremolo(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void TickTremolo(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowSetPanning(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowVolumeSlide(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void TickVolumeSlide(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowSetVolume(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowTremoloWaveform(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowFineVolumeUp(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowFineVolumeDown(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void TickNoteCut(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowSetGlobalVolume(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowGlobalVolumeSlide(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void TickGlobalVolumeSlide(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowPanningSlide(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void TickPanningSlide(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowTremor(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void TickTremor(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowSampleOffset(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void TickRetrigger(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowKeyOff(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowEnvelopePosition(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowMultiRetrig(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void TickMultiRetrig(TKavoXMChannel&, const TKavoXMPatternNote&) {}
void RowSoundControl(TKavoXMChannel&, const TKavoXMPatternNote&) {}

} // namespace effects
