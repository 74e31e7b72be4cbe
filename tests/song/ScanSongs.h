#pragma once
// Songs built in code for the song-length scan and subsong finder tests.
#include "xmbuilder/XMBuilder.h"

#include <cstdint>
#include <vector>

namespace scansongs {

constexpr int32_t Rate = 44100;

inline xmbuilder::XMCell Fx(uint8_t effect, uint8_t parameter) {
    return {0, 0, 0, effect, parameter};
}

// Empty patterns of the given row counts, played in the order given.
inline xmbuilder::XMSong Plain(int32_t channels, std::vector<uint16_t> rows,
                               std::vector<uint8_t> orders) {
    xmbuilder::XMSong song;
    song.Channels = uint16_t(channels);
    for (uint16_t r : rows) {
        xmbuilder::XMPattern p;
        p.Rows = r;
        song.Patterns.push_back(p);
    }
    song.SongLength = uint16_t(orders.size());
    for (size_t i = 0; i < orders.size(); ++i) song.Orders[i] = orders[i];
    return song;
}

} // namespace scansongs
