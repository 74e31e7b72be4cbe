#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// The console player's main sequence: banner, player set-up, loading of the given song
// image, playback with a progress line every 10 ms until the stop point, teardown.
// Returns the process exit code: 0 at the stop point, 1 when no output device could be
// opened or the song did not load (one line on err says which). The program's output thread
// services the device every 10 ms; tests pass a shorter interval to play faster than real time.
int RunConsolePlayer(const uint8_t* image, int32_t size, std::FILE* out, std::FILE* err,
                     int32_t threadPollMs = 10);

// Decimal text right-aligned in at least two characters, padded with spaces.
std::string FormatTwoDigits(int32_t value);
// " Pattern: pp, Row: rr\r"
std::string ProgressLine(int32_t pattern, int32_t row);
// Pattern 12 with its row counter past 60: row 60 of the last pattern has been read.
bool ReachedStopPoint(int32_t pattern, int32_t row);
// The fourteen banner lines, each ending in CR LF.
extern const char* const BannerLines[14];
