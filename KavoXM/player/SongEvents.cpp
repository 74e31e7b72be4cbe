#include "KavoXM/player/SongEvents.h"

#include <utility>

void TKavoXMEventQueue::Push(const TKavoXMSongEvent& event) {
    if (Count == Capacity) {
        ++Overflowed;
        return;
    }
    Ring[size_t((Head + Count) % Capacity)] = event;
    ++Count;
}

void TKavoXMEventQueue::PopFront() {
    if (Count == 0) return;
    Head = (Head + 1) % Capacity;
    --Count;
}

void TKavoXMEventQueue::MoveLastBefore(int32_t mark, int32_t count) {
    // Rotates entries mark .. Count - 1 right by `count`, one step at a time (a row's notes
    // are few).
    if (mark < 0 || count <= 0 || mark + count > Count) return;
    const auto at = [this](int32_t i) -> TKavoXMSongEvent& {
        return Ring[size_t((Head + i) % Capacity)];
    };
    for (int32_t moved = 0; moved < count; ++moved)
        for (int32_t i = Count - count + moved; i > mark + moved; --i) std::swap(at(i), at(i - 1));
}

void TKavoXMEventQueue::DropFrom(int64_t frame) {
    while (Count > 0 && Ring[size_t((Head + Count - 1) % Capacity)].Frame >= frame) --Count;
}
