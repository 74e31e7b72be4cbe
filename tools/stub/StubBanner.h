#pragma once
// The generated player's banner, in the style of Ostrel's: the song's title in a box, then its
// tracker and length, the engine and how to stop. Lines end in CR LF.
#include <cstdint>
#include <cstdio>
#include <string>

struct TBannerFacts {
    std::string Title;   // as in the song's header; empty: untitled
    std::string Tracker; // the header's tracker name
    int64_t Seconds = 0; // the song's length
    bool Ends = true;    // false: it does not end within an hour, or its end is unknown
};

// Printable ASCII of a header text: trailing spaces and NULs dropped, other bytes shown as '?'.
std::string PrintableText(const std::string& text);
// "m:ss", or "h:mm:ss" from an hour.
std::string ClockText(int64_t seconds);
// The banner's lines for this platform ("WinMM" and a key on Windows, "ALSA" and Ctrl-C
// elsewhere).
std::string BannerText(const TBannerFacts& facts, bool windows);
// The status line: " Pattern: pp, Row: rr  m:ss" then CR.
std::string StatusText(int32_t pattern, int32_t row, int64_t seconds);
