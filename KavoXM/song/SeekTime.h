#pragma once
// Seeking by time: the song is played forward from where its player stands without mixing,
// its voices advanced exactly as the mixer would move them, up to the tick that holds the
// target frame.
#include "KavoXM/song/SongScan.h"

#include <cstdint>
#include <functional>

class TKavoXM;

// A tick of a seek costs SeekWorkFactor times a scan's (SongScan.h), plus the background voices
// it moves on: it also computes every voice's output and advances the voices. Work allowed to
// one seek: some seconds of the busiest songs, a quarter of an hour or more of ordinary ones.
constexpr uint64_t SeekWorkFactor = 16;
constexpr uint64_t SeekBudget = SongMeasureBudget;

struct SeekResult {
    uint64_t Frame = 0; // first frame of the tick reached, counted from where the seek began
    int32_t Phase = 0;  // that frame's place in a block of the render from the start
    bool Ended = false; // the song ended (pass endCount) before the target: Frame is its end
    bool Cut = false;   // the work ran out (or a stop was asked for) first: Frame is where
    uint64_t Work = 0;
};

// Called at every tick boundary of a seek, before the tick is read, with its frame; false stops
// the seek there (its result is then Cut).
using SeekVisit = std::function<bool(uint64_t frame)>;

// Plays the player's song forward from a tick boundary at frame `from` of a render in blocks
// of `blockFrames` frames, to the tick holding frame `target` (or the tick at which pass
// `endCount` completes, when that comes first). That tick has been read and not mixed: mixing
// on from there (MixSpan from Phase) gives what the render from the start gives from that
// frame on, value for value.
SeekResult SeekToFrame(TKavoXM& player, uint64_t target, int32_t blockFrames, uint32_t endCount,
                       uint64_t from = 0, uint64_t budget = SeekBudget,
                       const SeekVisit* visit = nullptr);
