#pragma once
// Songs built in code for the C API tests, and a handle that frees itself.
#include "KavoXM/capi/kavoxm.h"
#include "xmbuilder/XMBuilder.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace capisongs {

using xmbuilder::XMCell;

struct HandleFree {
    void operator()(kavoxm_module* m) const { kavoxm_destroy(m); }
};
using Handle = std::unique_ptr<kavoxm_module, HandleFree>;

inline Handle Load(const std::vector<uint8_t>& image) {
    kavoxm_module* m = nullptr;
    if (kavoxm_load_memory(image.data(), image.size(), &m, nullptr) != KAVOXM_OK) return nullptr;
    return Handle(m);
}

// A sine-ish tone of `frames` frames (8-bit values) with the loop given.
inline xmbuilder::XMSample Tone(int32_t frames, int32_t period, uint8_t loopType,
                                uint32_t loopStart, uint32_t loopLength) {
    xmbuilder::XMSample s;
    for (int32_t i = 0; i < frames; ++i)
        s.Left.push_back(int32_t(100 * std::sin(6.2831853 * i / period)) + (i % 7) - 3);
    s.LoopType = loopType;
    s.LoopStartFrames = loopStart;
    s.LoopLengthFrames = loopLength;
    return s;
}

inline xmbuilder::XMInstrument Instrument(const xmbuilder::XMSample& sample) {
    xmbuilder::XMInstrument instrument;
    instrument.Samples.push_back(sample);
    return instrument;
}

// Three instruments: a forward loop, a ping-pong loop and a one-shot sample that runs out.
inline void AddInstruments(xmbuilder::XMSong& song) {
    song.Instruments.push_back(Instrument(Tone(3000, 37, 1, 1000, 1733)));
    song.Instruments.push_back(Instrument(Tone(2000, 23, 2, 300, 901)));
    song.Instruments.push_back(Instrument(Tone(5000, 51, 0, 0, 0)));
}

// Four channels over three patterns: notes of every instrument, key-offs, cuts, portamento,
// volume slides, a tempo and a speed change, notes that cut sounding ones (click removal) and
// a one-shot sample that ends on its own. Order list 0 1 2 1; about 9 s long.
inline xmbuilder::XMSong Busy() {
    xmbuilder::XMSong song;
    song.Channels = 4;
    song.SongLength = 4;
    song.Orders[0] = 0;
    song.Orders[1] = 1;
    song.Orders[2] = 2;
    song.Orders[3] = 1;
    AddInstruments(song);
    for (int32_t p = 0; p < 3; ++p) {
        xmbuilder::XMPattern pattern;
        pattern.Rows = 32;
        for (int32_t row = 0; row < 32; row += 4) {
            const auto note = uint8_t(37 + (row / 4 + p * 3) % 12);
            pattern.Put(row, 0, XMCell{note, 1, 0, 0, 0});
            pattern.Put(row + 2, 1, XMCell{uint8_t(note + 7), 2, 0x30, 0xA, 0x02});
        }
        pattern.Put(0, 2, XMCell{49, 3, 0, 0, 0});
        pattern.Put(6, 2, XMCell{61, 3, 0, 3, 0x08});
        pattern.Put(12, 2, XMCell{97, 0, 0, 0, 0});
        pattern.Put(16, 3, XMCell{40, 2, 0, 4, 0x46});
        pattern.Put(20, 3, XMCell{0, 0, 0, 0xE, 0xC3});
        pattern.Put(24, 3, XMCell{52, 1, 0, 1, 0x10});
        if (p == 1) pattern.Put(8, 3, XMCell{0, 0, 0, 0xF, 0x9A}); // tempo 154
        if (p == 2) pattern.Put(4, 2, XMCell{0, 0, 0, 0xF, 0x04}); // speed 4
        song.Patterns.push_back(pattern);
    }
    return song;
}

// One channel: a looped note held over 16 rows, then the song ends (no restart loop).
inline xmbuilder::XMSong Held(uint16_t rows = 16) {
    xmbuilder::XMSong song;
    song.Channels = 2;
    AddInstruments(song);
    xmbuilder::XMPattern pattern;
    pattern.Rows = rows;
    pattern.Put(0, 0, XMCell{49, 1, 0, 0, 0});
    pattern.Put(0, 1, XMCell{56, 2, 0x28, 0, 0});
    song.Patterns.push_back(pattern);
    return song;
}

// Ping-pong and one-shot voices at high pitch, fine volume slides and a pattern loop (E6x).
inline xmbuilder::XMSong Loops() {
    xmbuilder::XMSong song;
    song.Channels = 3;
    song.SongLength = 2;
    song.Orders[1] = 1;
    AddInstruments(song);
    for (int32_t p = 0; p < 2; ++p) {
        xmbuilder::XMPattern pattern;
        pattern.Rows = 24;
        pattern.Put(0, 0, XMCell{uint8_t(70 + p), 2, 0, 0, 0});
        pattern.Put(0, 1, XMCell{0, 0, 0, 0xE, 0x60});
        pattern.Put(3, 1, XMCell{25, 3, 0, 0, 0});
        pattern.Put(5, 2, XMCell{80, 3, 0x40, 0xE, 0xA2});
        pattern.Put(9, 1, XMCell{0, 0, 0, 0xE, 0x62});
        pattern.Put(14, 0, XMCell{0, 0, 0, 0xE, 0xB4});
        pattern.Put(18, 2, XMCell{60, 1, 0, 0xE, 0xD3});
        song.Patterns.push_back(pattern);
    }
    return song;
}

// Renders a handle to its end as mix values (stereo at `rate`), in calls of `chunk` frames.
inline std::vector<int32_t> RenderAll(kavoxm_module* m, int32_t rate, size_t chunk = 1000) {
    std::vector<int32_t> out;
    std::vector<int32_t> buffer(chunk * 2);
    for (;;) {
        const int64_t n = kavoxm_render_mix(m, rate, 2, buffer.data(), chunk);
        if (n <= 0) break;
        out.insert(out.end(), buffer.begin(), buffer.begin() + n * 2);
    }
    return out;
}

} // namespace capisongs
