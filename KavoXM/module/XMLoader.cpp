// XM loader entry: the module header, the order table and the patterns. Instruments, sample
// data and extension chunks are read by the other XM*.cpp files.
#include "KavoXM/module/Module.h"
#include "KavoXM/module/XMLoadInfo.h"
#include "KavoXM/module/XMReader.h"
#include "KavoXM/sequencer/Channel.h"

#include <cstring>
#include <memory>

namespace kavoxm::xm {
namespace {

constexpr char XMId[] = "Extended Module: ";
constexpr int32_t MaxPatternRows = 256;

// The fixed 336-byte module header as stored.
struct TFileHeader {
    bool IdMatches = false;
    std::string Name;
    uint16_t Version = 0;
    int32_t HeaderSize = 0; // counted from offset 60; signed, as positions are
    uint16_t SongLength = 0;
    uint16_t RestartPosition = 0;
    uint16_t Channels = 0;
    uint16_t Patterns = 0;
    uint16_t Instruments = 0;
    uint16_t Flags = 0;
    uint16_t Speed = 0;
    uint16_t Tempo = 0;
    const uint8_t* Orders = nullptr; // 256 bytes inside the raw block
};

TFileHeader ParseFileHeader(const uint8_t* raw) {
    TFileHeader h;
    h.IdMatches = std::memcmp(raw, XMId, 17) == 0;
    h.Name = TrimmedText(raw + 17, 20);
    h.Version = Le16(raw + 58);
    h.HeaderSize = int32_t(Le32(raw + 60));
    h.SongLength = Le16(raw + 64);
    h.RestartPosition = Le16(raw + 66);
    h.Channels = Le16(raw + 68);
    h.Patterns = Le16(raw + 70);
    h.Instruments = Le16(raw + 72);
    h.Flags = Le16(raw + 74);
    h.Speed = Le16(raw + 76);
    h.Tempo = Le16(raw + 78);
    h.Orders = raw + 80;
    return h;
}

bool Acceptable(const TFileHeader& h) {
    return h.IdMatches && h.Channels <= 255 && h.Instruments <= 255 &&
           h.Patterns <= TKavoXMModule::MaxPatterns;
}

void ApplyHeader(const TFileHeader& h, TLoadContext& context, TKavoXMModule& module) {
    module.Name = h.Name;
    module.SongLength =
        h.SongLength < TKavoXMModule::MaxOrders ? h.SongLength : TKavoXMModule::MaxOrders;
    module.RestartPosition = h.RestartPosition;
    module.ChannelCount = h.Channels;
    context.Version = h.Version;
    context.PatternCount = h.Patterns;
    context.InstrumentCount = h.Instruments;
    module.LinearFrequencies = (h.Flags & 1) != 0;
    const uint8_t speed = uint8_t(h.Speed & 0xFF);
    const uint8_t tempo = uint8_t(h.Tempo & 0xFF);
    module.InitialSpeed = speed == 0 ? 6 : speed;
    module.InitialTempo = tempo == 0 ? 125 : tempo;
    module.Speed = module.InitialSpeed;
    module.Tempo = module.InitialTempo;
    std::memcpy(module.Orders.data(), h.Orders, TKavoXMModule::MaxOrders);
    context.Position = 60 + int64_t(h.HeaderSize);
    for (int32_t i = 0; i < module.ChannelCount; ++i)
        module.PatternChannels[size_t(i)]->InitialPanning = 128;
}

// One cell: a note byte below 0x80 starts a full five-byte cell, otherwise it is a mask of
// the fields that follow. Instrument 255 means none.
TKavoXMPatternNote ReadCell(TLoadContext& context) {
    TKavoXMPatternNote note;
    const uint8_t first = context.ReadByte();
    const uint8_t mask = first < 0x80 ? 0x1F : first;
    if (first < 0x80)
        note.Note = first;
    else if (mask & 0x01)
        note.Note = context.ReadByte();
    if (mask & 0x02) note.Instrument = context.ReadByte();
    if (mask & 0x04) note.Volume = context.ReadByte();
    if (mask & 0x08) note.Effect = context.ReadByte();
    if (mask & 0x10) note.EffectParameter = context.ReadByte();
    if (note.Instrument == 255) note.Instrument = 0;
    return note;
}

// Rows of a pattern whose cells can hold data: each cell takes at least one byte, and cells
// decoded from beyond the image end read zeros and are empty, so rows past the bytes that
// remain need no storage (GetNote gives the empty note there).
int32_t RowsWithData(const TLoadContext& context, int32_t rows, uint8_t channels) {
    const int64_t cells = int64_t(rows) * channels;
    const int64_t reachable = context.Remaining() < cells ? context.Remaining() : cells;
    return int32_t((reachable + channels - 1) / channels);
}

// Sets the pattern's size and returns the rows to decode. Cells are stored only for 1..256
// rows with packed data; other patterns keep their row count for sequencing and read as empty
// notes everywhere.
int32_t SizePattern(const TLoadContext& context, TKavoXMPattern& pattern, int32_t rows,
                    uint8_t channels, uint32_t packedSize) {
    pattern.Clear();
    const bool stored = rows > 0 && rows <= MaxPatternRows && packedSize > 0 && channels > 0;
    const int32_t storedRows = stored ? RowsWithData(context, rows, channels) : 0;
    if (storedRows > 0) pattern.Resize(storedRows, channels);
    pattern.RowCount = rows;
    pattern.ChannelCount = channels;
    return storedRows;
}

bool ReadPattern(TLoadContext& context, TKavoXMModule& module, TKavoXMPattern& pattern) {
    uint8_t raw[9];
    const bool shortHeader = context.Version < 0x0103;
    const int64_t headerSize = shortHeader ? 8 : 9;
    if (context.ReadBytes(raw, headerSize) < headerSize) return false;
    const int32_t rows = shortHeader ? raw[5] + 1 : Le16(raw + 5);
    const uint32_t packedSize = Le16(raw + (shortHeader ? 6 : 7));
    const uint8_t channels = uint8_t(module.ChannelCount);
    const int64_t end = context.Position + packedSize;
    const int32_t storedRows = SizePattern(context, pattern, rows, channels, packedSize);
    for (int32_t r = 0; r < storedRows; ++r) {
        for (int32_t k = 0; k < channels; ++k) pattern.SetNote(r, k, ReadCell(context));
    }
    context.Position = end;
    return true;
}

} // namespace

bool ReadPatterns(TLoadContext& context, TKavoXMModule& module) {
    for (int32_t i = 0; i < context.PatternCount; ++i) {
        if (!ReadPattern(context, module, *module.Patterns[size_t(i)])) {
            module.Clear();
            return false;
        }
    }
    return true;
}

} // namespace kavoxm::xm

