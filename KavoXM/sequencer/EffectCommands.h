#pragma once
// The effect commands as small named handlers. Effects.cpp dispatches to them through a table
// indexed by effect number (0..33, X = 33) and, for E and X, by the high nibble. A "Row" handler
// is the row-tick part (it runs on the tick the row's note is due), a "Tick" handler the
// effect-tick part.
#include "KavoXM/module/PatternNote.h"

class TKavoXMChannel;

using TKavoXMEffectHandler = void (*)(TKavoXMChannel& channel, const TKavoXMPatternNote& note);

namespace effects {

// Song flow: position jump, pattern break, pattern loop, pattern delay, speed and tempo.
void RowPositionJump(TKavoXMChannel&, const TKavoXMPatternNote&); // Bxx
void RowPatternBreak(TKavoXMChannel&, const TKavoXMPatternNote&); // Dxx
void RowPatternLoop(TKavoXMChannel&, const TKavoXMPatternNote&);  // E6y
void RowPatternDelay(TKavoXMChannel&, const TKavoXMPatternNote&); // EEy
void RowSetSpeed(TKavoXMChannel&, const TKavoXMPatternNote&);     // Fxx

// Pitch.
void RowArpeggio(TKavoXMChannel&, const TKavoXMPatternNote&); // 0xy
void TickArpeggio(TKavoXMChannel&, const TKavoXMPatternNote&);
void RowPortamentoUp(TKavoXMChannel&, const TKavoXMPatternNote&); // 1xx
void TickPortamentoUp(TKavoXMChannel&, const TKavoXMPatternNote&);
void RowPortamentoDown(TKavoXMChannel&, const TKavoXMPatternNote&); // 2xx
void TickPortamentoDown(TKavoXMChannel&, const TKavoXMPatternNote&);
void RowTonePortamento(TKavoXMChannel&, const TKavoXMPatternNote&); // 3xx
void TickTonePortamento(TKavoXMChannel&, const TKavoXMPatternNote&);
void RowVibrato(TKavoXMChannel&, const TKavoXMPatternNote&); // 4xy
void TickVibrato(TKavoXMChannel&, const TKavoXMPatternNote&);
void RowTonePortamentoVolumeSlide(TKavoXMChannel&, const TKavoXMPatternNote&); // 5xy
void TickTonePortamentoVolumeSlide(TKavoXMChannel&, const TKavoXMPatternNote&);
void RowVibratoVolumeSlide(TKavoXMChannel&, const TKavoXMPatternNote&); // 6xy
void TickVibratoVolumeSlide(TKavoXMChannel&, const TKavoXMPatternNote&);
void RowFinePortamentoUp(TKavoXMChannel&, const TKavoXMPatternNote&);        // E1y
void RowFinePortamentoDown(TKavoXMChannel&, const TKavoXMPatternNote&);      // E2y
void RowGlissando(TKavoXMChannel&, const TKavoXMPatternNote&);               // E3y
void RowVibratoWaveform(TKavoXMChannel&, const TKavoXMPatternNote&);         // E4y
void RowSetFineTune(TKavoXMChannel&, const TKavoXMPatternNote&);             // E5y
void RowExtraFinePortamentoUp(TKavoXMChannel&, const TKavoXMPatternNote&);   // X1y
void RowExtraFinePortamentoDown(TKavoXMChannel&, const TKavoXMPatternNote&); // X2y

// Volume and panning.
void RowTremolo(TKavoXMChannel&, const TKavoXMPatternNote&); // 7xy
void TickTremolo(TKavoXMChannel&, const TKavoXMPatternNote&);
void RowSetPanning(TKavoXMChannel&, const TKavoXMPatternNote&);  // 8xx
void RowVolumeSlide(TKavoXMChannel&, const TKavoXMPatternNote&); // Axy
void TickVolumeSlide(TKavoXMChannel&, const TKavoXMPatternNote&);
void RowSetVolume(TKavoXMChannel&, const TKavoXMPatternNote&);       // Cxx
void RowTremoloWaveform(TKavoXMChannel&, const TKavoXMPatternNote&); // E7y
void RowFineVolumeUp(TKavoXMChannel&, const TKavoXMPatternNote&);    // EAy
void RowFineVolumeDown(TKavoXMChannel&, const TKavoXMPatternNote&);  // EBy
void RowNoteCut(TKavoXMChannel&, const TKavoXMPatternNote&);         // ECy
void TickNoteCut(TKavoXMChannel&, const TKavoXMPatternNote&);
void RowSetGlobalVolume(TKavoXMChannel&, const TKavoXMPatternNote&);   // Gxx
void RowGlobalVolumeSlide(TKavoXMChannel&, const TKavoXMPatternNote&); // Hxy
void TickGlobalVolumeSlide(TKavoXMChannel&, const TKavoXMPatternNote&);
void RowPanningSlide(TKavoXMChannel&, const TKavoXMPatternNote&); // Pxy
void TickPanningSlide(TKavoXMChannel&, const TKavoXMPatternNote&);
void RowTremor(TKavoXMChannel&, const TKavoXMPatternNote&); // Txy
void TickTremor(TKavoXMChannel&, const TKavoXMPatternNote&);

// Sample, notes and envelopes.
void RowSampleOffset(TKavoXMChannel&, const TKavoXMPatternNote&);     // 9xx
void TickRetrigger(TKavoXMChannel&, const TKavoXMPatternNote&);       // E9y
void TickKeyOff(TKavoXMChannel&, const TKavoXMPatternNote&);          // Kxx
void RowEnvelopePosition(TKavoXMChannel&, const TKavoXMPatternNote&); // Lxx
void RowMultiRetrig(TKavoXMChannel&, const TKavoXMPatternNote&);      // Rxy
void TickMultiRetrig(TKavoXMChannel&, const TKavoXMPatternNote&);
void RowSoundControl(TKavoXMChannel&, const TKavoXMPatternNote&); // X9y

} // namespace effects
