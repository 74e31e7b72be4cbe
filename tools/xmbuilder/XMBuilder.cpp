#include "xmbuilder/XMBuilder.h"

#include <algorithm>

namespace xmbuilder {
namespace {

using Bytes = std::vector<uint8_t>;

void Put8(Bytes& out, uint32_t v) {
    out.push_back(uint8_t(v));
}
void Put16(Bytes& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void PutText(Bytes& out, const std::string& text, size_t size) {
    for (size_t i = 0; i < size; ++i) out.push_back(i < text.size() ? uint8_t(text[i]) : 0);
}
void Append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

bool OldLayout(const XMSong& song) {
    return song.Version <= 0x0103;
}

Bytes FileHeader(const XMSong& song) {
    Bytes out;
    PutText(out, song.IdText, 17);
    PutText(out, song.Name, 20);
    Put8(out, 0x1A);
    PutText(out, song.TrackerName, 20);
    Put16(out, song.Version);
    Put32(out, song.HeaderSize);
    Put16(out, song.SongLength);
    Put16(out, song.RestartPosition);
    Put16(out, song.Channels);
    Put16(out, song.PatternCountOverride.value_or(uint16_t(song.Patterns.size())));
    Put16(out, song.InstrumentCountOverride.value_or(uint16_t(song.Instruments.size())));
    Put16(out, song.Flags);
    Put16(out, song.Speed);
    Put16(out, song.Tempo);
    out.insert(out.end(), song.Orders.begin(), song.Orders.end());
    // The header size counts from offset 60; 276 ends it right after the order table.
    out.resize(size_t(60) + song.HeaderSize, 0);
    return out;
}

void PutCell(Bytes& out, const XMCell& c, XMPacking packing) {
    const uint8_t fields[5] = {c.Note, c.Instrument, c.Volume, c.Effect, c.Parameter};
    uint8_t mask = 0x80;
    for (int i = 0; i < 5; ++i) {
        if (fields[i] != 0) mask = uint8_t(mask | (1 << i));
    }
    if (packing == XMPacking::Unpacked || (mask == 0x9F && c.Note < 0x80)) {
        for (uint8_t f : fields) Put8(out, f);
        return;
    }
    Put8(out, mask);
    for (int i = 0; i < 5; ++i) {
        if (fields[i] != 0) Put8(out, fields[i]);
    }
}

Bytes PatternBlock(const XMPattern& pattern, const XMSong& song) {
    const Bytes data = EncodePatternData(pattern, song.Channels);
    Bytes out;
    Put32(out, pattern.HeaderLength);
    Put8(out, 0);
    if (song.Version < 0x0103)
        Put8(out, uint8_t(pattern.Rows - 1));
    else
        Put16(out, pattern.Rows);
    Put16(out, pattern.PackedSizeOverride.value_or(uint16_t(data.size())));
    // A header length above the fields written is padded with zeros up to it; one above 64 KiB
    // is written as it is, unpadded, as in a damaged file.
    const size_t fields = song.Version < 0x0103 ? 8 : 9;
    if (pattern.HeaderLength > fields && pattern.HeaderLength <= 65536)
        out.resize(out.size() + (pattern.HeaderLength - fields), 0);
    Append(out, data);
    return out;
}

uint32_t BytesPerFrame(const XMSample& s) {
    return (s.SixteenBit ? 2u : 1u) * (s.Stereo ? 2u : 1u);
}

void PutEnvelopePoints(Bytes& out, const XMEnvelope& e) {
    for (size_t p = 0; p < 12; ++p) {
        const auto point = p < e.Points.size() ? e.Points[p] : std::pair<uint16_t, uint16_t>{};
        Put16(out, point.first);
        Put16(out, point.second);
    }
}

uint8_t EnvelopeCount(const XMEnvelope& e) {
    return e.CountOverride.value_or(uint8_t(std::min<size_t>(e.Points.size(), 12)));
}

Bytes SampleHeader(const XMSample& s) {
    const uint32_t frameBytes = BytesPerFrame(s);
    const uint32_t length =
        s.RawData ? uint32_t(s.RawData->size()) : uint32_t(s.Left.size()) * frameBytes;
    const uint8_t type = s.TypeOverride.value_or(
        uint8_t((s.LoopType & 3) | (s.SixteenBit ? 0x10 : 0) | (s.Stereo ? 0x20 : 0)));
    Bytes out;
    Put32(out, s.LengthBytes.value_or(length));
    Put32(out, s.LoopStartBytes.value_or(s.LoopStartFrames * frameBytes));
    Put32(out, s.LoopLengthBytes.value_or(s.LoopLengthFrames * frameBytes));
    Put8(out, s.Volume);
    Put8(out, uint8_t(s.FineTune));
    Put8(out, type);
    Put8(out, s.Panning);
    Put8(out, uint8_t(s.RelativeNote));
    Put8(out, s.Reserved);
    PutText(out, s.Name, 22);
    return out;
}

Bytes InstrumentHeader(const XMInstrument& ins) {
    Bytes out;
    Put32(out, ins.HeaderSize);
    PutText(out, ins.Name, 22);
    Put8(out, 0);
    Put16(out, ins.SampleCountOverride.value_or(uint16_t(ins.Samples.size())));
    Put32(out, 40);
    out.insert(out.end(), ins.SampleMap.begin(), ins.SampleMap.end());
    PutEnvelopePoints(out, ins.VolumeEnvelope);
    PutEnvelopePoints(out, ins.PanningEnvelope);
    const XMEnvelope& v = ins.VolumeEnvelope;
    const XMEnvelope& p = ins.PanningEnvelope;
    for (uint8_t b : {EnvelopeCount(v), EnvelopeCount(p), v.Sustain, v.LoopStart, v.LoopEnd,
                      p.Sustain, p.LoopStart, p.LoopEnd, v.Type, p.Type, ins.VibratoType,
                      ins.VibratoSweep, ins.VibratoDepth, ins.VibratoRate})
        Put8(out, b);
    Put16(out, ins.FadeOut);
    Put16(out, 0);
    out.resize(ins.HeaderSize, 0);
    return out;
}

Bytes InstrumentBlock(const XMInstrument& ins, bool withData) {
    Bytes out = InstrumentHeader(ins);
    for (const XMSample& s : ins.Samples) Append(out, SampleHeader(s));
    if (withData) {
        for (const XMSample& s : ins.Samples) Append(out, EncodeSampleData(s));
    }
    return out;
}

template <typename T> void PutDeltas(Bytes& out, const std::vector<int32_t>& values) {
    T previous = 0;
    for (int32_t v : values) {
        const T value = T(v);
        const T delta = T(value - previous);
        previous = value;
        if constexpr (sizeof(T) == 1)
            Put8(out, delta);
        else
            Put16(out, delta);
    }
}

} // namespace

std::vector<uint8_t> EncodePatternData(const XMPattern& pattern, uint16_t channels) {
    if (pattern.RawData) return *pattern.RawData;
    std::vector<XMCell> grid(size_t(pattern.Rows) * channels);
    for (const auto& placed : pattern.Cells) {
        if (placed.Row < 0 || placed.Row >= pattern.Rows || placed.Channel < 0 ||
            placed.Channel >= channels)
            continue;
        grid[size_t(placed.Row) * channels + size_t(placed.Channel)] = placed.Cell;
    }
    Bytes out;
    for (const XMCell& cell : grid) PutCell(out, cell, pattern.Packing);
    return out;
}

std::vector<uint8_t> EncodeSampleData(const XMSample& sample) {
    if (sample.RawData) return *sample.RawData;
    Bytes out;
    if (sample.SixteenBit) {
        PutDeltas<uint16_t>(out, sample.Left);
        if (sample.Stereo) PutDeltas<uint16_t>(out, sample.Right);
    } else {
        PutDeltas<uint8_t>(out, sample.Left);
        if (sample.Stereo) PutDeltas<uint8_t>(out, sample.Right);
    }
    return out;
}

std::vector<uint8_t> SampleHeaderBytes(const XMSample& sample) {
    return SampleHeader(sample);
}

std::vector<uint8_t> InstrumentHeaderBytes(const XMInstrument& instrument) {
    return InstrumentHeader(instrument);
}

std::vector<uint8_t> EncodeCompressedSampleData(const std::array<int8_t, 16>& table,
                                                const std::vector<int32_t>& values) {
    Bytes out(table.begin(), table.end());
    uint8_t previous = 0;
    for (size_t k = 0; k < values.size(); ++k) {
        const auto step = int8_t(uint8_t(uint8_t(values[k]) - previous));
        previous = uint8_t(values[k]);
        uint8_t index = 0;
        for (uint8_t i = 0; i < 16; ++i) {
            if (table[i] == step) index = i;
        }
        if (k % 2 == 0)
            out.push_back(index);
        else
            out.back() = uint8_t(out.back() | (index << 4));
    }
    return out;
}

std::vector<uint8_t> ChunkBytes(const std::string& id, const std::vector<uint8_t>& body) {
    Bytes out;
    PutText(out, id, 4);
    Put32(out, uint32_t(body.size()));
    Append(out, body);
    return out;
}

std::vector<uint8_t> BuildXM(const XMSong& song) {
    Bytes out = FileHeader(song);
    if (OldLayout(song)) {
        for (const XMInstrument& ins : song.Instruments) Append(out, InstrumentBlock(ins, false));
        for (const XMPattern& p : song.Patterns) Append(out, PatternBlock(p, song));
        for (const XMInstrument& ins : song.Instruments) {
            for (const XMSample& s : ins.Samples) Append(out, EncodeSampleData(s));
        }
    } else {
        for (const XMPattern& p : song.Patterns) Append(out, PatternBlock(p, song));
        for (const XMInstrument& ins : song.Instruments) Append(out, InstrumentBlock(ins, true));
    }
    for (const XMChunk& chunk : song.Chunks) {
        PutText(out, chunk.Id, 4);
        Put32(out, chunk.SizeOverride.value_or(uint32_t(chunk.Body.size())));
        Append(out, chunk.Body);
    }
    Append(out, song.Trailer);
    return out;
}

} // namespace xmbuilder
