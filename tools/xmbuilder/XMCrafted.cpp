#include "xmbuilder/XMCrafted.h"

#include "xmbuilder/XMBuilder.h"

#include <algorithm>

namespace xmbuilder {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr int32_t DefinedInstrumentHeader = 243;

void Append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

void Patch32(Bytes& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
}

XMSong OnePatternSong(uint16_t version) {
    XMSong song;
    song.Name = "crafted";
    song.Version = version;
    song.Patterns.resize(1);
    song.Patterns[0].Rows = 16;
    return song;
}

// Sample data of `bytes` deltas that give a recognisable saw wave.
XMSample SawSample(int32_t bytes) {
    XMSample sample;
    sample.RawData = Bytes(size_t(bytes), 3);
    return sample;
}

// An instrument header of the defined 243 bytes announcing `samples` samples, with the given
// header size stored in its first field.
Bytes InstrumentHeaderWithSize(uint32_t headerSize, uint16_t samples) {
    XMInstrument ins;
    ins.HeaderSize = DefinedInstrumentHeader;
    ins.SampleCountOverride = samples;
    Bytes out = InstrumentHeaderBytes(ins);
    Patch32(out, 0, headerSize);
    return out;
}

} // namespace

std::vector<uint8_t> CraftRewindingInstruments(int32_t sampleBytes) {
    XMSong song = OnePatternSong(0x0104);
    song.InstrumentCountOverride = 255;
    const XMSample sample = SawSample(sampleBytes);
    // Instrument 1 is ordinary; instrument 2 follows its data and points back at its sample
    // header, so that reading the sample brings the position back to instrument 2.
    Bytes& tail = song.Trailer;
    Append(tail, InstrumentHeaderWithSize(DefinedInstrumentHeader, 1));
    Append(tail, SampleHeaderBytes(sample));
    Append(tail, EncodeSampleData(sample));
    const uint32_t back = uint32_t(-(40 + int64_t(sampleBytes)));
    Append(tail, InstrumentHeaderWithSize(back, 1));
    return BuildXM(song);
}

std::vector<uint8_t> CraftRewindingOldInstruments(int32_t sampleBytes) {
    XMSong song = OnePatternSong(0x0103);
    song.InstrumentCountOverride = 255;
    song.PatternCountOverride = 1;
    song.Patterns.clear();
    XMSample sample = SawSample(sampleBytes);
    Bytes& tail = song.Trailer;
    Append(tail, InstrumentHeaderWithSize(DefinedInstrumentHeader, 1));
    Append(tail, SampleHeaderBytes(sample));
    // Every further instrument reads the sample header just before it again. The patterns
    // start where the last instrument did, so its name bytes double as a pattern header of
    // 16 rows whose packed data is the rest of the instrument header.
    Bytes again = InstrumentHeaderWithSize(uint32_t(-40), 1);
    again[5] = 16;
    again[7] = uint8_t(DefinedInstrumentHeader - 9);
    Append(tail, again);
    Append(tail, EncodeSampleData(sample));
    return BuildXM(song);
}

std::vector<uint8_t> CraftOverlappingPatterns(int32_t trailerBytes) {
    XMSong song;
    song.Name = "crafted";
    song.Channels = 255;
    song.Patterns.resize(256);
    for (auto& pattern : song.Patterns) {
        pattern.Rows = 256;
        pattern.RawData = Bytes{0x80};
    }
    // Full five-byte cells: a note with instrument 1 at volume 0x40.
    for (int32_t k = 0; k < trailerBytes; ++k) {
        static constexpr uint8_t cell[5] = {49, 1, 0x40, 0, 0};
        song.Trailer.push_back(cell[k % 5]);
    }
    return BuildXM(song);
}

std::vector<uint8_t> CraftDensePatterns(int32_t patterns, uint16_t bytesPerPattern) {
    XMSong song;
    song.Name = "crafted";
    song.Channels = 255;
    song.Patterns.resize(size_t(std::clamp(patterns, 1, 256)));
    for (auto& pattern : song.Patterns) {
        pattern.Rows = 256;
        pattern.RawData = Bytes(bytesPerPattern, 0x80);
    }
    return BuildXM(song);
}

std::vector<uint8_t> CraftCompressedSample(int32_t frames) {
    XMSong song = OnePatternSong(0x0104);
    XMInstrument ins;
    XMSample sample;
    sample.Reserved = 0xAD;
    sample.LengthBytes = uint32_t(frames);
    Bytes data = {0, 1, 2, 4, 8, 16, 32, 64, 0xFF, 0xFE, 0xFC, 0xF8, 0xF0, 0xE0, 0xC0, 0x80};
    for (int32_t k = 0; k < (frames + 1) / 2; ++k) data.push_back(uint8_t(k * 37));
    sample.RawData = data;
    ins.Samples.push_back(sample);
    song.Instruments.push_back(ins);
    return BuildXM(song);
}

std::vector<uint8_t> CraftManySamples(int32_t samplesPerInstrument) {
    XMSong song = OnePatternSong(0x0104);
    XMInstrument ins;
    ins.Samples.assign(size_t(std::clamp(samplesPerInstrument, 1, 256)), SawSample(1));
    song.Instruments.assign(255, ins);
    return BuildXM(song);
}

std::vector<uint8_t> CraftChunks(int32_t messageBytes) {
    XMSong song = OnePatternSong(0x0104);
    song.Chunks.push_back({"text", Bytes(size_t(messageBytes), 13), {}});
    song.Chunks.push_back({"EQFX", Bytes{1}, {}});
    for (int i = 0; i < 100; ++i) {
        const std::string id = "FX" + std::string(1, char('0' + i / 10)) + char('0' + i % 10);
        song.Chunks.push_back({id, Bytes{1}, {}});
    }
    song.Chunks.push_back({"MODU", Bytes{1}, {}});
    return BuildXM(song);
}

std::vector<XMCraftedImage> CraftedImages(int32_t scale) {
    const int32_t s = std::max(scale, 1);
    return {
        {"rewinding-instruments", CraftRewindingInstruments(4096 * s)},
        {"rewinding-old-instruments", CraftRewindingOldInstruments(4096 * s)},
        {"overlapping-patterns", CraftOverlappingPatterns(256 * s)},
        {"dense-patterns",
         CraftDensePatterns(std::min(256, 4 * s), uint16_t(std::min(65280, 1024 * s)))},
        {"compressed-sample", CraftCompressedSample(8192 * s)},
        {"many-samples", CraftManySamples(std::min(256, 4 * s))},
        {"chunks", CraftChunks(1024 * s)},
    };
}

} // namespace xmbuilder
