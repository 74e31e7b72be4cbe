// Effect ticks of a channel and the dispatch of effect commands to their handlers.
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/EffectCommands.h"

#include <array>
#include <cstddef>

namespace {

using namespace effects;

// Effect numbers: 0..9, then A = 10 up to X = 33.
constexpr int32_t EffectNumber(char letter) {
    return letter - 'A' + 10;
}

constexpr int32_t GlobalVolumeSlideEffect = EffectNumber('H');
constexpr int32_t ExtraFineEffect = EffectNumber('X');

using HandlerTable = std::array<TKavoXMEffectHandler, ExtraFineEffect + 1>;
using SubTable = std::array<TKavoXMEffectHandler, 16>;

// E sub-commands by the high nibble of the parameter. EDy (note delay) works through the row
// processing itself and has no handler.
constexpr SubTable MakeRowExtendedTable() {
    SubTable t{};
    t[0x1] = RowFinePortamentoUp;
    t[0x2] = RowFinePortamentoDown;
    t[0x3] = RowGlissando;
    t[0x4] = RowVibratoWaveform;
    t[0x5] = RowSetFineTune;
    t[0x6] = RowPatternLoop;
    t[0x7] = RowTremoloWaveform;
    t[0xA] = RowFineVolumeUp;
    t[0xB] = RowFineVolumeDown;
    t[0xC] = RowNoteCut;
    t[0xE] = RowPatternDelay;
    return t;
}

constexpr SubTable MakeTickExtendedTable() {
    SubTable t{};
    t[0x9] = TickRetrigger;
    t[0xC] = TickNoteCut;
    return t;
}

// X sub-commands: extra fine portamento and sound control.
constexpr SubTable MakeRowExtraFineTable() {
    SubTable t{};
    t[0x1] = RowExtraFinePortamentoUp;
    t[0x2] = RowExtraFinePortamentoDown;
    t[0x9] = RowSoundControl;
    return t;
}

constexpr SubTable RowExtendedTable = MakeRowExtendedTable();
constexpr SubTable TickExtendedTable = MakeTickExtendedTable();
constexpr SubTable RowExtraFineTable = MakeRowExtraFineTable();

void Dispatch(const SubTable& table, TKavoXMChannel& channel, const TKavoXMPatternNote& note) {
    const TKavoXMEffectHandler handler = table[size_t((note.EffectParameter >> 4) & 15)];
    if (handler != nullptr) handler(channel, note);
}

void RowExtended(TKavoXMChannel& c, const TKavoXMPatternNote& n) {
    Dispatch(RowExtendedTable, c, n);
}
void TickExtended(TKavoXMChannel& c, const TKavoXMPatternNote& n) {
    Dispatch(TickExtendedTable, c, n);
}
void RowExtraFine(TKavoXMChannel& c, const TKavoXMPatternNote& n) {
    Dispatch(RowExtraFineTable, c, n);
}

// Row-tick parts by effect number; effects without one do nothing on the row tick.
constexpr HandlerTable MakeRowTable() {
    HandlerTable t{};
    t[0x0] = RowArpeggio;
    t[0x1] = RowPortamentoUp;
    t[0x2] = RowPortamentoDown;
    t[0x3] = RowTonePortamento;
    t[0x4] = RowVibrato;
    t[0x5] = RowTonePortamentoVolumeSlide;
    t[0x6] = RowVibratoVolumeSlide;
    t[0x7] = RowTremolo;
    t[0x8] = RowSetPanning;
    t[0x9] = RowSampleOffset;
    t[EffectNumber('A')] = RowVolumeSlide;
    t[EffectNumber('B')] = RowPositionJump;
    t[EffectNumber('C')] = RowSetVolume;
    t[EffectNumber('D')] = RowPatternBreak;
    t[EffectNumber('E')] = RowExtended;
    t[EffectNumber('F')] = RowSetSpeed;
    t[EffectNumber('G')] = RowSetGlobalVolume;
    t[EffectNumber('H')] = RowGlobalVolumeSlide;
    t[EffectNumber('L')] = RowEnvelopePosition;
    t[EffectNumber('P')] = RowPanningSlide;
    t[EffectNumber('R')] = RowMultiRetrig;
    t[EffectNumber('T')] = RowTremor;
    t[EffectNumber('X')] = RowExtraFine;
    return t;
}

// Effect-tick parts by effect number.
constexpr HandlerTable MakeTickTable() {
    HandlerTable t{};
    t[0x0] = TickArpeggio;
    t[0x1] = TickPortamentoUp;
    t[0x2] = TickPortamentoDown;
    t[0x3] = TickTonePortamento;
    t[0x4] = TickVibrato;
    t[0x5] = TickTonePortamentoVolumeSlide;
    t[0x6] = TickVibratoVolumeSlide;
    t[0x7] = TickTremolo;
    t[EffectNumber('A')] = TickVolumeSlide;
    t[EffectNumber('E')] = TickExtended;
    t[EffectNumber('H')] = TickGlobalVolumeSlide;
    t[EffectNumber('K')] = TickKeyOff;
    t[EffectNumber('P')] = TickPanningSlide;
    t[EffectNumber('R')] = TickMultiRetrig;
    t[EffectNumber('T')] = TickTremor;
    return t;
}

constexpr HandlerTable RowTable = MakeRowTable();
constexpr HandlerTable TickTable = MakeTickTable();

static_assert(RowTable.size() == 34, "effects 0..33 (X)");

TKavoXMEffectHandler Lookup(const HandlerTable& table, int32_t effect) {
    return (effect >= 0 && effect < int32_t(table.size())) ? table[size_t(effect)] : nullptr;
}

} // namespace

void TKavoXMChannel::ProcessEffects(const TKavoXMPatternNote& note) {
    const int32_t delay = NoteDueTick(note);
    // The delayed row is processed on its tick, in pattern channels only.
    if (delay > 0 && delay == CurrentTick && !Passive && !Background) ProcessRow(note);
    PeriodDelta = 0;
    VolumeDelta = 0;
    TickVolumeColumn(note, delay);
    if (delay == CurrentTick) return;
    TickEffect(note);
}

void TKavoXMChannel::RowEffect(const TKavoXMPatternNote& note) {
    if (const TKavoXMEffectHandler handler = Lookup(RowTable, note.Effect)) handler(*this, note);
}

void TKavoXMChannel::TickEffect(const TKavoXMPatternNote& note) {
    // A background copy keeps the row it took over long after that row has passed; it must
    // not go on sliding the song's global volume.
    if (Passive && note.Effect == GlobalVolumeSlideEffect) return;
    if (const TKavoXMEffectHandler handler = Lookup(TickTable, note.Effect)) handler(*this, note);
}
