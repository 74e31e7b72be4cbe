// XM loader entry: the module header and the order table, the reasons for refusing an image,
// and the order of the sections. Patterns, instruments, sample data and extension chunks are
// read by the other XM*.cpp files.
#include "KavoXM/module/Module.h"
#include "KavoXM/module/XMLoadInfo.h"
#include "KavoXM/module/XMReader.h"
#include "KavoXM/sequencer/Channel.h"

#include <cstring>
#include <memory>

namespace kavoxm::xm {
namespace {

constexpr char XMId[] = "Extended Module: ";

// The fixed 336-byte module header as stored.
struct TFileHeader {
    bool IdMatches = false;
    std::string Name;
    std::string Tracker;
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
    h.Tracker = FieldText(raw + 38, 20);
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

// Files of other tracker formats, told apart by their signatures, so that a refusal can say
// what the file is. Returns nullptr when none matches.
const char* ForeignFormat(const uint8_t* image, int64_t size) {
    auto at = [image, size](int64_t offset, const char* text, int64_t n) {
        return offset + n <= size && std::memcmp(image + offset, text, size_t(n)) == 0;
    };
    if (at(0, "IMPM", 4)) return "Impulse Tracker IT files are not supported";
    if (at(44, "SCRM", 4)) return "Scream Tracker S3M files are not supported";
    if (size < 1084) return nullptr;
    const uint8_t* tag = image + 1080;
    auto digit = [](uint8_t c) { return c >= '0' && c <= '9'; };
    static constexpr const char* Tags[] = {"M.K.", "M!K!", "M&K!", "N.T.", "FLT4", "FLT8",
                                           "CD81", "OKTA", "OCTA", "FA04", "FA06", "FA08"};
    bool mod = (digit(tag[0]) && std::memcmp(tag + 1, "CHN", 3) == 0) ||
               (digit(tag[0]) && digit(tag[1]) &&
                (std::memcmp(tag + 2, "CH", 2) == 0 || std::memcmp(tag + 2, "CN", 2) == 0));
    for (const char* t : Tags) mod = mod || std::memcmp(tag, t, 4) == 0;
    return mod ? "ProTracker MOD files are not supported" : nullptr;
}

// Checks the header; on refusal records the reason and returns false.
bool Acceptable(const TFileHeader& h, TLoadContext& context) {
    if (!h.IdMatches) {
        const char* foreign = ForeignFormat(context.Image, context.Size);
        if (foreign != nullptr)
            context.Refuse("%s", foreign);
        else
            context.Refuse("not an XM file (no 'Extended Module: ' header)");
        return false;
    }
    if (h.Channels > 255) context.Refuse("%u channels declared (at most 255)", h.Channels);
    if (h.Patterns > TKavoXMModule::MaxPatterns)
        context.Refuse("%u patterns declared (at most 256)", h.Patterns);
    if (h.Instruments > 255) context.Refuse("%u instruments declared (at most 255)", h.Instruments);
    return context.RefusalReason[0] == 0;
}

// The sections in the order of the layout; false when the image ends inside the patterns.
bool ReadSections(TLoadContext& context, TKavoXMModule& module) {
    if (!context.OldLayout()) {
        if (!ReadPatterns(context, module)) return false;
        // Cells cut off at the image end read as empty, but with them every instrument is
        // gone: such an image is refused unless the song has no instruments.
        if (context.CutPattern >= 0 && context.InstrumentCount > 0) {
            context.Refuse("file ends inside pattern %d of %d", context.CutPattern,
                           context.PatternCount);
            return false;
        }
        ReadInstruments(context, module);
        return true;
    }
    ReadInstruments(context, module);
    if (!ReadPatterns(context, module)) return false;
    ReadAllSampleData(context, module);
    return true;
}

// MadTracker 2 and Skale Tracker write their names padded with NULs and play an arpeggio in
// tick order; every other tracker name keeps the FastTracker 2 order.
bool PlaysArpeggioInTickOrder(const std::string& tracker) {
    return tracker == "MadTracker 2.0" || tracker == "Skale Tracker";
}

void ApplyHeader(const TFileHeader& h, TLoadContext& context, TKavoXMModule& module) {
    module.Name = h.Name;
    module.TrackerName = h.Tracker;
    module.ArpeggioInTickOrder = PlaysArpeggioInTickOrder(h.Tracker);
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

} // namespace

} // namespace kavoxm::xm

bool TKavoXMModule::LoadFromMemory(const void* data, int32_t size) {
    return LoadFromMemory(data, size, nullptr);
}

bool TKavoXMModule::LoadFromMemory(const void* data, int32_t size, TKavoXMLoadInfo* info,
                                   TKavoXMLoadParts parts) {
    using namespace kavoxm::xm;
    if (info != nullptr) *info = TKavoXMLoadInfo{};
    Clear();
    auto context = std::make_unique<TLoadContext>();
    context->DecodeSamples = parts == TKavoXMLoadParts::Everything;
    context->Image = static_cast<const uint8_t*>(data);
    context->Size = data == nullptr ? 0 : size;
    uint8_t raw[FileHeaderSize];
    bool ok = context->ReadBytes(raw, FileHeaderSize) == FileHeaderSize;
    if (!ok) {
        const char* foreign = data ? ForeignFormat(context->Image, context->Size) : nullptr;
        context->Refuse("%s", foreign ? foreign : "file too short for an XM header");
    } else {
        const TFileHeader header = ParseFileHeader(raw);
        ok = Acceptable(header, *context);
        if (ok) {
            ApplyHeader(header, *context, *this);
            ok = ReadSections(*context, *this);
        }
    }
    if (!ok) {
        Clear();
        static_assert(sizeof info->RefusalReason == sizeof context->RefusalReason);
        if (info != nullptr)
            std::memcpy(info->RefusalReason, context->RefusalReason, sizeof info->RefusalReason);
        return false;
    }
    Loaded = true;
    ReadChunks(*context, *this);
    if (info != nullptr) {
        info->Version = context->Version;
        info->PatternCount = context->PatternCount;
        info->InstrumentCount = context->InstrumentCount;
        info->SampleHeaderCount = context->SampleHeaderCount;
        info->MissingInstruments = context->MissingInstruments;
    }
    return true;
}
