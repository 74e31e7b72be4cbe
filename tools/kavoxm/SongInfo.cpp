#include "SongInfo.h"

#include "PlayScreen.h"

#include "KavoXM/capi/TextUtf8.h"
#include "KavoXM/module/Module.h"
#include "KavoXM/module/XMLoadInfo.h"

#include <cmath>
#include <cstdio>
#include <sstream>
#include <utility>

namespace {

std::string VersionText(uint16_t version) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%02x", unsigned(version >> 8), unsigned(version & 0xFF));
    return text;
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

int32_t SampleCount(const TKavoXMInstrument& instrument) {
    int32_t count = 0;
    for (const auto& sample : instrument.Samples) count += sample != nullptr ? 1 : 0;
    return count;
}

const char* OnOff(const std::unique_ptr<TKavoXMEnvelope>& envelope) {
    return envelope != nullptr && envelope->Enabled ? "on" : "off";
}

void WriteInstrumentText(std::ostream& out, int32_t number, const TKavoXMInstrument& instrument,
                         TKavoXMCodePage page) {
    const int32_t samples = SampleCount(instrument);
    out << "Instrument " << number << " \"" << TextUtf8(instrument.Name, page) << "\": ";
    if (samples == 0) {
        out << "no samples\n";
        return;
    }
    out << samples << (samples == 1 ? " sample" : " samples") << ", volume envelope "
        << OnOff(instrument.VolumeEnvelope) << ", panning envelope "
        << OnOff(instrument.PanningEnvelope) << "\n";
    for (int32_t j = 0; j < TKavoXMInstrument::MaxSamples; ++j) {
        const TKavoXMSample* s = instrument.Samples[size_t(j)].get();
        if (s == nullptr) continue;
        out << "  sample " << j << " \"" << TextUtf8(s->Name, page) << "\": " << s->Length
            << " frames, loop " << LoopText(*s) << ", " << s->Bits << "-bit "
            << (s->Channels == 2 ? "stereo" : "mono") << ", volume " << s->Volume
            << ", relative note " << s->RelativeNote << ", finetune " << s->FineTune << "\n";
    }
}

std::string SubsongText(const SongFacts& facts) {
    std::string text;
    for (size_t i = 0; i < facts.Subsongs.size(); ++i) {
        const Subsong& s = facts.Subsongs[i];
        SongScan scan;
        scan.End = s.End;
        scan.Frames = s.Frames;
        text += "\n  " + std::to_string(i + 1) + ": from order " + std::to_string(s.StartOrder) +
                ", " + DurationText(scan, facts.Rate);
    }
    if (facts.SubsongsCut)
        text += "\n  (measurement stopped at its work limit: later orders may start more)";
    return text;
}

} // namespace

SongFacts FindSongFacts(const std::vector<uint8_t>& image) {
    SongFacts facts;
    facts.Tracker = TrackerName(image);
    SongMap map = MapSong(image, facts.Rate);
    facts.Subsongs = std::move(map.Subsongs);
    facts.SubsongsCut = map.Cut;
    // The first subsong starts where the song does: its scan is the song's length.
    if (!facts.Subsongs.empty()) {
        facts.Length.End = facts.Subsongs.front().End;
        facts.Length.Frames = facts.Subsongs.front().Frames;
    }
    return facts;
}

std::string TrackerName(const std::vector<uint8_t>& image) {
    constexpr size_t At = 38, Size = 20;
    if (image.size() < At + Size) return {};
    std::string name(image.begin() + At, image.begin() + At + Size);
    name = name.substr(0, name.find('\0'));
    const size_t end = name.find_last_not_of(' ');
    return end == std::string::npos ? std::string()
                                    : TextUtf8(name.substr(0, end + 1), CodePageOfTracker(name));
}

std::string MessageLines(const std::string& message) {
    std::string text;
    for (size_t i = 0; i < message.size(); ++i) {
        if (message[i] != '\r') {
            text += message[i];
            continue;
        }
        text += '\n';
        if (i + 1 < message.size() && message[i + 1] == '\n') ++i;
    }
    return text;
}

std::string DurationText(const SongScan& scan, int32_t rate) {
    const double seconds = scan.Seconds(rate);
    // Rounded to tenths before the split, so that 1:59.96 reads 2:00.0 and never 1:60.0.
    const long long tenths = std::llround(seconds * 10);
    char exact[32];
    std::snprintf(exact, sizeof exact, "%lld:%02lld.%lld", tenths / 600, tenths / 10 % 60,
                  tenths % 10);
    switch (scan.End) {
    case SongScanEnd::Ends:
        return exact;
    case SongScanEnd::BeyondCap:
        return "does not end within " + ClockText(seconds);
    case SongScanEnd::Unknown:
        return "unknown (more than " + ClockText(seconds) + ")";
    case SongScanEnd::NoSong:
        break;
    }
    return "unknown";
}

std::string JsonString(const std::string& bytes, TKavoXMCodePage page, bool keepLineBreaks) {
    std::string out = "\"";
    for (char ch : TextUtf8(bytes, page, keepLineBreaks)) {
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
            if (c < 0x20 || c == 0x7F) {
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

std::string SongInfoText(const TKavoXMModule& module, const TKavoXMLoadInfo& info,
                         const SongFacts& facts) {
    std::ostringstream out;
    out << "Name:             " << TextUtf8(module.Name, module.NameCodePage()) << "\n";
    if (!facts.Tracker.empty()) out << "Tracker:          " << facts.Tracker << "\n";
    out << "Format version:   " << VersionText(info.Version) << "\n"
        << "Channels:         " << module.ChannelCount << "\n"
        << "Song length:      " << module.SongLength << "\n"
        << "Duration:         " << DurationText(facts.Length, facts.Rate) << "\n"
        << "Subsongs:         " << facts.Subsongs.size() << SubsongText(facts) << "\n"
        << "Restart position: " << module.RestartPosition << "\n"
        << "Patterns:         " << info.PatternCount << "\n"
        << "Instruments:      " << info.InstrumentCount << MissingText(info) << "\n"
        << "Samples:          " << info.SampleHeaderCount << "\n"
        << "Frequency table:  " << (module.LinearFrequencies ? "linear" : "Amiga") << "\n"
        << "Initial speed:    " << int(module.InitialSpeed) << "\n"
        << "Initial tempo:    " << int(module.InitialTempo) << "\n"
        << "Orders:          ";
    for (int32_t i = 0; i < module.SongLength; ++i) out << " " << int(module.Orders[size_t(i)]);
    out << "\n";
    for (int32_t i = 1; i <= TKavoXMModule::MaxInstruments; ++i) {
        const TKavoXMInstrument* instrument = module.Instruments[size_t(i)].get();
        if (instrument != nullptr) WriteInstrumentText(out, i, *instrument, module.NameCodePage());
    }
    if (!module.Message.empty())
        out << "Message:\n" << TextUtf8(module.Message, module.NameCodePage(), true) << "\n";
    return out.str();
}
