#pragma once
// Songs and helpers for the tests of queued jumps, events, sound effects and fades.
#include "capi/CapiSongs.h"

#include <cstdint>
#include <vector>

namespace gamesongs {

using xmbuilder::XMCell;

// The busy song of the C API tests on three order entries with patterns of their own (0 1 2),
// and two channels left empty for the jumps a test writes into it.
inline xmbuilder::XMSong Sections() {
    xmbuilder::XMSong song = capisongs::Busy();
    song.Channels = 6;
    song.SongLength = 3;
    return song;
}

// Writes a position jump to `order` and a pattern break to `row` into the empty channels of
// `pattern`'s row `at`.
inline void WriteJump(xmbuilder::XMSong& song, int32_t pattern, int32_t at, int32_t order,
                      int32_t row) {
    auto& cells = song.Patterns[size_t(pattern)];
    cells.Put(at, 4, XMCell{0, 0, 0, 0xB, uint8_t(order)});
    cells.Put(at, 5, XMCell{0, 0, 0, 0xD, uint8_t((row / 10) << 4 | row % 10)});
}

inline std::vector<kavoxm_event> ReadAll(kavoxm_module* m) {
    std::vector<kavoxm_event> events;
    kavoxm_event buffer[64];
    for (int32_t n; (n = kavoxm_read_events(m, buffer, 64)) > 0;)
        events.insert(events.end(), buffer, buffer + n);
    return events;
}

// Renders to the end (stereo mix values at 44,100 Hz, calls of `chunk` frames), collecting the
// events after each call.
inline std::vector<int32_t> RenderWithEvents(kavoxm_module* m, std::vector<kavoxm_event>& events,
                                             size_t chunk = 1000) {
    std::vector<int32_t> out;
    std::vector<int32_t> buffer(chunk * 2);
    for (;;) {
        const int64_t n = kavoxm_render_mix(m, 44100, 2, buffer.data(), chunk);
        const auto read = ReadAll(m);
        events.insert(events.end(), read.begin(), read.end());
        if (n <= 0) break;
        out.insert(out.end(), buffer.begin(), buffer.begin() + n * 2);
    }
    return out;
}

inline std::vector<kavoxm_event> OfType(const std::vector<kavoxm_event>& events, int32_t type) {
    std::vector<kavoxm_event> kept;
    for (const kavoxm_event& e : events)
        if (e.type == type) kept.push_back(e);
    return kept;
}

} // namespace gamesongs
