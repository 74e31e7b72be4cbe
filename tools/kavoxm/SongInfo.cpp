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

// Samples of all instruments in instrument and slot order.
template <typename Visit> void ForEachSample(const TKavoXMModule& module, Visit visit) {
    for (int32_t i = 1; i <= TKavoXMModule::MaxInstruments; ++i) {
        const TKavoXMInstrument* instrument = module.Instruments[size_t(i)].get();
        if (instrument == nullptr) continue;
        for (int32_t j = 0; j < TKavoXMInstrument::MaxSamples; ++j) {
            const TKavoXMSample* sample = instrument->Samples[size_t(j)].get();
            if (sample != nullptr) visit(i, *instrument, j, *sample);
        }
    }
}

std::string LoopText(const TKavoXMSample& s) {
    if (!s.LoopEnabled) return "none";
    std::ostringstream out;
    out << (s.PingPongLoop ? "ping-pong " : "forward ") << s.LoopStart << "+" << s.LoopLength;
    return out.str();
}

// Declared instruments that the file does not hold, after the declared count.
std::string MissingText(const TKavoXMLoadInfo& info) {
    if (info.MissingInstruments == 0) return "";
    return " (" + std::to_string(info.MissingInstruments) + " missing)";
}

int32_t OrderCount(const TKavoXMModule& module) {
    return module.SongLength;
}

void WriteJsonNames(std::ostream& out, const char* key, int32_t count,
                    const std::string& (*name)(const TKavoXMModule&, int32_t),
                    const TKavoXMModule& module) {
    out << ",\"" << key << "\":[";
    for (int32_t i = 0; i < count; ++i) out << (i ? "," : "") << JsonString(name(module, i));
    out << "]";
}

const std::string& PatternName(const TKavoXMModule& m, int32_t i) {
    return m.Patterns[size_t(i)]->Name;
}
const std::string& ChannelName(const TKavoXMModule& m, int32_t i) {
    return m.PatternChannels[size_t(i)]->Name;
}

} // namespace

std::string TrackerName(const std::vector<uint8_t>& image) {
    constexpr size_t At = 38, Size = 20;
    if (image.size() < At + Size) return {};
    std::string name(image.begin() + At, image.begin() + At + Size);
    const size_t end = name.find_last_not_of(std::string(" \0", 2));
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

std::string JsonString(const std::string& bytes) {
    std::string out = "\"";
    for (char ch : bytes) {
        const auto c = uint8_t(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(c));
                out += escaped;
            } else {
                out += ch;
            }
        }
    }
    return out + "\"";
}

std::string SongInfoText(const TKavoXMModule& module, const TKavoXMLoadInfo& info) {
    std::ostringstream out;
    out << "Name:             " << module.Name << "\n"
        << "Format version:   " << VersionText(info.Version) << "\n"
        << "Channels:         " << module.ChannelCount << "\n"
        << "Song length:      " << module.SongLength << "\n"
        << "Restart position: " << module.RestartPosition << "\n"
        << "Patterns:         " << info.PatternCount << "\n"
        << "Instruments:      " << info.InstrumentCount << MissingText(info) << "\n"
        << "Samples:          " << info.SampleHeaderCount << "\n"
        << "Frequency table:  " << (module.LinearFrequencies ? "linear" : "Amiga") << "\n"
        << "Initial speed:    " << int(module.InitialSpeed) << "\n"
        << "Initial tempo:    " << int(module.InitialTempo) << "\n"
        << "Orders:          ";
    for (int32_t i = 0; i < OrderCount(module); ++i) out << " " << int(module.Orders[size_t(i)]);
    out << "\n";
    ForEachSample(module, [&out](int32_t i, const TKavoXMInstrument& instrument, int32_t j,
                                 const TKavoXMSample& s) {
        out << "Instrument " << i << " \"" << instrument.Name << "\" sample " << j << " \""
            << s.Name << "\": " << s.Length << " frames, loop " << LoopText(s) << ", " << s.Bits
            << "-bit " << (s.Channels == 2 ? "stereo" : "mono") << ", volume " << s.Volume
            << ", relative note " << s.RelativeNote << ", finetune " << s.FineTune << "\n";
    });
    if (!module.Message.empty()) out << "Message:\n" << module.Message << "\n";
    return out.str();
}

std::string SongInfoJson(const TKavoXMModule& module, const TKavoXMLoadInfo& info) {
    std::ostringstream out;
    out << "{\"name\":" << JsonString(module.Name)
        << ",\"version\":" << JsonString(VersionText(info.Version))
        << ",\"channels\":" << module.ChannelCount << ",\"song_length\":" << module.SongLength
        << ",\"restart_position\":" << module.RestartPosition
        << ",\"patterns\":" << info.PatternCount << ",\"instruments\":" << info.InstrumentCount
        << ",\"missing_instruments\":" << info.MissingInstruments
        << ",\"samples\":" << info.SampleHeaderCount
        << ",\"linear_frequencies\":" << (module.LinearFrequencies ? "true" : "false")
        << ",\"initial_speed\":" << int(module.InitialSpeed)
        << ",\"initial_tempo\":" << int(module.InitialTempo) << ",\"orders\":[";
    for (int32_t i = 0; i < OrderCount(module); ++i)
        out << (i ? "," : "") << int(module.Orders[size_t(i)]);
    out << "],\"message\":" << JsonString(module.Message);
    WriteJsonNames(out, "pattern_names", info.PatternCount, PatternName, module);
    WriteJsonNames(out, "channel_names", module.ChannelCount, ChannelName, module);
    out << ",\"sample_list\":[";
    bool first = true;
    ForEachSample(module, [&out, &first](int32_t i, const TKavoXMInstrument&, int32_t j,
                                         const TKavoXMSample& s) {
        out << (first ? "" : ",") << "{\"instrument\":" << i << ",\"slot\":" << j
            << ",\"name\":" << JsonString(s.Name) << ",\"length\":" << s.Length << ",\"loop\":"
            << JsonString(s.LoopEnabled ? (s.PingPongLoop ? "ping-pong" : "forward") : "none")
            << ",\"loop_start\":" << s.LoopStart << ",\"loop_length\":" << s.LoopLength
            << ",\"bits\":" << s.Bits << ",\"channels\":" << s.Channels
            << ",\"volume\":" << s.Volume << ",\"relative_note\":" << s.RelativeNote
            << ",\"finetune\":" << s.FineTune << "}";
        first = false;
    });
    out << "]}\n";
    return out.str();
}
