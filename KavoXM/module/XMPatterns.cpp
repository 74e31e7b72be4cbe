// XM patterns: the pattern headers and the packed cells.
#include "KavoXM/module/Module.h"
#include "KavoXM/module/XMReader.h"

namespace kavoxm::xm {
namespace {

constexpr int32_t MaxPatternRows = 256;

// The packed data of one pattern: bytes past its end, or past the image end, read as 0.
struct TCellData {
    const uint8_t* Next = nullptr;
    const uint8_t* End = nullptr;

    uint8_t Byte() { return Next < End ? *Next++ : 0; }
};

// One cell: a note byte below 0x80 starts a full five-byte cell, otherwise it is a mask of
// the fields that follow. Instrument 255 means none.
TKavoXMPatternNote ReadCell(TCellData& data) {
    TKavoXMPatternNote note;
    const uint8_t first = data.Byte();
    const uint8_t mask = first < 0x80 ? 0x1F : first;
    if (first < 0x80)
        note.Note = first;
    else if (mask & 0x01)
        note.Note = data.Byte();
    if (mask & 0x02) note.Instrument = data.Byte();
    if (mask & 0x04) note.Volume = data.Byte();
    if (mask & 0x08) note.Effect = data.Byte();
    if (mask & 0x10) note.EffectParameter = data.Byte();
    if (note.Instrument == 255) note.Instrument = 0;
    return note;
}

// Gives the pattern its row and channel counts and storage for the cells its packed data can
// fill, and returns that number of cells. Every cell takes at least one byte, so the cells
// stored never outnumber the bytes of packed data the image holds: this keeps the pattern
// storage below 20 bytes (one cell) per byte of the image. Cells not stored read as empty
// notes. Row counts of 0 or above 256 store nothing but are kept for sequencing.
int64_t SizePattern(TKavoXMPattern& pattern, int32_t rows, uint8_t channels, int64_t bytes) {
    pattern.Clear();
    pattern.RowCount = rows;
    pattern.ChannelCount = channels;
    if (rows <= 0 || rows > MaxPatternRows || channels == 0) return 0;
    const int64_t cells = int64_t(rows) * channels;
    const int64_t stored = bytes < cells ? bytes : cells;
    if (stored > 0) pattern.Notes.assign(size_t(stored), TKavoXMPatternNote{});
    return stored;
}

bool ReadPattern(TLoadContext& context, TKavoXMModule& module, int32_t index) {
    uint8_t raw[9];
    const bool shortHeader = context.Version < 0x0103;
    const int64_t headerSize = shortHeader ? 8 : 9;
    const bool nothingLeft = context.Remaining() == 0;
    if (context.ReadBytes(raw, headerSize) < headerSize) {
        // The end fell inside an earlier pattern's packed data: that pattern is the cut one.
        if (context.CutPattern >= 0)
            context.Refuse("file ends inside pattern %d of %d", context.CutPattern,
                           context.PatternCount);
        else
            context.Refuse("file ends %s pattern %d of %d", nothingLeft ? "before" : "inside",
                           index, context.PatternCount);
        return false;
    }
    // A header longer than the fields read is skipped, as trackers do; a length that is shorter,
    // or that would run past the image, is taken as the fields alone.
    const int64_t headerLength = Le32(raw);
    if (headerLength > headerSize && headerLength - headerSize <= context.Remaining())
        context.Position += headerLength - headerSize;
    const int32_t rows = shortHeader ? raw[5] + 1 : Le16(raw + 5);
    const int64_t packedSize = Le16(raw + (shortHeader ? 6 : 7));
    const int64_t present = context.Remaining() < packedSize ? context.Remaining() : packedSize;
    if (present < packedSize && context.CutPattern < 0) context.CutPattern = index;
    const uint8_t* data = context.Image + context.Position;
    TCellData cells{data, data + present};
    const auto channels = uint8_t(module.ChannelCount);
    TKavoXMPattern& pattern = *module.Patterns[size_t(index)];
    const int64_t stored = SizePattern(pattern, rows, channels, present);
    for (int64_t k = 0; k < stored; ++k) pattern.Notes[size_t(k)] = ReadCell(cells);
    context.Position += packedSize;
    return true;
}

} // namespace

bool ReadPatterns(TLoadContext& context, TKavoXMModule& module) {
    for (int32_t i = 0; i < context.PatternCount; ++i) {
        if (!ReadPattern(context, module, i)) {
            module.Clear();
            return false;
        }
    }
    return true;
}

} // namespace kavoxm::xm
