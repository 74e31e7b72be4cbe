#pragma once
// What `kavoxm play` shows: a header per song and one status line, cut to the terminal width.
#include <cstdint>
#include <string>

// A text as the terminal may show it: UTF-8 without control characters (ESC, BEL, CR...),
// which would act on the terminal (TextUtf8). Names from the song come already converted in
// the song's code page; other bytes (a file name that is not UTF-8) read as Windows-1252.
std::string SafeText(const std::string& bytes);

// The first `width` - 1 characters of a UTF-8 line (a character takes one column), so that
// the line never wraps; never cut inside a character.
std::string CutToWidth(const std::string& line, size_t width);

// m:ss (h:mm:ss from an hour); "?:??" for a negative time.
std::string ClockText(double seconds);

// Where the music heard now stands.
struct PlayStatus {
    int32_t Order = 0, SongLength = 0, Pattern = 0, Row = 0, Rows = 0;
    int32_t Speed = 0, Tempo = 0;
    double Elapsed = 0; // song time, seconds
    double Total = -1;  // song length, seconds; negative: unknown
    uint32_t Pass = 1, Passes = 1;
    bool LoopForever = false;
    bool Paused = false;
    int32_t MasterVolume = 128;
    double TempoFactor = 1.0; // shown when it is not 1
    double Level = 0;         // peak of the output, 1 = full scale
};

// A level meter of `width` cells: '#' up to the level on a dB scale from -48 to 0 dB.
std::string LevelMeter(double level, int32_t width);

// The status line, at most `width` - 1 characters so that it never wraps.
std::string StatusLine(const PlayStatus& status, size_t width);

// The status line of the pattern view, which has a meter per channel instead of one: the place
// first, at most `width` - 1 characters.
std::string ViewStatusLine(const PlayStatus& status, size_t width);

// One line per order change, for output that is not a terminal.
std::string OrderLine(const PlayStatus& status);

struct SongHeader {
    std::string File, Title, Tracker;
    int32_t Channels = 0, Orders = 0;
    double Length = -1;           // seconds; negative: unknown
    bool Ends = true;             // false: the song does not end within the scan
    int32_t Index = 1, Count = 1; // place in the list of files
};

// The lines shown before a song plays, each cut to `width` - 1 characters.
std::string HeaderText(const SongHeader& header, bool keys, size_t width);
