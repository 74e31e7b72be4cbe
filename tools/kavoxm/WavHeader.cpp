#include "WavHeader.h"

#include <cstring>

namespace {

constexpr uint32_t PcmTag = 1, FloatTag = 3;
constexpr uint32_t Ds64Bytes = 28; // RIFF, data and frame counts (64-bit), table length
constexpr uint32_t Unknown32 = 0xFFFFFFFFu;

void Put16(uint8_t*& p, uint32_t v) {
    *p++ = uint8_t(v);
    *p++ = uint8_t(v >> 8);
}
void Put32(uint8_t*& p, uint32_t v) {
    Put16(p, v & 0xFFFF);
    Put16(p, v >> 16);
}
void Put64(uint8_t*& p, uint64_t v) {
    Put32(p, uint32_t(v));
    Put32(p, uint32_t(v >> 32));
}
void PutId(uint8_t*& p, const char* id) {
    std::memcpy(p, id, 4);
    p += 4;
}

bool IsFloat(const WavLayout& layout) {
    return layout.Format == SampleFormat::F32;
}

uint32_t FrameBytes(const WavLayout& layout) {
    return uint32_t(layout.Channels) * uint32_t(BytesPerSample(layout.Format));
}

// The ds64 chunk of an RF64 file, or the JUNK chunk holding its place.
void PutSizeChunk(uint8_t*& p, bool rf64, uint64_t riffBytes, uint64_t dataBytes, uint64_t frames) {
    PutId(p, rf64 ? "ds64" : "JUNK");
    Put32(p, Ds64Bytes);
    Put64(p, rf64 ? riffBytes : 0);
    Put64(p, rf64 ? dataBytes : 0);
    Put64(p, rf64 ? frames : 0);
    Put32(p, 0); // no table of other chunks' sizes
}

void PutFormat(uint8_t*& p, const WavLayout& layout) {
    const uint32_t align = FrameBytes(layout);
    PutId(p, "fmt ");
    Put32(p, IsFloat(layout) ? 18 : 16);
    Put16(p, IsFloat(layout) ? FloatTag : PcmTag);
    Put16(p, uint32_t(layout.Channels));
    Put32(p, uint32_t(layout.Rate));
    Put32(p, uint32_t(layout.Rate) * align);
    Put16(p, align);
    Put16(p, uint32_t(BytesPerSample(layout.Format)) * 8);
    if (IsFloat(layout)) Put16(p, 0); // no extension
}

} // namespace

size_t WavHeaderBytes(const WavLayout& layout) {
    const size_t format = IsFloat(layout) ? 8 + 18 + 12 : 8 + 16; // float adds a fact chunk
    return 12 + (layout.Room ? 8 + Ds64Bytes : 0) + format + 8;
}

void BuildWavHeader(const WavLayout& layout, uint64_t dataBytes, bool rf64, uint8_t* out) {
    const uint64_t riffBytes = WavHeaderBytes(layout) - 8 + dataBytes + (dataBytes & 1);
    const uint32_t align = FrameBytes(layout);
    const uint64_t frames = align != 0 ? dataBytes / align : 0;
    uint8_t* p = out;
    PutId(p, rf64 ? "RF64" : "RIFF");
    Put32(p, rf64 ? Unknown32 : uint32_t(riffBytes));
    PutId(p, "WAVE");
    if (layout.Room) PutSizeChunk(p, rf64, riffBytes, dataBytes, frames);
    PutFormat(p, layout);
    if (IsFloat(layout)) {
        PutId(p, "fact");
        Put32(p, 4);
        Put32(p, rf64 ? Unknown32 : uint32_t(frames));
    }
    PutId(p, "data");
    Put32(p, rf64 ? Unknown32 : uint32_t(dataBytes));
}