bool TKavoXMModule::LoadFromMemory(const void* data, int32_t size) {
    return LoadFromMemory(data, size, nullptr);
}

bool TKavoXMModule::LoadFromMemory(const void* data, int32_t size, TKavoXMLoadInfo* info) {
    using namespace kavoxm::xm;
    if (info != nullptr) *info = TKavoXMLoadInfo{};
    Clear();
    if (data == nullptr || size < FileHeaderSize) return false;
    auto context = std::make_unique<TLoadContext>();
    context->Image = static_cast<const uint8_t*>(data);
    context->Size = size;
    uint8_t raw[FileHeaderSize];
    if (context->ReadBytes(raw, FileHeaderSize) < FileHeaderSize) return false;
    const TFileHeader header = ParseFileHeader(raw);
    if (!Acceptable(header)) {
        Clear();
        return false;
    }
    ApplyHeader(header, *context, *this);
    bool ok = false;
    if (context->OldLayout()) {
        ok = ReadInstruments(*context, *this) && ReadPatterns(*context, *this);
        if (ok) ReadAllSampleData(*context, *this);
    } else {
        ok = ReadPatterns(*context, *this) && ReadInstruments(*context, *this);
    }
    if (!ok) return false;
    Loaded = true;
    ReadChunks(*context, *this);
    if (info != nullptr) {
        info->Version = context->Version;
        info->PatternCount = context->PatternCount;
        info->InstrumentCount = context->InstrumentCount;
        info->SampleHeaderCount = context->SampleHeaderCount;
    }
    return true;
}
