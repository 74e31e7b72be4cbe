#include "KavoXM/sequencer/GameState.h"

#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"

void TKavoXMGameState::Restart() {
    Jump.Pending = false;
    RowRead = false;
    LastOrder = -1;
    Next = Landing::None;
}

void TKavoXMGameState::Emit(TKavoXMEventType type, int32_t a, int32_t b, int32_t c) {
    if ((EventMask >> (uint32_t(type) - 1u) & 1u) == 0) return;
    Events.Push(TKavoXMSongEvent{type, TickFrame, a, b, c});
}

void TKavoXMGameState::BeforeRow(TKavoXMModule& m) {
    Passes = m.SongEndCount;
    RowMark = Events.Size();
    if (RowRead && Jump.Due(m)) {
        Jump.Take(m);
        Next = Landing::Queued;
    }
}

// The row's events come before the notes its channels started (pushed meanwhile).
void TKavoXMGameState::AfterRow(TKavoXMModule& m) {
    const int32_t notes = Events.Size() - RowMark;
    if (m.SongEndCount != Passes) Emit(TKavoXMEventType::SongEnd, int32_t(m.SongEndCount), 0, 0);
    if (m.PlayingOrder >= 0) {
        const int32_t pattern = m.Orders[size_t(m.PlayingOrder)];
        if (m.PlayingOrder != LastOrder || !RowRead)
            Emit(TKavoXMEventType::Order, m.PlayingOrder, pattern, 0);
        Emit(TKavoXMEventType::Row, m.PlayingOrder, pattern, m.PlayingRow);
        if (Next == Landing::Loop)
            Emit(TKavoXMEventType::LoopJump, m.PlayingOrder, pattern, m.PlayingRow);
        if (Next == Landing::Queued)
            Emit(TKavoXMEventType::JumpTaken, m.PlayingOrder, pattern, m.PlayingRow);
    }
    Events.MoveLastBefore(RowMark, Events.Size() - RowMark - notes);
    if (m.PlayingOrder < 0) return;
    // A jump requested without a song jump is a pattern loop's: it lands on the next row read.
    Next = m.JumpPending && !m.SongJumpPending ? Landing::Loop : Landing::None;
    LastOrder = m.PlayingOrder;
    RowRead = true;
}

void TKavoXMGameState::Tick(TKavoXMModule& m, bool rowTick) {
    Fades.Tick(m, *this);
    Effects.Tick(rowTick, *this);
}

void TKavoXMGameState::NoteStarted(const TKavoXMChannel& c, int32_t note) {
    if (c.Module == nullptr || c.Passive || c.Background || c.Index < 0 ||
        c.Index >= TKavoXMModule::BankSize ||
        c.Module->PatternChannels[size_t(c.Index)].get() != &c)
        return;
    int32_t instrument = 0;
    for (int32_t i = 1; i <= TKavoXMModule::MaxInstruments && instrument == 0; ++i)
        if (c.Module->Instruments[size_t(i)].get() == c.Instrument) instrument = i;
    Emit(TKavoXMEventType::Note, c.Index, note, instrument);
}
