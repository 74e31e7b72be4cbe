// XM instruments: the two header blocks, both envelopes and the sample headers.
#include "KavoXM/module/Module.h"
#include "KavoXM/module/XMReader.h"

#include <memory>

namespace kavoxm::xm {
namespace {

constexpr int32_t EnvelopePointsStored = 12;

// Offsets inside the second instrument block (the 214 bytes after the first 29).
constexpr int32_t MapOffset = 33 - InstrumentBlock1Size;
constexpr int32_t VolumePointsOffset = 129 - InstrumentBlock1Size;
constexpr int32_t PanningPointsOffset = 177 - InstrumentBlock1Size;

void ReadEnvelopePoints(const uint8_t* raw, TKavoXMEnvelope& envelope) {
    auto& points = envelope.Points;
    for (int32_t p = 0; p < EnvelopePointsStored; ++p) {
        auto& point = points[size_t(p)];
        point.Position = Le16(raw + 4 * p);
        point.Value = raw[4 * p + 2];
        if (p == 0) continue;
        const int32_t previous = points[size_t(p - 1)].Position;
        if (point.Position < previous) {
            // Positions keep only their low byte in some files: take the high bits of the
            // previous point and step one page further when that is still behind it.
            point.Position = (point.Position & 0xFF) + (previous & 0xFF00);
            if (point.Position < previous) point.Position += 256;
        }
    }
}

void SetEnvelopeControl(TKavoXMEnvelope& envelope, uint8_t count, uint8_t sustain,
                        uint8_t loopStart, uint8_t loopEnd, uint8_t type) {
    envelope.NumPoints = count < EnvelopePointsStored ? count : EnvelopePointsStored;
    envelope.SustainPoint = sustain;
    envelope.LoopStart = loopStart;
    envelope.LoopEnd = loopEnd;
    envelope.Enabled = (type & 1) != 0;
    envelope.SustainEnabled = (type & 2) != 0;
    envelope.LoopEnabled = (type & 4) != 0;
    if (envelope.NumPoints == 0) envelope.Enabled = false;
    if (envelope.SustainPoint > 12) envelope.SustainEnabled = false;
    if (envelope.LoopStart >= envelope.LoopEnd) envelope.LoopEnabled = false;
}

// Fills the instrument from the second header block (offsets relative to that block).
void ApplyInstrumentBlock(const uint8_t* raw, TKavoXMInstrument& instrument) {
    for (int32_t n = 1; n <= 96; ++n) instrument.SampleMap[size_t(n)] = raw[MapOffset + n - 1];
    ReadEnvelopePoints(raw + VolumePointsOffset, *instrument.VolumeEnvelope);
    ReadEnvelopePoints(raw + PanningPointsOffset, *instrument.PanningEnvelope);
    const uint8_t* c = raw + (225 - InstrumentBlock1Size);
    SetEnvelopeControl(*instrument.VolumeEnvelope, c[0], c[2], c[3], c[4], c[8]);
    SetEnvelopeControl(*instrument.PanningEnvelope, c[1], c[5], c[6], c[7], c[9]);
    instrument.VibratoType = c[10];
    instrument.VibratoSweep = c[11];
    instrument.VibratoDepth = c[12];
    instrument.VibratoRate = c[13];
    instrument.FadeOut = Le16(c + 14);
}

// Reads one 40-byte sample header into slot j; the lengths wait for the data step. False when
// the image ends inside it.
bool ReadSampleHeader(TLoadContext& context, TKavoXMInstrument& instrument, int32_t i, int32_t j) {
    uint8_t raw[SampleHeaderSize];
    if (context.ReadBytes(raw, SampleHeaderSize) < SampleHeaderSize) return false;
    ++context.SampleHeaderCount;
    auto& slot = instrument.Samples[size_t(j)];
    if (!slot) slot = std::make_unique<TKavoXMSample>();
    TKavoXMSample& sample = *slot;
    sample.Clear();
    TSampleHeader header;
    header.Length = Le32(raw);
    header.LoopStart = Le32(raw + 4);
    header.LoopLength = Le32(raw + 8);
    header.Type = raw[14];
    // Trackers of the ModPlug family mark compressed 8-bit data in the reserved byte.
    header.Compressed = raw[17] == 0xAD && (header.Type & 0x10) == 0;
    context.PendingSamples[size_t(i)].push_back(header);
    sample.Name = TrimmedText(raw + 18, 22);
    sample.Volume = raw[12];
    sample.FineTune = int8_t(raw[13]);
    sample.Panning = raw[15];
    sample.RelativeNote = int8_t(raw[16]);
    sample.UsePanning = true;
    sample.Bits = (header.Type & 0x10) ? 16 : 8;
    sample.Channels = (header.Type & 0x20) ? 2 : 1;
    return true;
}

enum class TInstrumentRead {
    Complete,
    Cut,     // the image ended inside a sample header: the samples before it are kept
    Missing, // the image ended inside the instrument header: nothing of it is kept
};

// Position after the instrument header: its start plus the stored size, but never less than
// the bytes the header occupies, so that the position never moves back and no sample data is
// decoded twice.
int64_t HeaderEnd(int64_t start, const uint8_t* block1, int32_t sampleCount) {
    const int64_t stored = int32_t(Le32(block1));
    const int64_t occupied = InstrumentBlock1Size + (sampleCount > 0 ? InstrumentBlock2Size : 0);
    return start + (stored > occupied ? stored : occupied);
}

TInstrumentRead ReadInstrument(TLoadContext& context, TKavoXMModule& module, int32_t i) {
    const int64_t start = context.Position;
    uint8_t block1[InstrumentBlock1Size];
    if (context.ReadBytes(block1, InstrumentBlock1Size) < InstrumentBlock1Size)
        return TInstrumentRead::Missing;
    const int32_t sampleCount = Le16(block1 + 27);
    // More samples than an instrument holds: the header is damaged, and so is all that
    // follows it. It ends the instrument section like the end of the image.
    if (sampleCount > MaxSamplesPerInstrument) return TInstrumentRead::Missing;
    uint8_t block2[InstrumentBlock2Size];
    if (sampleCount > 0 && context.ReadBytes(block2, InstrumentBlock2Size) < InstrumentBlock2Size)
        return TInstrumentRead::Missing;
    context.Position = HeaderEnd(start, block1, sampleCount);
    auto& slot = module.Instruments[size_t(i)];
    if (!slot) slot = std::make_unique<TKavoXMInstrument>();
    TKavoXMInstrument& instrument = *slot;
    instrument.Clear();
    instrument.Name = TrimmedText(block1 + 4, 22);
    context.PendingSamples[size_t(i)].clear();
    if (sampleCount == 0) return TInstrumentRead::Complete;
    ApplyInstrumentBlock(block2, instrument);
    TInstrumentRead result = TInstrumentRead::Complete;
    for (int32_t j = 0; j < sampleCount && result == TInstrumentRead::Complete; ++j) {
        if (!ReadSampleHeader(context, instrument, i, j)) result = TInstrumentRead::Cut;
    }
    if (!context.OldLayout()) ReadSampleData(context, module, i);
    return result;
}

} // namespace

void ReadInstruments(TLoadContext& context, TKavoXMModule& module) {
    for (int32_t i = 1; i <= context.InstrumentCount; ++i) {
        const TInstrumentRead result = ReadInstrument(context, module, i);
        if (result == TInstrumentRead::Complete) continue;
        // The image ends here: what was read completely stays, the rest is left empty.
        context.MissingInstruments =
            context.InstrumentCount - i + (result == TInstrumentRead::Missing ? 1 : 0);
        return;
    }
}

} // namespace kavoxm::xm
