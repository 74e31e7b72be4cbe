// kavoxm play: plays songs in real time through the audio device, with keys and a status line
// on a terminal.
#include "Commands.h"
#include "KavoXM/capi/kavoxm.h"
#include "Options.h"
#include "PlaySession.h"
#include "Signals.h"
#include "Terminal.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <vector>

namespace {

struct PlayOptions {
    std::vector<std::string> files;
    PlaySettings settings;
    bool noView = false, noColour = false;
};

// Colours unless NO_COLOR is set (to anything) or TERM says the terminal has none. Without
// TERM (a Windows console) colours stay: the view only draws where escapes work.
bool ColourWanted() {
    const char* noColour = std::getenv("NO_COLOR");
    if (noColour != nullptr && noColour[0] != '\0') return false;
    const char* term = std::getenv("TERM");
    return term == nullptr || (term[0] != '\0' && std::strcmp(term, "dumb") != 0);
}

int Run(PlayOptions& o) {
    o.settings.View = !o.noView;
    o.settings.Colour = !o.noColour && ColourWanted();
    RawTerminal terminal;
    PlayPlace place;
    PlayControls controls;
    if (o.settings.Mix.MasterVolume >= 0) controls.MasterVolume = o.settings.Mix.MasterVolume;
    place.Count = int32_t(o.files.size());
    place.Screen = StdoutIsScreen();
    int code = 0;
    for (size_t i = 0; i < o.files.size();) {
        place.Index = int32_t(i) + 1;
        std::string error;
        switch (PlaySong(o.files[i], o.settings, place, controls, terminal, error)) {
        case PlayEnd::Quit:
            return code;
        case PlayEnd::Stopped:
            return StopExitCode();
        case PlayEnd::NoDevice:
            std::cerr << "kavoxm play: no audio output device could be opened (without a sound "
                         "card: render to a pipe, see the README)\n";
            return 1;
        case PlayEnd::Previous:
            i = i > 0 ? i - 1 : 0;
            break;
        case PlayEnd::Failed:
            std::cerr << "kavoxm play: " << error << "\n";
            code = 1;
            ++i;
            break;
        case PlayEnd::Finished:
        case PlayEnd::Next:
            ++i;
            break;
        }
    }
    return code;
}

} // namespace

void AddPlayCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<PlayOptions>();
    PlaySettings& s = options->settings;
    auto* command = app.add_subcommand("play", "Play XM modules through the audio device");
    command->add_option("FILE", options->files, "XM modules to play (- reads standard input)")
        ->required();
    command->add_option("--loops", s.Loops, "Passes through each song (default 1)")
        ->check(CLI::Range(1, 1000));
    command->add_option("--rate", s.Rate, "Sample rate in Hz")
        ->check(CLI::Range(KAVOXM_MIN_RATE, KAVOXM_MAX_RATE))
        ->capture_default_str();
    AddSecondsOption(*command, s.Seconds, "Play at most this much of each song");
    AddPositionOptions(*command, s.StartOrder, s.Subsong);
    AddStartSecondsOption(*command, s.StartSeconds);
    command->add_flag("--no-view", options->noView,
                      "Only the status line, without the pattern view and channel meters");
    command->add_flag("--no-color", options->noColour, "No colours (as NO_COLOR does)");
    AddMixOptions(*command, s.Mix);
    command->footer(
        "Keys on a terminal: q quit, space pause, left/right previous/next order, down/up (or "
        ",/.) 10 s back/forward, page down/up (or </>) a minute, [/] channel groups, c the song "
        "message, +/- master volume, {/} tempo down/up by 1/16 (0.25..4 times, the pitch "
        "stays), t the tempo back to 1, l loop forever on/off, n/p next/previous file. The pattern "
        "view with a stereo meter per channel shows on "
        "terminals of 80x24 and more (left and right: the peak of what the channel adds to the "
        "block heard). Without a "
        "terminal: one line per order. Stops at the end of the song (or after --loops passes "
        "or --seconds).\n"
        "Exit codes: 0 played, 1 a file could not be read or loaded, or no audio device, 2 bad "
        "options, 130 Ctrl-C, 143 SIGTERM.");
    command->callback([options, &exitCode] { exitCode = Run(*options); });
}
