#pragma once
// A synthesized XM image for the benchmark: many channels playing long looped 16-bit samples
// with panning, vibrato and volume slides, so that every voice mixes on every frame.
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

namespace bench {

class XmWriter {
  public:
    std::vector<uint8_t> bytes;

    void U8(uint32_t v) { bytes.push_back(uint8_t(v)); }
    void U16(uint32_t v) {
        U8(v & 0xFF);
        U8(v >> 8);
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Text(const std::string& s, size_t width) {
        for (size_t i = 0; i < width; ++i) U8(i < s.size() ? uint8_t(s[i]) : 0);
    }
    void Zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
};

struct Cell {
    uint8_t note = 0, instrument = 0, volume = 0, effect = 0, parameter = 0;
};

// channels: pattern channels (up to 32 here); frames: length of each looped sample.
inline std::vector<uint8_t> StressModule(int32_t channels = 32, int32_t frames = 65536,
                                         int32_t orders = 4) {
    constexpr int32_t instruments = 8, rows = 64;
    XmWriter w;
    w.Text("Extended Module: ", 17);
    w.Text("stress", 20);
    w.U8(0x1A);
    w.Text("kavoxm bench", 20);
    w.U16(0x0104);
    w.U32(276);
    w.U16(uint32_t(orders));
    w.U16(0);
    w.U16(uint32_t(channels));
    w.U16(1); // patterns
    w.U16(instruments);
    w.U16(1); // linear frequencies
    w.U16(6);
    w.U16(125);
    w.Zeros(256); // every order plays pattern 0

    std::vector<Cell> cells(size_t(rows * channels));
    for (int32_t c = 0; c < channels; ++c) {
        for (int32_t r : {0, 32}) {
            Cell& cell = cells[size_t(r * channels + c)];
            cell.note = uint8_t(37 + (c * 5 + r) % 36);
            cell.instrument = uint8_t(c % instruments + 1);
            cell.volume = uint8_t(0x10 + 32 + c % 32);
            cell.effect = 8; // panning across the field
            cell.parameter = uint8_t((c * 255) / (channels > 1 ? channels - 1 : 1));
        }
        for (int32_t r = 1; r < rows; ++r) {
            if (r == 32) continue;
            Cell& cell = cells[size_t(r * channels + c)];
            if (c % 2 == 0) {
                cell.effect = 4; // vibrato: the increment changes every tick
                cell.parameter = 0x44;
            } else if (r % 16 == 8) {
                cell.effect = 0xA; // volume slides: ramps on every tick
                cell.parameter = (r / 16) % 2 ? 0x20 : 0x02;
            }
        }
    }
    w.U32(9);
    w.U8(0);
    w.U16(rows);
    w.U16(uint32_t(rows * channels * 5));
    for (const Cell& cell : cells) {
        w.U8(cell.note);
        w.U8(cell.instrument);
        w.U8(cell.volume);
        w.U8(cell.effect);
        w.U8(cell.parameter);
    }

    for (int32_t i = 0; i < instruments; ++i) {
        w.U32(263);
        w.Text("instrument", 22);
        w.U8(0);
        w.U16(1);
        w.U32(40);
        w.Zeros(96);     // every note plays sample 0
        w.Zeros(48 * 2); // envelopes unused
        w.Zeros(2 + 6 + 2 + 4);
        w.U16(0); // fade-out
        w.U16(0);
        w.Zeros(20);
        w.U32(uint32_t(frames * 2)); // 16-bit: bytes
        w.U32(0);
        w.U32(uint32_t(frames * 2));
        w.U8(64);
        w.U8(0);
        w.U8(0x10 | (i % 2 ? 2 : 1)); // 16-bit, forward or ping-pong loop
        w.U8(128);
        w.U8(0);
        w.U8(0);
        w.Text("sample", 22);
        int16_t previous = 0;
        for (int32_t f = 0; f < frames; ++f) {
            const double t = double(f) / frames;
            const double v = std::sin(2 * std::numbers::pi * 64 * t) * 0.5 +
                             std::sin(2 * std::numbers::pi * (193 + i) * t) * 0.3;
            const int16_t value = int16_t(std::lround(v * 30000));
            w.U16(uint16_t(value - previous));
            previous = value;
        }
    }
    return w.bytes;
}

} // namespace bench
