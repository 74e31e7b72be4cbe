#include "Synth.h"

#include <algorithm>

namespace sombrevallis {
namespace {

constexpr double Pi = 3.14159265358979323846;

int8_t ToByte(double v) {
    const double scaled = v * 127.0;
    const double rounded = scaled < 0 ? scaled - 0.5 : scaled + 0.5;
    return int8_t(std::clamp(int(rounded), -127, 127));
}

// Fixed linear congruential generator for the noise of the drums.
class Noise {
  public:
    double Next() {
        State = State * 1664525u + 1013904223u;
        return double(int32_t(State >> 8) - (1 << 23)) / double(1 << 23);
    }

  private:
    uint32_t State = 0x5EB7A11u;
};

// exp(-x) for x >= 0 by repeated squaring of a short series; deterministic and accurate
// enough for envelopes.
double Decay(double x) {
    double y = x / 64.0;
    double e = 1.0 - y + y * y / 2.0 - y * y * y / 6.0;
    for (int i = 0; i < 6; ++i) e *= e;
    return e;
}

template <typename F> std::vector<int8_t> Cycle(int frames, F&& shape) {
    std::vector<int8_t> out(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) out[size_t(i)] = ToByte(shape(double(i) / frames));
    return out;
}

} // namespace

double Sine(double turns) {
    double t = turns - double(int64_t(turns));
    if (t < 0) t += 1.0;
    double x = 2.0 * Pi * t;
    if (x > Pi) x -= 2.0 * Pi;
    // Taylor series to x^15: error below 1e-6 on [-pi, pi].
    double term = x;
    double sum = x;
    for (int k = 1; k <= 7; ++k) {
        term *= -x * x / double((2 * k) * (2 * k + 1));
        sum += term;
    }
    return sum;
}

std::vector<int8_t> BassCycle() {
    return Cycle(64, [](double t) {
        double v = 0;
        for (int h = 1; h <= 6; ++h) v += Sine(h * t) / h;
        return v * 0.55;
    });
}

std::vector<int8_t> PadCycle() {
    return Cycle(64,
                 [](double t) { return 0.7 * Sine(t) + 0.2 * Sine(3 * t) + 0.08 * Sine(5 * t); });
}

std::vector<int8_t> LeadCycle() {
    return Cycle(64, [](double t) {
        double v = 0;
        for (int h = 1; h <= 9; ++h) v += Sine(h * 0.25) * Sine(h * t) / h; // 25% pulse
        return v * 0.9;
    });
}

std::vector<int8_t> BellCycle() {
    return Cycle(64,
                 [](double t) { return 0.6 * Sine(t) + 0.25 * Sine(2 * t) + 0.12 * Sine(3 * t); });
}

std::vector<int8_t> StringCycle() {
    // Two saws a tenth of a cycle apart in phase drift over the 128 frames of the loop.
    return Cycle(128, [](double t) {
        double v = 0;
        for (int h = 1; h <= 7; ++h) v += (Sine(2 * h * t) + Sine(2 * h * t + 0.1 * h * t)) / h;
        return v * 0.33;
    });
}

std::vector<int8_t> DroneCycle() {
    return Cycle(64, [](double t) { return 0.85 * Sine(t) + 0.1 * Sine(2 * t); });
}

std::vector<int8_t> Kick() {
    const int frames = 2600; // played at C-4: 8363 frames per second
    std::vector<int8_t> out(static_cast<size_t>(frames));
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        const double time = double(i) / 8363.0;
        const double freq = 45.0 + 120.0 * Decay(time * 28.0);
        phase += freq / 8363.0;
        out[size_t(i)] = ToByte(0.95 * Sine(phase) * Decay(time * 9.0));
    }
    return out;
}

std::vector<int8_t> Snare() {
    const int frames = 3000;
    std::vector<int8_t> out(static_cast<size_t>(frames));
    Noise noise;
    double phase = 0;
    double low = 0;
    for (int i = 0; i < frames; ++i) {
        const double time = double(i) / 8363.0;
        phase += 185.0 / 8363.0;
        const double n = noise.Next();
        low += 0.45 * (n - low);
        const double body = 0.45 * Sine(phase) * Decay(time * 30.0);
        const double rattle = 0.6 * (n - 0.5 * low) * Decay(time * 14.0);
        out[size_t(i)] = ToByte(body + rattle);
    }
    return out;
}

std::vector<int8_t> Hat() {
    const int frames = 1100;
    std::vector<int8_t> out(static_cast<size_t>(frames));
    Noise noise;
    double previous = 0;
    for (int i = 0; i < frames; ++i) {
        const double time = double(i) / 8363.0;
        const double n = noise.Next();
        out[size_t(i)] = ToByte(0.7 * (n - previous) * 0.5 * Decay(time * 45.0));
        previous = n;
    }
    return out;
}

} // namespace sombrevallis
