#pragma once
// Song time of a few passes from one start, in one scan: how long the first pass lasts, where in
// it each order entry is first read, and how long all the passes last. Bounded by work and song
// time like every song scan, so the answer does not depend on the machine's load.
#include "KavoXM/song/SongScan.h"

#include <cstdint>
#include <vector>

struct PassTimes {
    SongScan First;         // the first pass
    SongScan All;           // every pass: Ends only when the last one ends within the limits
    OrderFrames OrderStart; // first frame of the first pass reading each entry; -1 where none

    PassTimes() { OrderStart.fill(-1); }
};

// Scans `passes` passes (at least one) of the song in `image` at `rate`, from order entry
// `startOrder`, row 0, as after the player's SetPosition; loads no sample values. The cap counts
// from the start across all passes; the work budget holds for each pass, and the limits' Total
// for all of them. First.End is NoSong
// when the image does not load or the start is not a row of the song.
PassTimes ScanPassTimes(const std::vector<uint8_t>& image, int32_t rate, uint32_t passes,
                        int32_t startOrder = 0, const SongScanLimits& limits = {});
