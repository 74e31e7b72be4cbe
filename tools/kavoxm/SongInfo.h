#pragma once
// The facts `kavoxm info` prints about a loaded song, as text or as one JSON object.
#include "KavoXM/module/CodePage.h"
#include "KavoXM/song/Subsongs.h"

#include <cstdint>
#include <string>
#include <vector>

class TKavoXMModule;
struct TKavoXMLoadInfo;

// What info finds beyond the loader: the tracker name, the song's length and its subsongs.
struct SongFacts {
    std::string Tracker;
    SongScan Length;
    std::vector<Subsong> Subsongs;
    bool SubsongsCut = false; // the measurement ran out of work: more subsongs may follow
    int32_t Rate = 44100;     // of the frame counts
};

// Scans the image for the facts above.
SongFacts FindSongFacts(const std::vector<uint8_t>& image);

std::string SongInfoText(const TKavoXMModule& module, const TKavoXMLoadInfo& info,
                         const SongFacts& facts);
std::string SongInfoJson(const TKavoXMModule& module, const TKavoXMLoadInfo& info,
                         const SongFacts& facts);

// The tracker name in an XM image's header (up to the first zero, trailing spaces removed),
// shown safely (as TextUtf8 makes it), or empty.
std::string TrackerName(const std::vector<uint8_t>& image);
// A JSON string literal of a text from the file, made safe the way the text output shows it
// (TextUtf8: valid UTF-8 stays, anything else is read in the file's code page, control
// characters go; with `keepLineBreaks` line ends stay, as "\n").
std::string JsonString(const std::string& bytes, TKavoXMCodePage page, bool keepLineBreaks = false);
// The song message with its line ends (CR, CR LF) as newlines.
std::string MessageLines(const std::string& message);
// A song length: m:ss.s, "does not end within m:ss" or "unknown (more than m:ss)".
std::string DurationText(const SongScan& scan, int32_t rate);
