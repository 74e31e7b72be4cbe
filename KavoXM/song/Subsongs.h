#pragma once
// Subsongs: tunes that share one order list. The first starts at order 0; an order entry
// that no earlier tune reaches starts another one (the lowest such entry first), until every
// entry is reached or cannot be played (its pattern has no rows). Each tune is measured the
// way a song's length is, from its start to its own end.
#include "KavoXM/song/SongScan.h"

#include <cstdint>
#include <vector>

struct Subsong {
    int32_t StartOrder = 0; // play it with the player's SetPosition(StartOrder, 0)
    SongScanEnd End = SongScanEnd::NoSong;
    uint64_t Frames = 0; // length when it ends; else the cap or the song time scanned
    bool Ends() const { return End == SongScanEnd::Ends; }
    double Seconds(int32_t rate) const { return rate > 0 ? double(Frames) / rate : 0.0; }
};

// The subsongs of a song and where in time each order entry is first reached.
struct SongMap {
    std::vector<Subsong> Subsongs;
    // Per order entry: the subsong that reaches it first (-1: none), and the frame of its
    // subsong's time at which that subsong first reads one of its rows.
    std::array<int32_t, 256> OrderSubsong;
    OrderFrames OrderStart;
    // The measurement ran out of its total work: the last subsong's length is unknown, and
    // order entries that no subsong reached may start further ones.
    bool Cut = false;
    uint64_t Work = 0; // spent by all the scans

    SongMap() {
        OrderSubsong.fill(-1);
        OrderStart.fill(-1);
    }
};

// The subsongs of the song in `image` at `rate`, in the order found (the first starts at
// order 0); empty when the image does not load. Each scan has at most the limits' Budget, and
// all of them together at most its Total: past that no further subsong is looked for.
std::vector<Subsong> FindSubsongs(const std::vector<uint8_t>& image, int32_t rate,
                                  const SongScanLimits& limits = {});

// The same on a loaded player (any position; left where the last scan stopped), with the time
// of every order entry.
SongMap MapSong(TKavoXM& player, const SongScanLimits& limits = {});
// The same from an image (no sample values are loaded).
SongMap MapSong(const std::vector<uint8_t>& image, int32_t rate, const SongScanLimits& limits = {});
