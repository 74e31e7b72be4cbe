#include "StubBanner.h"

std::string PrintableText(const std::string& text) {
    std::string shown;
    for (const char c : text) shown += c >= 0x20 && c < 0x7F ? c : c == 0 ? ' ' : '?';
    while (!shown.empty() && shown.back() == ' ') shown.pop_back();
    size_t first = 0;
    while (first < shown.size() && shown[first] == ' ') ++first;
    return shown.substr(first);
}

namespace {
std::string TwoDigits(int64_t value) {
    return std::string(1, char('0' + value / 10 % 10)) + char('0' + value % 10);
}
} // namespace

std::string ClockText(int64_t seconds) {
    if (seconds < 0) seconds = 0;
    const int64_t hours = seconds / 3600, minutes = seconds / 60 % 60;
    const std::string tail = TwoDigits(seconds % 60);
    if (hours > 0) return std::to_string(hours) + ":" + TwoDigits(minutes) + ":" + tail;
    return std::to_string(minutes) + ":" + tail;
}

std::string BannerText(const TBannerFacts& facts, bool windows) {
    const std::string title = PrintableText(facts.Title);
    const std::string boxed = "\"" + (title.empty() ? std::string("untitled") : title) + "\"";
    const std::string rule = "  " + std::string(boxed.size() + 2, '-') + "\r\n";
    const std::string tracker = PrintableText(facts.Tracker);
    std::string text = "\r\n" + rule + " | " + boxed + " |\r\n" + rule + "\r\n";
    text += " Tracker: " + (tracker.empty() ? std::string("unknown") : tracker) + "\r\n";
    text +=
        " Length:  " + (facts.Ends ? ClockText(facts.Seconds) : std::string("more than an hour")) +
        "\r\n";
    text += "\r\n";
    text += windows ? " Powered using KavoXM engine / WinMM\r\n Press any key to stop\r\n"
                    : " Powered using KavoXM engine / ALSA\r\n Press Ctrl-C to stop\r\n";
    text += "\r\n";
    return text;
}

std::string StatusText(int32_t pattern, int32_t row, int64_t seconds) {
    auto padded = [](int32_t value) {
        std::string digits = std::to_string(value);
        return digits.size() < 2 ? " " + digits : digits;
    };
    return " Pattern: " + padded(pattern) + ", Row: " + padded(row) + "  " + ClockText(seconds) +
           "  \r";
}
