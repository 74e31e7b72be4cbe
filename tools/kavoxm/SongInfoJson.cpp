// `kavoxm info --json`: one JSON object with the header facts, the song's length and subsongs,
// every instrument with its samples, and the names from the extension chunks.
#include "SongInfo.h"

#include "KavoXM/module/Module.h"
#include "KavoXM/module/XMLoadInfo.h"
#include "KavoXM/sequencer/Channel.h"

#include <cstdio>
#include <sstream>

namespace {

std::string VersionText(uint16_t version) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%02x", unsigned(version >> 8), unsigned(version & 0xFF));
    return text;
}

std::string Seconds(const SongScan& scan, int32_t rate) {
    if (scan.End == SongScanEnd::NoSong) return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", scan.Seconds(rate));
    return text;
}

const char* EndName(SongScanEnd end) {
    switch (end) {
    case SongScanEnd::Ends:
        return "\"ends\"";
    case SongScanEnd::BeyondCap:
        return "\"beyond_cap\"";
    case SongScanEnd::Unknown:
        return "\"unknown\"";
    case SongScanEnd::NoSong:
        break;
    }
    return "null";
}

void WriteNames(std::ostream& out, const char* key, int32_t count, TKavoXMCodePage page,
                auto name) {
    out << ",\"" << key << "\":[";
    for (int32_t i = 0; i < count; ++i) out << (i ? "," : "") << JsonString(name(i), page);
    out << "]";
}

void WriteSample(std::ostream& out, int32_t instrument, int32_t slot, const TKavoXMSample& s,
                 TKavoXMCodePage page) {
    out << "{\"instrument\":" << instrument << ",\"slot\":" << slot
        << ",\"name\":" << JsonString(s.Name, page) << ",\"length\":" << s.Length << ",\"loop\":"
        << JsonString(s.LoopEnabled ? (s.PingPongLoop ? "ping-pong" : "forward") : "none", page)
        << ",\"loop_start\":" << s.LoopStart << ",\"loop_length\":" << s.LoopLength
        << ",\"bits\":" << s.Bits << ",\"channels\":" << s.Channels << ",\"volume\":" << s.Volume
        << ",\"relative_note\":" << s.RelativeNote << ",\"finetune\":" << s.FineTune << "}";
}

bool Enabled(const std::unique_ptr<TKavoXMEnvelope>& envelope) {
    return envelope != nullptr && envelope->Enabled;
}

// Every sample in instrument and slot order (sample_list), or every instrument with its own
// samples (instrument_list).
void WriteSamples(std::ostream& out, const TKavoXMModule& module) {
    out << ",\"sample_list\":[";
    bool first = true;
    for (int32_t i = 1; i <= TKavoXMModule::MaxInstruments; ++i) {
        const TKavoXMInstrument* instrument = module.Instruments[size_t(i)].get();
        for (int32_t j = 0; instrument != nullptr && j < TKavoXMInstrument::MaxSamples; ++j) {
            const TKavoXMSample* s = instrument->Samples[size_t(j)].get();
            if (s == nullptr) continue;
            out << (first ? "" : ",");
            WriteSample(out, i, j, *s, module.NameCodePage());
            first = false;
        }
    }
    out << "]";
}

void WriteInstruments(std::ostream& out, const TKavoXMModule& module) {
    out << ",\"instrument_list\":[";
    bool first = true;
    for (int32_t i = 1; i <= TKavoXMModule::MaxInstruments; ++i) {
        const TKavoXMInstrument* instrument = module.Instruments[size_t(i)].get();
        if (instrument == nullptr) continue;
        out << (first ? "" : ",") << "{\"number\":" << i
            << ",\"name\":" << JsonString(instrument->Name, module.NameCodePage())
            << ",\"volume_envelope\":" << (Enabled(instrument->VolumeEnvelope) ? "true" : "false")
            << ",\"panning_envelope\":" << (Enabled(instrument->PanningEnvelope) ? "true" : "false")
            << ",\"fadeout\":" << instrument->FadeOut << ",\"samples\":[";
        bool firstSample = true;
        for (int32_t j = 0; j < TKavoXMInstrument::MaxSamples; ++j) {
            const TKavoXMSample* s = instrument->Samples[size_t(j)].get();
            if (s == nullptr) continue;
            out << (firstSample ? "" : ",");
            WriteSample(out, i, j, *s, module.NameCodePage());
            firstSample = false;
        }
        out << "]}";
        first = false;
    }
    out << "]";
}

void WriteSubsongs(std::ostream& out, const SongFacts& facts) {
    out << ",\"subsongs\":[";
    for (size_t i = 0; i < facts.Subsongs.size(); ++i) {
        const Subsong& s = facts.Subsongs[i];
        SongScan scan;
        scan.End = s.End;
        scan.Frames = s.Frames;
        out << (i ? "," : "") << "{\"start_order\":" << s.StartOrder
            << ",\"duration_seconds\":" << Seconds(scan, facts.Rate)
            << ",\"end\":" << EndName(s.End) << "}";
    }
    out << "]";
}

} // namespace

std::string SongInfoJson(const TKavoXMModule& module, const TKavoXMLoadInfo& info,
                         const SongFacts& facts) {
    std::ostringstream out;
    const TKavoXMCodePage page = module.NameCodePage();
    out << "{\"name\":" << JsonString(module.Name, page)
        << ",\"tracker\":" << JsonString(facts.Tracker, page)
        << ",\"version\":" << JsonString(VersionText(info.Version), page)
        << ",\"channels\":" << module.ChannelCount << ",\"song_length\":" << module.SongLength
        << ",\"duration_seconds\":" << Seconds(facts.Length, facts.Rate)
        << ",\"duration_end\":" << EndName(facts.Length.End)
        << ",\"restart_position\":" << module.RestartPosition
        << ",\"patterns\":" << info.PatternCount << ",\"instruments\":" << info.InstrumentCount
        << ",\"missing_instruments\":" << info.MissingInstruments
        << ",\"samples\":" << info.SampleHeaderCount
        << ",\"linear_frequencies\":" << (module.LinearFrequencies ? "true" : "false")
        << ",\"initial_speed\":" << int(module.InitialSpeed)
        << ",\"initial_tempo\":" << int(module.InitialTempo) << ",\"orders\":[";
    for (int32_t i = 0; i < module.SongLength; ++i)
        out << (i ? "," : "") << int(module.Orders[size_t(i)]);
    out << "],\"message\":" << JsonString(module.Message, page, true);
    WriteSubsongs(out, facts);
    WriteNames(out, "pattern_names", info.PatternCount, page,
               [&](int32_t i) { return module.Patterns[size_t(i)]->Name; });
    WriteNames(out, "channel_names", module.ChannelCount, page,
               [&](int32_t i) { return module.PatternChannels[size_t(i)]->Name; });
    WriteInstruments(out, module);
    WriteSamples(out, module);
    out << "}\n";
    return out.str();
}
