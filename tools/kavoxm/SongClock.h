#pragma once
// Song time of `kavoxm play`: how long a song lasts and where in time each order entry is
// first reached (in the first pass), found by running the sequencer alone (nothing is mixed), with
// bounded work.
#include <array>
#include <cstdint>
#include <vector>

struct SongTimes {
    uint64_t Frames = 0;     // length of the passes scanned, or how far the scan got
    bool Ends = false;       // the last pass ended within the scan
    uint64_t PassFrames = 0; // length of the first pass, or how far the scan got
    bool PassEnds = false;   // the first pass ended within the scan
    bool Unknown = true;     // the image did not load, or the scan ran out of time at once
    std::array<int64_t, 256> OrderStart; // first frame of each order entry; -1 not reached

    SongTimes() { OrderStart.fill(-1); }
};

// Scans `passes` passes of the song at `rate` from order entry `startOrder`, at most
// MaxRenderSeconds of song time and at most `budgetSeconds` of work.
SongTimes ScanSongTimes(const std::vector<uint8_t>& image, int32_t rate, uint32_t passes,
                        double budgetSeconds, int32_t startOrder = 0);
