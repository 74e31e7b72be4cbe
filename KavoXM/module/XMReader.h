#pragma once
// Internals of the XM reader shared by its source files: the loading context with the reading
// primitive, little-endian field access and the section readers.
//
// Allocation bound. The position only moves forward (an instrument header size below what
// the header occupies counts as that size; pattern, sample and chunk sizes are unsigned) and
// every decoder reads only its own region of the image, so each byte of the image is decoded
// at most once. Per byte decoded the loader stores at most: 20 bytes of pattern cells (one
// 20-byte cell per byte of packed data, and none past it), 8 bytes of sample values (two
// frames per byte of compressed 4-bit data; 4 for 8-bit data, 2 for 16-bit), 2 bytes of song
// message. Objects cost at most a few times the header bytes that create them (a sample per
// 40-byte header, with 64 bytes of guard values when it has data). In all, allocation beyond
// the fixed model stays below 20 x the image size plus a constant: the at most 255 instrument
// objects and the 102 chunk streams, whose capacity grows in 64 KiB steps.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TKavoXMModule;

namespace kavoxm::xm {

inline constexpr int32_t FileHeaderSize = 336;
inline constexpr int32_t InstrumentBlock1Size = 29;
inline constexpr int32_t InstrumentBlock2Size = 214;
inline constexpr int32_t SampleHeaderSize = 40;
inline constexpr int32_t MaxSamplesPerInstrument = 256;

inline uint16_t Le16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Text of a fixed-size field: the bytes up to the first zero byte.
std::string FieldText(const uint8_t* field, int32_t size);
// A name field: its text without leading and trailing characters with codes 0 to 32.
std::string TrimmedText(const uint8_t* field, int32_t size);

// A sample header as stored: lengths in bytes, unchecked.
struct TSampleHeader {
    uint32_t Length = 0;
    uint32_t LoopStart = 0;
    uint32_t LoopLength = 0;
    uint8_t Type = 0;
    bool Compressed = false; // 8-bit data stored as 4-bit table indexes
};

// State of one LoadFromMemory call. Positions are 64-bit so that no header value can make
// them wrap; the image size is a signed 32-bit count.
struct TLoadContext {
    const uint8_t* Image = nullptr;
    int64_t Size = 0;
    int64_t Position = 0;
    uint16_t Version = 0;
    int32_t PatternCount = 0;
    int32_t InstrumentCount = 0;
    int32_t SampleHeaderCount = 0;
    int32_t MissingInstruments = 0; // declared instruments the image ended before
    int32_t CutPattern = -1;        // first pattern whose packed data the image end cut short
    char RefusalReason[96] = {};
    bool DecodeSamples = true; // false: lengths and loops only, no sample values
    // Sample headers of each instrument (1..255), kept until its sample data is read.
    std::array<std::vector<TSampleHeader>, 256> PendingSamples;

    // Bytes between the position and the image end (0 when the position lies outside).
    int64_t Remaining() const { return (Position >= 0 && Position <= Size) ? Size - Position : 0; }
    // Copies up to n bytes at the position; a short read zero-fills the rest of the
    // destination. Advances by and returns the count copied.
    int64_t ReadBytes(void* destination, int64_t n);
    bool OldLayout() const { return Version <= 0x0103; }
    // Records why the image is refused (printf-style, cut to the buffer).
    void Refuse(const char* format, ...) __attribute__((format(printf, 2, 3)));
};

bool ReadPatterns(TLoadContext& context, TKavoXMModule& module);
// Reads the instruments. Never fails: when the image ends inside an instrument or sample
// header, or an instrument header declares more samples than an instrument holds, what was
// read completely stays and the rest is left empty (counted in MissingInstruments).
void ReadInstruments(TLoadContext& context, TKavoXMModule& module);
// Decodes the sample data of instrument i from the pending headers. Never fails.
void ReadSampleData(TLoadContext& context, TKavoXMModule& module, int32_t instrument);
// Old layouts: the sample data of every instrument, in number order, after the patterns.
void ReadAllSampleData(TLoadContext& context, TKavoXMModule& module);
// Extension chunks after the standard data; the result does not change the load's.
bool ReadChunks(TLoadContext& context, TKavoXMModule& module);

} // namespace kavoxm::xm
