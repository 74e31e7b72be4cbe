#pragma once
// One song of `kavoxm play`: loads it, plays it on the audio device through the library's live
// player (the C API) with keys and a status line (or one line per order when output is not a
// terminal), and says how it ended.
#include "Options.h"

#include <cstdint>
#include <string>

class RawTerminal;

struct PlaySettings {
    int32_t Rate = 44100;
    int32_t Loops = 1;
    double Seconds = 0; // 0: no limit but the song end
    int32_t StartOrder = -1;
    int32_t Subsong = 1;
    double StartSeconds = 0; // song time to begin at
    bool View = true;        // the pattern view where the terminal is large enough
    bool Colour = true;      // colours in the view
    MixOptions Mix;
};

enum class PlayEnd { Finished, Quit, Next, Previous, Stopped, Failed, NoDevice };

struct PlayPlace {
    int32_t Index = 1, Count = 1; // place of the file in the list
    bool Screen = false;          // standard output is a terminal
};

// What the listener set with keys that stays from one file to the next.
struct PlayControls {
    int32_t MasterVolume = 128;
};

// Plays `path` on the default audio device. On PlayEnd::Failed, `error` says why.
PlayEnd PlaySong(const std::string& path, const PlaySettings& settings, const PlayPlace& place,
                 PlayControls& controls, RawTerminal& terminal, std::string& error);
