// Metadata: counts, texts (raw or UTF-8) and pattern cells.
#include "KavoXM/capi/Handle.h"
#include "KavoXM/capi/TextUtf8.h"
#include "KavoXM/sequencer/Channel.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// The tracker name in the image's header, up to its first zero, trailing spaces removed.
std::string TrackerOf(const std::vector<uint8_t>& image) {
    constexpr size_t At = 38, Size = 20;
    if (image.size() < At + Size) return {};
    std::string name(image.begin() + At, image.begin() + At + Size);
    name = name.substr(0, name.find('\0'));
    const size_t end = name.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

// The text of `kind` and `index`; false when there is no such text.
bool FindText(const kavoxm_module& m, int32_t kind, int32_t index, std::string& text) {
    const TKavoXMModule& module = *m.Player->Module;
    switch (kind) {
    case KAVOXM_TEXT_TITLE:
        text = module.Name;
        return true;
    case KAVOXM_TEXT_TRACKER:
        text = TrackerOf(m.Image);
        return true;
    case KAVOXM_TEXT_MESSAGE:
        text = module.Message;
        return true;
    case KAVOXM_TEXT_INSTRUMENT:
        if (index < 1 || index > TKavoXMModule::MaxInstruments ||
            !module.Instruments[size_t(index)])
            return false;
        text = module.Instruments[size_t(index)]->Name;
        return true;
    case KAVOXM_TEXT_SAMPLE: {
        const int32_t instrument = index / 256, sample = index % 256;
        if (index < 0 || instrument < 1 || instrument > TKavoXMModule::MaxInstruments ||
            !module.Instruments[size_t(instrument)] ||
            !module.Instruments[size_t(instrument)]->Samples[size_t(sample)])
            return false;
        text = module.Instruments[size_t(instrument)]->Samples[size_t(sample)]->Name;
        return true;
    }
    case KAVOXM_TEXT_CHANNEL:
        if (index < 0 || index >= std::clamp(module.ChannelCount, 0, TKavoXMModule::BankSize))
            return false;
        text = module.PatternChannels[size_t(index)]->Name;
        return true;
    default:
        return false;
    }
}

int32_t HighestInstrument(const TKavoXMModule& module) {
    for (int32_t i = TKavoXMModule::MaxInstruments; i >= 1; --i)
        if (module.Instruments[size_t(i)]) return i;
    return 0;
}

int32_t SampleCount(const TKavoXMModule& module) {
    int32_t count = 0;
    for (const auto& instrument : module.Instruments)
        if (instrument)
            for (const auto& sample : instrument->Samples) count += sample ? 1 : 0;
    return count;
}

// A pattern the file stores (the module keeps room for every pattern number).
bool PatternExists(const kavoxm_module& m, int32_t pattern) {
    const int32_t stored = std::min(m.LoadInfo.PatternCount, TKavoXMModule::MaxPatterns);
    return pattern >= 0 && pattern < stored && m.Player->Module->Patterns[size_t(pattern)];
}

} // namespace

extern "C" {

int kavoxm_get_info(kavoxm_module* module, kavoxm_info* out) {
    if (module == nullptr || out == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    const TKavoXMModule& song = *module->Player->Module;
    *out = {};
    out->format_version = module->LoadInfo.Version;
    out->channels = song.ChannelCount;
    out->patterns = module->LoadInfo.PatternCount;
    out->instruments = HighestInstrument(song);
    out->samples = SampleCount(song);
    out->orders = song.SongLength;
    out->restart_order = song.RestartPosition;
    out->linear_frequencies = song.LinearFrequencies ? 1 : 0;
    out->initial_speed = song.InitialSpeed;
    out->initial_tempo = song.InitialTempo;
    return KAVOXM_OK;
}

int64_t kavoxm_get_text(kavoxm_module* module, int32_t kind, int32_t index, int32_t flags,
                        char* buffer, size_t size) {
    return capi::Guard([&]() -> int64_t {
        if (module == nullptr || (buffer == nullptr && size > 0) ||
            (flags != KAVOXM_TEXT_RAW && flags != KAVOXM_TEXT_UTF8))
            return KAVOXM_ERROR_INVALID_ARGUMENT;
        std::string text;
        if (!FindText(*module, kind, index, text))
            return kind >= KAVOXM_TEXT_TITLE && kind <= KAVOXM_TEXT_CHANNEL
                       ? KAVOXM_ERROR_POSITION
                       : KAVOXM_ERROR_INVALID_ARGUMENT;
        if (flags == KAVOXM_TEXT_UTF8) text = TextUtf8(text, kind == KAVOXM_TEXT_MESSAGE);
        if (size > 0) {
            size_t n = std::min(size - 1, text.size());
            // UTF-8 is cut before a character, never inside one.
            if (flags == KAVOXM_TEXT_UTF8)
                while (n > 0 && n < text.size() && (uint8_t(text[n]) & 0xC0) == 0x80) --n;
            std::memcpy(buffer, text.data(), n);
            buffer[n] = '\0';
        }
        return int64_t(text.size());
    });
}

int32_t kavoxm_pattern_rows(kavoxm_module* module, int32_t pattern) {
    if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    const TKavoXMModule& song = *module->Player->Module;
    if (!PatternExists(*module, pattern)) return KAVOXM_ERROR_POSITION;
    return song.Patterns[size_t(pattern)]->RowCount;
}

int kavoxm_get_cell(kavoxm_module* module, int32_t pattern, int32_t row, int32_t channel,
                    kavoxm_cell* out) {
    if (module == nullptr || out == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    const TKavoXMModule& song = *module->Player->Module;
    if (!PatternExists(*module, pattern)) return KAVOXM_ERROR_POSITION;
    const TKavoXMPattern& p = *song.Patterns[size_t(pattern)];
    if (row < 0 || row >= p.RowCount || channel < 0 || channel >= song.ChannelCount)
        return KAVOXM_ERROR_POSITION;
    const TKavoXMPatternNote note =
        channel < p.ChannelCount ? p.GetNote(row, channel) : TKavoXMPatternNote{};
    out->note = uint8_t(note.Note);
    out->instrument = uint8_t(note.Instrument);
    out->volume = uint8_t(note.Volume);
    out->effect = uint8_t(note.Effect);
    out->parameter = uint8_t(note.EffectParameter);
    return KAVOXM_OK;
}

int32_t kavoxm_order_pattern(kavoxm_module* module, int32_t order) {
    if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    const TKavoXMModule& song = *module->Player->Module;
    if (order < 0 || order >= std::min(song.SongLength, TKavoXMModule::MaxOrders))
        return KAVOXM_ERROR_POSITION;
    return song.Orders[size_t(order)];
}

} // extern "C"
