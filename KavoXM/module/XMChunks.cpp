// Extension chunks that trackers append after the standard XM data: the song message,
// pattern and channel names, per-channel values and opaque blocks kept in streams.
#include "KavoXM/module/Module.h"
#include "KavoXM/module/XMReader.h"
#include "KavoXM/sequencer/Channel.h"

#include <cstring>

namespace kavoxm::xm {
namespace {

enum class TChunkResult { Next, Stop, ShortRead };

constexpr int32_t PatternNameSize = 32;
constexpr int32_t ChannelNameSize = 20;

bool IsDigit(uint8_t c) {
    return c >= '0' && c <= '9';
}

TChunkResult ReadText(TLoadContext& context, TKavoXMModule& module, uint32_t size) {
    module.Message.clear();
    if (int32_t(size) <= 0) return TChunkResult::Next;
    const int64_t available = context.Remaining();
    const int64_t count = int64_t(size) < available ? int64_t(size) : available;
    const uint8_t* in = context.Image + context.Position;
    for (int64_t k = 0; k < count; ++k) {
        module.Message.push_back(char(in[k]));
        if (in[k] == 13) module.Message.push_back(char(10));
    }
    context.Position += count;
    return count < int64_t(size) ? TChunkResult::ShortRead : TChunkResult::Next;
}

TChunkResult ReadPatternNames(TLoadContext& context, TKavoXMModule& module, uint32_t size) {
    if (size < uint32_t(PatternNameSize) || size > 255u * PatternNameSize)
        return TChunkResult::Next;
    uint8_t raw[PatternNameSize];
    for (uint32_t i = 0; i < size / PatternNameSize; ++i) {
        if (context.ReadBytes(raw, PatternNameSize) < PatternNameSize)
            return TChunkResult::ShortRead;
        module.Patterns[i]->Name = TrimmedText(raw, PatternNameSize);
    }
    return TChunkResult::Next;
}

TChunkResult ReadChannelNames(TLoadContext& context, TKavoXMModule& module, uint32_t size) {
    if (size < uint32_t(ChannelNameSize) || int64_t(size) > int64_t(module.ChannelCount) * 20)
        return TChunkResult::Next;
    uint8_t raw[ChannelNameSize];
    for (uint32_t i = 0; i < size / ChannelNameSize; ++i) {
        if (context.ReadBytes(raw, ChannelNameSize) < ChannelNameSize)
            return TChunkResult::ShortRead;
        module.PatternChannels[i]->Name = TrimmedText(raw, ChannelNameSize);
    }
    return TChunkResult::Next;
}

TChunkResult ReadChannelValues(TLoadContext& context, TKavoXMModule& module, uint32_t size) {
    uint8_t raw[4];
    for (int32_t i = 0; i < module.ChannelCount && 4 * int64_t(i) < int64_t(size); ++i) {
        if (context.ReadBytes(raw, 4) < 4) return TChunkResult::ShortRead;
        module.PatternChannels[size_t(i)]->ChannelFX = int32_t(Le32(raw));
    }
    return TChunkResult::Next;
}

// Opaque bodies: the stream receives the bytes of the body that the image holds.
TChunkResult ReadOpaque(TLoadContext& context, TKavoXMStream& stream, uint32_t size) {
    stream.Clear();
    const int64_t available = context.Remaining();
    const int64_t count = int64_t(size) < available ? int64_t(size) : available;
    stream.Write(context.Image + context.Position, int32_t(count));
    context.Position += count;
    stream.Seek(0);
    return TChunkResult::Next;
}

TChunkResult ReadChunk(TLoadContext& context, TKavoXMModule& module, const uint8_t* id,
                       uint32_t size) {
    auto is = [id](const char* name) { return std::memcmp(id, name, 4) == 0; };
    if (is("text")) return ReadText(context, module, size);
    if (is("PNAM")) return ReadPatternNames(context, module, size);
    if (is("CNAM")) return ReadChannelNames(context, module, size);
    if (is("CHFX")) return ReadChannelValues(context, module, size);
    if (is("EQFX")) return ReadOpaque(context, *module.EQFXStream, size);
    if (id[0] == 'F' && id[1] == 'X' && IsDigit(id[2]) && IsDigit(id[3])) {
        const int32_t index = 10 * (id[2] - '0') + (id[3] - '0');
        return ReadOpaque(context, *module.FXStreams[size_t(index)], size);
    }
    if (is("MODU")) return ReadOpaque(context, *module.MODUStream, size);
    return TChunkResult::Stop;
}

} // namespace

bool ReadChunks(TLoadContext& context, TKavoXMModule& module) {
    while (context.Position + 8 < context.Size) {
        const int64_t start = context.Position;
        uint8_t header[8];
        if (context.ReadBytes(header, 8) < 8) return false;
        const uint32_t size = Le32(header + 4);
        const TChunkResult result = ReadChunk(context, module, header, size);
        if (result == TChunkResult::ShortRead) return false;
        if (result == TChunkResult::Stop) break;
        context.Position = start + 8 + int64_t(size);
    }
    return true;
}

} // namespace kavoxm::xm
