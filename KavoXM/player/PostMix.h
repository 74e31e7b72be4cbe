#pragma once
// The stage after the mixer: gain and stereo separation on the 32-bit mix (16-bit scale x
// 4096), then conversion to an output sample format. With no gain and the
// song's own separation the mix passes unchanged, so 8- and 16-bit output is byte for byte
// what the engine writes to a device.
#include <cstddef>
#include <cstdint>

enum class SampleFormat { U8, S16, S24, F32 };

int32_t BytesPerSample(SampleFormat format);
// Room ConvertMix needs per value: 8-bit output goes through 16 bits in place.
inline size_t ConvertBytesPerSample(SampleFormat format) {
    return format == SampleFormat::U8 ? 2 : size_t(BytesPerSample(format));
}

struct PostMix {
    double GainDb = 0;
    int32_t Separation = 100; // percent of the side signal kept: 0 mono, 200 twice as wide

    bool Identity() const { return GainDb == 0 && Separation == 100; }
    // Changes `frames` frames of interleaved mix values in place.
    void Apply(int32_t* mix, int32_t frames, int32_t channels) const;
};

// Writes `count` mix values as little-endian samples of `format` to `out`, which has room for
// count x ConvertBytesPerSample(format) bytes. 8 and 16 bits are
// the engine's own conversion; 24 bits divide by 16 truncating toward zero; float is the
// mix / (32768 x 4096) and never clips. `clip` false lets integer samples wrap.
void ConvertMix(const int32_t* mix, size_t count, SampleFormat format, bool clip, uint8_t* out);

// A mix value as float, full scale 1.0: mix / (32768 x 4096), never clipped.
float MixToFloat(int32_t mix);

// The largest absolute value of `count` mix values, as a fraction of 16-bit full scale.
double PeakLevel(const int32_t* mix, size_t count);
