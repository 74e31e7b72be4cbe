#pragma once
// Builds XM images in memory: all three layouts (versions 0x0102 and below, 0x0103,
// 0x0104 and above), packed or unpacked pattern cells, instruments with envelopes and
// 8/16-bit mono/stereo samples given as decoded values, and extension chunks. Every header
// field can be set, including values a tracker would never write, so that loaders can be
// tested on damaged images too. Independent of any test framework.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace xmbuilder {

struct XMCell {
    uint8_t Note = 0; // 0 none, 1..96, 97 key off
    uint8_t Instrument = 0;
    uint8_t Volume = 0;
    uint8_t Effect = 0;
    uint8_t Parameter = 0;
};

enum class XMPacking {
    Packed,  // a mask byte for cells that are not complete, five plain bytes otherwise
    Unpacked // five plain bytes for every cell
};

struct XMPattern {
    uint16_t Rows = 64;
    XMPacking Packing = XMPacking::Packed;
    uint32_t HeaderLength = 9; // a larger one (up to 64 KiB) pads the header with zeros
    std::optional<uint16_t> PackedSizeOverride;  // stored instead of the true size
    std::optional<std::vector<uint8_t>> RawData; // written instead of the encoded cells

    struct Placed {
        int32_t Row;
        int32_t Channel;
        XMCell Cell;
    };
    std::vector<Placed> Cells; // cells not listed are empty

    XMPattern& Put(int32_t row, int32_t channel, const XMCell& cell) {
        Cells.push_back({row, channel, cell});
        return *this;
    }
};

struct XMEnvelope {
    std::vector<std::pair<uint16_t, uint16_t>> Points; // (x, y), at most 12 are written
    std::optional<uint8_t> CountOverride;              // stored instead of Points.size()
    uint8_t Sustain = 0;
    uint8_t LoopStart = 0;
    uint8_t LoopEnd = 0;
    uint8_t Type = 0; // bit 0 on, bit 1 sustain, bit 2 loop
};

struct XMSample {
    std::string Name;
    bool SixteenBit = false;
    bool Stereo = false;
    // Decoded values: signed 8-bit numbers (-128..127) or 16-bit numbers. Right is used only
    // for stereo samples and must be as long as Left.
    std::vector<int32_t> Left;
    std::vector<int32_t> Right;
    uint8_t LoopType = 0;         // 0 none, 1 forward, 2 ping-pong
    uint32_t LoopStartFrames = 0; // converted to bytes by the builder
    uint32_t LoopLengthFrames = 0;
    uint8_t Volume = 64;
    int8_t FineTune = 0;
    uint8_t Panning = 128;
    int8_t RelativeNote = 0;
    uint8_t Reserved = 0; // the byte after the relative note; 0xAD marks 4-bit compressed data
    // Byte-level overrides of the header fields and of the stored data.
    std::optional<uint32_t> LengthBytes;
    std::optional<uint32_t> LoopStartBytes;
    std::optional<uint32_t> LoopLengthBytes;
    std::optional<uint8_t> TypeOverride;
    std::optional<std::vector<uint8_t>> RawData; // written instead of the encoded values
};

struct XMInstrument {
    std::string Name;
    uint32_t HeaderSize = 263; // 243 bytes are defined; less cuts, more pads with zeros
    std::array<uint8_t, 96> SampleMap{};
    XMEnvelope VolumeEnvelope;
    XMEnvelope PanningEnvelope;
    uint8_t VibratoType = 0, VibratoSweep = 0, VibratoDepth = 0, VibratoRate = 0;
    uint16_t FadeOut = 0;
    std::vector<XMSample> Samples;
    std::optional<uint16_t> SampleCountOverride;
};

struct XMChunk {
    std::string Id; // four characters
    std::vector<uint8_t> Body;
    std::optional<uint32_t> SizeOverride; // stored instead of Body.size()
};

struct XMSong {
    std::string IdText = "Extended Module: ";
    std::string Name;
    std::string TrackerName = "KavoXM builder";
    uint16_t Version = 0x0104;
    uint32_t HeaderSize = 276; // the header is padded or cut to 60 + this many bytes
    uint16_t SongLength = 1;
    uint16_t RestartPosition = 0;
    uint16_t Channels = 4;
    uint16_t Flags = 1; // bit 0: linear frequencies
    uint16_t Speed = 6;
    uint16_t Tempo = 125;
    std::array<uint8_t, 256> Orders{};
    std::optional<uint16_t> PatternCountOverride;
    std::optional<uint16_t> InstrumentCountOverride;
    std::vector<XMPattern> Patterns;
    std::vector<XMInstrument> Instruments;
    std::vector<XMChunk> Chunks;
    std::vector<uint8_t> Trailer; // raw bytes after the chunks
};

// The image of a song.
std::vector<uint8_t> BuildXM(const XMSong& song);

// Pieces of an image, for tests that assemble images by hand.
std::vector<uint8_t> EncodePatternData(const XMPattern& pattern, uint16_t channels);
std::vector<uint8_t> EncodeSampleData(const XMSample& sample);
std::vector<uint8_t> SampleHeaderBytes(const XMSample& sample);             // 40 bytes
std::vector<uint8_t> InstrumentHeaderBytes(const XMInstrument& instrument); // HeaderSize bytes
// 4-bit compressed sample data: the 16-entry delta table, then the index of each frame's
// delta, two per byte, low nibble first. Every step between frames (starting from 0) must be
// in the table; indexes of steps that are not are written as 0.
std::vector<uint8_t> EncodeCompressedSampleData(const std::array<int8_t, 16>& table,
                                                const std::vector<int32_t>& values);
std::vector<uint8_t> ChunkBytes(const std::string& id, const std::vector<uint8_t>& body);

} // namespace xmbuilder
