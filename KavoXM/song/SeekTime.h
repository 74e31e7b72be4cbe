#pragma once
// Seeking by time: the song is played forward from where its player stands without mixing,
// its voices advanced exactly as the mixer would move them, up to the tick that holds the
// target frame.
#include <cstdint>

class TKavoXM;

struct SeekResult {
    uint64_t Frame = 0; // first frame of the tick reached, counted from where the seek began
    int32_t Phase = 0;  // that frame's place in a block of the render from the start
    bool Ended = false; // the song ended (pass endCount) before the target: Frame is its end
};

// Plays the player's song forward from a tick boundary at frame 0 of a render in blocks of
// `blockFrames` frames, to the tick holding frame `target` (or the tick at which pass
// `endCount` completes, when that comes first). That tick has been read and not mixed: mixing
// on from there (MixSpan from Phase) gives what the render from the start gives from that
// frame on, value for value.
SeekResult SeekToFrame(TKavoXM& player, uint64_t target, int32_t blockFrames, uint32_t endCount);
