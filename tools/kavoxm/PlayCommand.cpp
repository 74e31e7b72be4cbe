// kavoxm play: plays a song in real time through the audio device with a status line.
#include "Commands.h"
#include "Options.h"
#include "Signals.h"
#include "SongFile.h"
#include "SongLength.h"

#include "KavoXM/player/Player.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <thread>
#include <unistd.h>

namespace {

struct PlayOptions {
    std::string input;
    int32_t loops = 1;
    int32_t masterVolume = -1; // -1: the player's default
    std::string interpolation = "spline";
};

constexpr int32_t Rate = 44100;
constexpr double LongestSong = 3600.0; // seconds scanned for the total time

std::string Clock(double seconds) {
    const int total = int(seconds);
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d", total / 60, total % 60);
    return text;
}

struct Status {
    int32_t order, songLength, row;
    int pattern;
    uint32_t passes;
};

// The output thread moves these while it renders: read them under the player's lock.
Status ReadStatus(TKavoXM& player) {
    std::lock_guard<std::mutex> lock(player.CriticalSection);
    const TKavoXMModule& m = *player.Module;
    return {m.PlayingOrder, m.SongLength, m.PlayingRow, int(m.CurrentPattern), m.SongEndCount};
}

int Run(const PlayOptions& o) {
    std::vector<uint8_t> image;
    std::string error;
    if (!ReadSongFile(o.input, image, error)) {
        std::cerr << "kavoxm play: " << error << "\n";
        return 1;
    }
    TKavoXM player(Rate, 2048, 4, true, 10, 16, 0);
    if (!player.DeviceOpen) {
        std::cerr << "kavoxm play: no audio output device could be opened\n";
        return 1;
    }
    if (!player.Module->LoadFromMemory(image.data(), int32_t(image.size()))) {
        std::cerr << "kavoxm play: cannot load " << o.input << ": not a valid XM module\n";
        return 1;
    }
    if (o.masterVolume >= 0) player.Module->MasterVolume = o.masterVolume;
    player.InterpolationMode = InterpolationModes().at(o.interpolation);
    const double total =
        double(SongLengthFrames(image, Rate, uint32_t(o.loops), LongestSong)) / Rate;

    const bool terminal = isatty(STDOUT_FILENO) != 0;
    const auto start = std::chrono::steady_clock::now();
    player.Play();
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const Status s = ReadStatus(player);
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (s.passes >= uint32_t(o.loops) || StopSignal() != 0) break;
        std::printf("\r order %3d/%-3d  pattern %3d  row %3d   %s / %s%s", s.order, s.songLength,
                    s.pattern, s.row, Clock(elapsed).c_str(), Clock(total).c_str(),
                    terminal ? "\x1b[K" : "");
        std::fflush(stdout);
    }
    if (!StopSignal() != 0) {
        // Let the audio already queued with the device play out.
        const double queued = double(player.BufferFrames) * player.BufferCount / Rate;
        std::this_thread::sleep_for(std::chrono::duration<double>(queued));
    }
    std::printf("\n");
    std::fflush(stdout);
    return StopSignal() != 0 ? StopExitCode() : 0;
}

} // namespace

void AddPlayCommand(CLI::App& app, int& exitCode) {
    auto* command = app.add_subcommand("play", "Play an XM module through the audio device");
    static PlayOptions o;
    command->add_option("FILE", o.input, "XM module to play")->required();
    command->add_option("--loops", o.loops, "Passes through the song (default 1)")
        ->check(CLI::Range(1, 1000));
    command->add_option("--master-volume", o.masterVolume, "Master volume 0..256 (default 128)")
        ->check(CLI::Range(0, 256));
    command->add_option("--interpolation", o.interpolation, "nearest, linear or spline")
        ->check(CLI::IsMember({"nearest", "linear", "spline"}));
    command->footer("Stops at the end of the song (or after --loops passes), or on Ctrl-C.\n"
                    "Exit codes: 0 played, 1 unreadable file, no XM module or no audio device,\n"
                    "2 bad options, 130 interrupted.");
    command->callback([&exitCode] { exitCode = Run(o); });
}
