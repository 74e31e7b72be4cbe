#pragma once
// A jump to an order entry and row that the host queues for a later row boundary. It acts as a
// position jump and pattern break written, after every channel's own effects, in the row that
// ends at that boundary.
#include <cstdint>

class TKavoXMModule;

enum class TKavoXMJumpWhen : int32_t {
    NextRow = 0,    // at the end of the row playing
    Rows = 1,       // at the end of a group of N rows counted from the pattern's row 0
    PatternEnd = 2, // at the end of the pattern playing
    SongEnd = 3,    // where the song would end its pass
};

struct TKavoXMQueuedJump {
    bool Pending = false;
    int32_t Order = 0;
    int32_t Row = 0;
    TKavoXMJumpWhen When = TKavoXMJumpWhen::NextRow;
    int32_t Rows = 1; // group length for TKavoXMJumpWhen::Rows

    // Whether the row that has just ended (PlayingOrder, PlayingRow) is the one the jump is
    // written at. Called before the next row is read.
    bool Due(TKavoXMModule& m) const;
    // Moves the song to the jump's target as the written jump would, and clears the jump.
    void Take(TKavoXMModule& m);
};
