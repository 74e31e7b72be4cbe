#include "KavoXM/player/PostMix.h"

#include "KavoXM/player/PcmConvert.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double FullScale = 32768.0 * 4096.0; // mix value of a full-scale 16-bit sample

int32_t ToMix(double value) {
    const double limited = std::clamp(value, double(INT32_MIN), double(INT32_MAX));
    return int32_t(std::lround(limited));
}

void Put24(uint8_t* out, int32_t mix, bool clip) {
    int32_t v = mix / 16;
    if (clip) v = std::clamp(v, -(1 << 23), (1 << 23) - 1);
    const auto u = uint32_t(v);
    out[0] = uint8_t(u);
    out[1] = uint8_t(u >> 8);
    out[2] = uint8_t(u >> 16);
}

} // namespace

float MixToFloat(int32_t mix) {
    return float(double(mix) / FullScale);
}

namespace {

void PutFloat(uint8_t* out, int32_t mix) {
    const float f = MixToFloat(mix);
    uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    for (int i = 0; i < 4; ++i) out[i] = uint8_t(bits >> (8 * i));
}

} // namespace

int32_t BytesPerSample(SampleFormat format) {
    switch (format) {
    case SampleFormat::U8:
        return 1;
    case SampleFormat::S16:
        return 2;
    case SampleFormat::S24:
        return 3;
    case SampleFormat::F32:
        return 4;
    }
    return 2;
}

void PostMix::Apply(int32_t* mix, int32_t frames, int32_t channels) const {
    if (Identity()) return;
    const double gain = std::pow(10.0, GainDb / 20.0);
    const double width = channels == 2 ? Separation / 100.0 : 1.0;
    for (int32_t f = 0; f < frames; ++f) {
        int32_t* frame = mix + size_t(f) * size_t(channels);
        if (channels == 2) {
            const double mid = (double(frame[0]) + frame[1]) / 2;
            const double side = (double(frame[0]) - frame[1]) / 2 * width;
            frame[0] = ToMix((mid + side) * gain);
            frame[1] = ToMix((mid - side) * gain);
        } else {
            frame[0] = ToMix(frame[0] * gain);
        }
    }
}

void ConvertMix(const int32_t* mix, size_t count, SampleFormat format, bool clip, uint8_t* out) {
    switch (format) {
    case SampleFormat::U8:
        ConvertMixTo16(mix, int32_t(count), clip, out);
        Convert16To8InPlace(out, int32_t(count));
        return;
    case SampleFormat::S16:
        ConvertMixTo16(mix, int32_t(count), clip, out);
        return;
    case SampleFormat::S24:
        for (size_t i = 0; i < count; ++i) Put24(out + 3 * i, mix[i], clip);
        return;
    case SampleFormat::F32:
        for (size_t i = 0; i < count; ++i) PutFloat(out + 4 * i, mix[i]);
        return;
    }
}

double PeakLevel(const int32_t* mix, size_t count) {
    int64_t peak = 0;
    for (size_t i = 0; i < count; ++i) peak = std::max(peak, std::abs(int64_t(mix[i])));
    return double(peak) / FullScale;
}
