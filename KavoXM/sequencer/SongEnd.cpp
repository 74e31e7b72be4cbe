#include "KavoXM/sequencer/SongEnd.h"

#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"

#include <algorithm>
#include <atomic>
#include <cstddef>

namespace songend {

namespace {

constexpr int32_t TrackedRows = 256; // rows per order entry recorded as played

bool Tracked(int32_t order, int32_t row) {
    return order >= 0 && order < TKavoXMModule::MaxOrders && row >= 0 && row < TrackedRows;
}

size_t RowBit(int32_t order, int32_t row) {
    return size_t(order) * TrackedRows + size_t(row);
}

bool WasPlayed(const TKavoXMModule& m, int32_t order, int32_t row) {
    if (!Tracked(order, row)) return false;
    const size_t bit = RowBit(order, row);
    return (m.PlayedRows[bit / 64] >> (bit % 64)) & 1;
}

void MarkPlayed(TKavoXMModule& m, int32_t order, int32_t row) {
    if (!Tracked(order, row)) return;
    const size_t bit = RowBit(order, row);
    m.PlayedRows[bit / 64] |= uint64_t(1) << (bit % 64);
}

// One step of a 64-bit mix: every input bit affects every output bit.
uint64_t Mix(uint64_t hash, uint64_t value) {
    uint64_t z = hash ^ value;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

uint64_t Word(int32_t high, int32_t low) {
    return (uint64_t(uint32_t(high)) << 32) | uint32_t(low);
}

constexpr uint32_t SlotMask = TKavoXMStateRecord::Slots - 1;

bool TableHolds(const TKavoXMStateRecord& r, uint64_t state) {
    if (!r.Hashes) return false;
    for (uint32_t slot = uint32_t(state) & SlotMask;; slot = (slot + 1) & SlotMask) {
        if (r.Hashes[slot] == state) return true;
        if (r.Hashes[slot] == 0) return false; // the table is never full: a free slot ends
    }
}

void TableAdd(TKavoXMStateRecord& r, uint64_t state) {
    if (!r.Hashes || r.Count >= TKavoXMStateRecord::Capacity) return;
    uint32_t slot = uint32_t(state) & SlotMask;
    while (r.Hashes[slot] != 0) {
        if (r.Hashes[slot] == state) return;
        slot = (slot + 1) & SlotMask;
    }
    r.Hashes[slot] = state;
    ++r.Count;
}

} // namespace

uint64_t StateOf(const TKavoXMModule& m) {
    uint64_t hash = Mix(Word(m.CurrentOrder, m.CurrentRow), 0x4B61766F584D0001u);
    hash = Mix(hash, Word(m.GlobalVolume, int32_t(m.Speed) << 8 | m.Tempo));
    const int32_t channels = std::clamp(m.ChannelCount, 0, TKavoXMModule::BankSize);
    for (int32_t i = 0; i < channels; ++i) {
        const TKavoXMChannel& c = *m.PatternChannels[size_t(i)];
        const uint64_t loop = uint64_t(uint32_t(c.PatternLoopRow)) |
                              uint64_t(uint16_t(c.PatternLoopCount)) << 32 |
                              uint64_t(c.PatternLoopActive ? 1 : 2) << 48;
        hash = Mix(hash, loop);
    }
    return hash == 0 ? 1 : hash;
}

bool RepeatsPass(const TKavoXMModule& m, uint64_t state, bool jumpLanding) {
    if (jumpLanding && WasPlayed(m, m.CurrentOrder, m.CurrentRow)) return true;
    return TableHolds(m.PlayedStates, state) || state == m.PlayedStates.Saved;
}

void EndPass(TKavoXMModule& m) {
    std::atomic_ref<uint32_t>(m.SongEndCount).fetch_add(1, std::memory_order_relaxed);
    ForgetPass(m);
}

void RecordRow(TKavoXMModule& m, uint64_t state) {
    MarkPlayed(m, m.CurrentOrder, m.CurrentRow);
    TKavoXMStateRecord& r = m.PlayedStates;
    TableAdd(r, state);
    // Cycle check for passes longer than the table: the saved state is replaced after 1, 2,
    // 4, ... states, so once the window covers a cycle the repeat meets the saved state.
    if (++r.Steps >= r.Window) {
        r.Saved = state;
        r.Steps = 0;
        r.Window *= 2;
    }
}

void ForgetPass(TKavoXMModule& m) {
    m.PlayedRows.fill(0);
    TKavoXMStateRecord& r = m.PlayedStates;
    if (r.Hashes && r.Count > 0) std::fill_n(r.Hashes.get(), TKavoXMStateRecord::Slots, 0);
    r.Count = 0;
    r.Saved = 0;
    r.Steps = 0;
    r.Window = 1;
}

} // namespace songend
