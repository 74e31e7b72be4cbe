#include "PlayScreen.h"

#include "KavoXM/capi/TextUtf8.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

std::string Cut(const std::string& line, size_t width) {
    return CutToWidth(line, width);
}

std::string Format(const char* format, auto... values) {
    char text[160];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

} // namespace

std::string CutToWidth(const std::string& line, size_t width) {
    const size_t room = width > 1 ? width - 1 : 0;
    size_t characters = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if ((static_cast<unsigned char>(line[i]) & 0xC0) == 0x80) continue; // inside one
        if (characters++ == room) return line.substr(0, i);
    }
    return line;
}

std::string SafeText(const std::string& bytes) {
    return TextUtf8(bytes, TKavoXMCodePage::Windows1252);
}

std::string ClockText(double seconds) {
    if (!(seconds >= 0)) return "?:??";
    const auto total = int64_t(seconds);
    if (total >= 3600)
        return Format("%lld:%02lld:%02lld", (long long)(total / 3600), (long long)(total / 60 % 60),
                      (long long)(total % 60));
    return Format("%lld:%02lld", (long long)(total / 60), (long long)(total % 60));
}

std::string LevelMeter(double level, int32_t width) {
    const double db = level > 0 ? 20 * std::log10(level) : -100;
    const auto cells = int32_t(std::clamp((db + 48) / 48 * width, 0.0, double(width)) + 0.5);
    return std::string(size_t(cells), '#') + std::string(size_t(width - cells), '.');
}

std::string StatusLine(const PlayStatus& s, size_t width) {
    const std::string pass = s.LoopForever ? "loop" : Format("pass %u/%u", s.Pass, s.Passes);
    std::string line = Format(" order %d/%d  pat %d  row %02d/%02d  speed %d tempo %d  %s / %s  %s"
                              "  vol %d  ",
                              s.Order, s.SongLength, s.Pattern, s.Row, s.Rows, s.Speed, s.Tempo,
                              ClockText(s.Elapsed).c_str(), ClockText(s.Total).c_str(),
                              pass.c_str(), s.MasterVolume);
    if (s.TempoFactor != 1.0) line += Format("x%.2f  ", s.TempoFactor);
    if (s.Paused) {
        line += "[ paused ]";
    } else {
        line += '[';
        line += LevelMeter(s.Level, 8);
        line += ']';
    }
    return Cut(line, width);
}

std::string ViewStatusLine(const PlayStatus& s, size_t width) {
    const std::string pass = s.LoopForever ? "loop" : Format("pass %u/%u", s.Pass, s.Passes);
    const std::string factor = s.TempoFactor != 1.0 ? Format("  x%.2f", s.TempoFactor) : "";
    return Cut(
        Format("%sorder %d/%d pat %d row %02d/%02d  speed %d tempo %d  %s / %s  %s  vol %d%s",
               s.Paused ? "PAUSED  " : "", s.Order, s.SongLength, s.Pattern, s.Row, s.Rows, s.Speed,
               s.Tempo, ClockText(s.Elapsed).c_str(), ClockText(s.Total).c_str(), pass.c_str(),
               s.MasterVolume, factor.c_str()),
        width);
}

std::string OrderLine(const PlayStatus& s) {
    return Format("order %d/%d  pattern %d  %s", s.Order, s.SongLength, s.Pattern,
                  ClockText(s.Elapsed).c_str());
}

std::string HeaderText(const SongHeader& h, bool keys, size_t width) {
    std::ostringstream out;
    const std::string file = SafeText(h.File);
    out << Cut(h.Count > 1 ? Format("[%d/%d] ", h.Index, h.Count) + file : file, width) << "\n";
    std::string title = "  Title: " + (h.Title.empty() ? std::string("(none)") : SafeText(h.Title));
    if (!h.Tracker.empty()) title += "   Tracker: " + SafeText(h.Tracker);
    out << Cut(title, width) << "\n";
    const std::string length = h.Length < 0 ? "unknown"
                               : h.Ends     ? ClockText(h.Length)
                                            : "more than " + ClockText(h.Length);
    out << Cut(Format("  Channels: %d   Orders: %d   Length: ", h.Channels, h.Orders) + length,
               width)
        << "\n";
    if (keys)
        out << Cut("  Keys: q quit, space pause, left/right order, up/down 10 s, pgup/pgdn 60 s, "
                   "c message, +/- volume, l loop" +
                       std::string(h.Count > 1 ? ", n/p next/previous file" : ""),
                   width)
            << "\n";
    return out.str();
}
