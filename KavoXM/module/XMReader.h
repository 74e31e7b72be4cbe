#pragma once
// Internals of the XM reader shared by its source files: the loading context with the reading
// primitive, little-endian field access and the section readers.
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
    // Sample headers of each instrument (1..255), kept until its sample data is read.
    std::array<std::vector<TSampleHeader>, 256> PendingSamples;

    // Bytes between the position and the image end (0 when the position lies outside).
    int64_t Remaining() const { return (Position >= 0 && Position <= Size) ? Size - Position : 0; }
    // Copies up to n bytes at the position; a short read zero-fills the rest of the
    // destination. Advances by and returns the count copied.
    int64_t ReadBytes(void* destination, int64_t n);
    uint8_t ReadByte(); // 0 past the end
    bool OldLayout() const { return Version <= 0x0103; }
};

bool ReadPatterns(TLoadContext& context, TKavoXMModule& module);
bool ReadInstruments(TLoadContext& context, TKavoXMModule& module);
// Decodes the sample data of instrument i from the pending headers. Never fails.
void ReadSampleData(TLoadContext& context, TKavoXMModule& module, int32_t instrument);
// Old layouts: the sample data of every instrument, in number order, after the patterns.
void ReadAllSampleData(TLoadContext& context, TKavoXMModule& module);
// Extension chunks after the standard data; the result does not change the load's.
bool ReadChunks(TLoadContext& context, TKavoXMModule& module);

} // namespace kavoxm::xm
