// XM sample data: loop checks on the length actually present, delta decoding of 8/16-bit
// mono/stereo data and 4-bit compressed 8-bit data into 32-bit values, and the conversion of
// lengths from bytes to frames.
#include "KavoXM/module/Module.h"
#include "KavoXM/module/XMReader.h"

#include <climits>

namespace kavoxm::xm {
namespace {

constexpr int64_t MaxSampleBytes = int64_t(1) << 30;
constexpr int64_t CompressedTableSize = 16;

int32_t Saturate32(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return int32_t(value);
}

// Loop checks in byte units on the length that will be decoded: a loop starting at or past
// the end is switched off, one running past the end is shortened, an empty one switched off.
void ApplyLengthAndLoop(TKavoXMSample& sample, const TSampleHeader& header, int64_t length) {
    int32_t type = header.Type & 3;
    const int64_t loopStart = header.LoopStart;
    int64_t loopLength = header.LoopLength;
    if (loopStart >= length) type = 0;
    if (loopStart + loopLength > length) loopLength = length - loopStart;
    if (loopLength == 0) type = 0;
    sample.Length = Saturate32(length);
    sample.LoopStart = Saturate32(loopStart);
    sample.LoopLength = Saturate32(loopLength);
    sample.LoopEnabled = type != 0;
    sample.PingPongLoop = (type & 2) != 0;
    if (sample.Length > MaxSampleBytes) {
        sample.Length = int32_t(MaxSampleBytes);
        if (sample.Length < sample.LoopStart) {
            sample.LoopStart = 0;
            sample.LoopEnabled = false;
        } else if (int64_t(sample.LoopStart) + sample.LoopLength > sample.Length) {
            // Keep the loop inside the data that is kept.
            sample.LoopLength = sample.Length - sample.LoopStart;
            if (sample.LoopLength == 0) sample.LoopEnabled = false;
        }
    }
}

void Decode8(TKavoXMSample& sample, const uint8_t* in, int64_t bytes) {
    if (!sample.AllocateData(bytes) || sample.Data == nullptr) return;
    int32_t* out = sample.Data;
    if (sample.Channels == 2) {
        const int64_t half = bytes / 2;
        for (int64_t c = 0; c < 2; ++c) {
            uint8_t s = 0;
            for (int64_t k = 0; k < half; ++k) {
                s = uint8_t(s + in[c * half + k]);
                out[2 * k + c] = int32_t(int8_t(s)) * 256;
            }
        }
        return;
    }
    uint8_t s = 0;
    for (int64_t k = 0; k < bytes; ++k) {
        s = uint8_t(s + in[k]);
        out[k] = int32_t(int8_t(s)) * 256;
    }
}

void Decode16(TKavoXMSample& sample, const uint8_t* in, int64_t bytes) {
    if (!sample.AllocateData(bytes / 2) || sample.Data == nullptr) return;
    int32_t* out = sample.Data;
    if (sample.Channels == 2) {
        const int64_t half = bytes / 4;
        for (int64_t c = 0; c < 2; ++c) {
            uint16_t s = 0;
            for (int64_t k = 0; k < half; ++k) {
                s = uint16_t(s + Le16(in + 2 * (c * half + k)));
                out[2 * k + c] = int16_t(s);
            }
        }
        return;
    }
    uint16_t s = 0;
    for (int64_t k = 0; k < bytes / 2; ++k) {
        s = uint16_t(s + Le16(in + 2 * k));
        out[k] = int16_t(s);
    }
}

// 4-bit compressed data: a table of 16 signed steps, then one table index per value, two per
// byte with the low nibble first; each step is added to a running 8-bit value. Stereo data
// holds all left values, then all right values, in one running sequence.
void DecodeCompressed(TKavoXMSample& sample, const uint8_t* in, int64_t values) {
    if (!sample.AllocateData(values) || sample.Data == nullptr) return;
    const uint8_t* table = in;
    const uint8_t* indexes = in + CompressedTableSize;
    const int64_t half = values / 2;
    uint8_t s = 0;
    for (int64_t k = 0; k < values; ++k) {
        const uint8_t pair = indexes[k / 2];
        s = uint8_t(s + table[(k % 2 == 0) ? (pair & 0x0F) : (pair >> 4)]);
        const int64_t at = sample.Channels == 2 ? (k < half ? 2 * k : 2 * (k - half) + 1) : k;
        if (at < values) sample.Data[at] = int32_t(int8_t(s)) * 256;
    }
}

// Stored size of compressed data for a length in bytes: the table and a nibble per byte.
int64_t CompressedBytes(int64_t length) {
    return CompressedTableSize + (length + 1) / 2;
}

// Decodes a sample's values; its length and loop are still in bytes.
void Decode(TKavoXMSample& sample, const TSampleHeader& header, const uint8_t* in) {
    if (header.Compressed)
        DecodeCompressed(sample, in, sample.Length);
    else if (sample.Bits == 16)
        Decode16(sample, in, sample.Length);
    else
        Decode8(sample, in, sample.Length);
}

// Length and loop from bytes to frames: two bytes a value in 16-bit data (compressed data is
// 8-bit), two values a frame in stereo data.
void ToFrames(TKavoXMSample& sample) {
    const int32_t bytesPerFrame = (sample.Bits == 16 ? 2 : 1) * (sample.Channels == 2 ? 2 : 1);
    sample.Length /= bytesPerFrame;
    sample.LoopStart /= bytesPerFrame;
    sample.LoopLength /= bytesPerFrame;
}

// Decodes one sample. Its declared length is cut to the bytes left in the image, so the
// block allocated never exceeds a few times the image size; the position still moves by the
// declared length.
void ReadOneSample(TLoadContext& context, TKavoXMSample& sample, const TSampleHeader& header) {
    const int64_t declared = header.Length;
    const int64_t stored = header.Compressed ? CompressedBytes(declared) : declared;
    const int64_t end = context.Position + stored;
    const int64_t available = context.Remaining();
    // Values the image holds: one per byte, or two per byte after a compressed sample's table.
    const int64_t present = header.Compressed ? 2 * (available - CompressedTableSize) : available;
    const int64_t length = declared < present ? declared : (present > 0 ? present : 0);
    ApplyLengthAndLoop(sample, header, length);
    if (sample.Length > 0) {
        if (context.DecodeSamples) Decode(sample, header, context.Image + context.Position);
        ToFrames(sample);
        if (context.DecodeSamples && sample.Data == nullptr && sample.Length > 0) {
            sample.Length = 0; // the block could not be allocated
            sample.LoopEnabled = false;
        }
        sample.PrepareData();
    }
    context.Position = end;
}

} // namespace

void ReadSampleData(TLoadContext& context, TKavoXMModule& module, int32_t instrument) {
    auto& pending = context.PendingSamples[size_t(instrument)];
    TKavoXMInstrument* owner = module.Instruments[size_t(instrument)].get();
    for (size_t j = 0; j < pending.size() && owner != nullptr; ++j) {
        TKavoXMSample* sample = owner->Samples[j].get();
        if (sample != nullptr) ReadOneSample(context, *sample, pending[j]);
    }
    pending.clear();
    pending.shrink_to_fit();
}

void ReadAllSampleData(TLoadContext& context, TKavoXMModule& module) {
    for (int32_t i = 1; i <= context.InstrumentCount; ++i) ReadSampleData(context, module, i);
}

} // namespace kavoxm::xm
