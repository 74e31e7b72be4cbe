#include "KavoXM/sequencer/QueuedJump.h"

#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/SongEnd.h"

#include <algorithm>

namespace {

int32_t RowsOf(const TKavoXMModule& m, int32_t order) {
    return m.Patterns[m.Orders[size_t(order)]]->RowCount;
}

int32_t SongLengthOf(const TKavoXMModule& m) {
    return std::clamp(m.SongLength, 0, TKavoXMModule::MaxOrders);
}

// The row ending now is the last of its pattern, or the song's own jump leaves it.
bool PatternEnds(const TKavoXMModule& m) {
    return m.PlayingRow + 1 >= RowsOf(m, m.PlayingOrder) || m.SongJumpLanding;
}

// Whether the next row tick ends the pass: it wraps past the last order entry, or the row it
// reads repeats the pass (a jump onto a played row, or a state met before). The walk over
// order entries without rows follows the sequencer's, without changing anything for good.
bool PassEnds(TKavoXMModule& m) {
    int32_t order = m.CurrentOrder;
    int32_t row = m.CurrentRow;
    int32_t next = m.NextPatternRow;
    for (int32_t examined = 0;; ++examined) {
        if (order >= SongLengthOf(m) || examined > TKavoXMModule::MaxOrders) return true;
        if (RowsOf(m, order) > row) break;
        ++order;
        row = order < SongLengthOf(m) && next >= RowsOf(m, order) ? 0 : next;
        next = 0;
    }
    const int32_t savedOrder = m.CurrentOrder;
    const int32_t savedRow = m.CurrentRow;
    m.CurrentOrder = order;
    m.StoreCurrentRow(row);
    const bool repeats = songend::RepeatsPass(m, songend::StateOf(m), m.SongJumpLanding);
    m.CurrentOrder = savedOrder;
    m.StoreCurrentRow(savedRow);
    return repeats;
}

} // namespace

bool TKavoXMQueuedJump::Due(TKavoXMModule& m) const {
    if (!Pending || m.PlayingOrder < 0 || m.PlayingOrder >= SongLengthOf(m)) return false;
    switch (When) {
    case TKavoXMJumpWhen::NextRow:
        return true;
    case TKavoXMJumpWhen::Rows:
        return (m.PlayingRow + 1) % std::max(Rows, 1) == 0 || PatternEnds(m);
    case TKavoXMJumpWhen::PatternEnd:
        return PatternEnds(m);
    case TKavoXMJumpWhen::SongEnd:
        return PassEnds(m);
    }
    return false;
}

void TKavoXMQueuedJump::Take(TKavoXMModule& m) {
    Pending = false;
    // A position jump then a pattern break on the row: the break keeps the jump's order and
    // sets the row; both cancel a pattern loop's hand-over and may end the pass.
    m.CurrentOrder = Order;
    m.StoreCurrentRow(Row);
    m.NextPatternRow = 0;
    m.SongJumpLanding = true;
}
