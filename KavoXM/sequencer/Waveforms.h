#pragma once
// Modulation waveform tables shared by vibrato, tremolo and the instrument auto-vibrato. They are
// computed at compile time from their definitions.
#include <array>
#include <cstddef>
#include <cstdint>

namespace waveforms {

constexpr double Pi = 3.14159265358979323846;

// Sine of x by its Taylor series after reducing x to [-pi, pi]; accurate to well below the
// rounding step of the byte tables.
constexpr double Sine(double x) {
    while (x > Pi) x -= 2 * Pi;
    while (x < -Pi) x += 2 * Pi;
    double term = x;
    double sum = x;
    for (int k = 1; k < 30; ++k) {
        term *= -x * x / double((2 * k) * (2 * k + 1));
        sum += term;
    }
    return sum;
}

// Nearest integer, halves away from zero.
constexpr int32_t Round(double v) {
    return v >= 0 ? int32_t(v + 0.5) : -int32_t(-v + 0.5);
}

constexpr std::array<int8_t, 64> RandomWave = {
    88,  -127, -43, 88,  102, 41,  -65, -94,  125, 20,  -71, -86,  -70, -32, -16,  -96,
    17,  72,   107, -5,  116, -69, -62, -40,  10,  -61, 65,  109,  -18, -38, -13,  -76,
    -23, 88,   21,  -94, 8,   106, 21,  -112, 6,   109, 20,  -88,  -30, 9,   -127, 118,
    42,  -34,  89,  -4,  -51, -72, 21,  -29,  112, 123, 84,  -101, -92, 98,  -54,  -95};

constexpr std::array<std::array<int8_t, 64>, 4> MakeVibratoWaveforms() {
    std::array<std::array<int8_t, 64>, 4> table{};
    for (int32_t i = 0; i < 64; ++i) {
        table[0][size_t(i)] = int8_t(Round(127.0 * Sine(2 * Pi * i / 64)));
        table[1][size_t(i)] = int8_t(i < 32 ? -4 * i : 127 - 4 * (i - 32));
        table[2][size_t(i)] = int8_t(i < 32 ? 127 : -127);
        table[3][size_t(i)] = RandomWave[size_t(i)];
    }
    return table;
}

constexpr std::array<int8_t, 256> MakeAutoVibratoSine() {
    std::array<int8_t, 256> table{};
    for (int32_t p = 0; p < 256; ++p)
        table[size_t(p)] = int8_t(Round(-64.0 * Sine(2 * Pi * p / 256)));
    return table;
}

} // namespace waveforms

// Vibrato and tremolo: sine, ramp, square and random, 64 steps each.
inline constexpr std::array<std::array<int8_t, 64>, 4> VibratoWaveforms =
    waveforms::MakeVibratoWaveforms();

// Instrument auto-vibrato sine: entry p = -64 sin(2 pi p / 256), rounded.
inline constexpr std::array<int8_t, 256> AutoVibratoSine = waveforms::MakeAutoVibratoSine();
