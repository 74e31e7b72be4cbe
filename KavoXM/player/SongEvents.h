#pragma once
// What began while the song was mixed, stamped with the frame it began on, and the bounded
// queue a host reads it from.
#include <cstdint>
#include <memory>

// Kinds of events; the numbers are the C API's.
enum class TKavoXMEventType : int32_t {
    Row = 1,       // A order, B pattern, C row
    Order = 2,     // A order, B pattern: a new order entry begins
    LoopJump = 3,  // A order, B pattern, C row: a pattern loop jumped back to that row
    JumpTaken = 4, // A order, B pattern, C row: a queued jump landed there
    SongEnd = 5,   // A completed passes
    Note = 6,      // A channel, B note 1..96, C instrument 1..255
    FadeEnd = 7,   // A channel (-1: the master volume), B the volume reached
    EffectEnd = 8, // A sound-effect id: the voice fell silent
};

struct TKavoXMSongEvent {
    TKavoXMEventType Type = TKavoXMEventType::Row;
    int64_t Frame = 0; // frames mixed since the stream began
    int32_t A = 0, B = 0, C = 0;
};

// A ring of events in frame order, allocated once. A push into a full queue drops the new
// event and counts it.
class TKavoXMEventQueue {
  public:
    static constexpr int32_t Capacity = 4096;

    TKavoXMEventQueue() : Ring(std::make_unique<TKavoXMSongEvent[]>(Capacity)) {}

    void Push(const TKavoXMSongEvent& event);
    int32_t Size() const { return Count; }
    const TKavoXMSongEvent& Front() const { return Ring[size_t(Head)]; }
    void PopFront();
    // Moves the events pushed since the queue held `mark` events behind the `count` pushed last
    // (so that a row's own events come before those of what happened in it).
    void MoveLastBefore(int32_t mark, int32_t count);
    // Forgets the events of frames at or past `frame` (mixed ahead and then dropped).
    void DropFrom(int64_t frame);
    void Clear() { Head = Count = 0; }
    uint64_t Overflows() const { return Overflowed; }

  private:
    std::unique_ptr<TKavoXMSongEvent[]> Ring;
    int32_t Head = 0;
    int32_t Count = 0;
    uint64_t Overflowed = 0;
};
