#pragma once
// Options shared by several kavoxm commands, with validators that take numbers the way people
// type them: finite, in range, and described in readable words when refused.
#include "KavoXM/song/SongScan.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <map>
#include <string>

// Longest audio the tool renders or plays of a pass through a song that does not end (and the
// most --seconds accepts): the song-length scan's cap, one hour.
constexpr double MaxRenderSeconds = SongLengthCapSeconds;

// A finite number in [min, max] (above min when `minExclusive`).
CLI::Validator NumberIn(double min, double max, bool minExclusive);

// Checks a number typed for --seconds; empty when acceptable, else the reason.
std::string CheckSeconds(const std::string& text);

// Interpolation mode names and their player values.
const std::map<std::string, uint8_t>& InterpolationModes();

// What render and play share: master volume, interpolation and the post-mix stage.
struct MixOptions {
    int32_t MasterVolume = -1; // 0..256, -1: the player's default (128)
    std::string Interpolation = "spline";
    double GainDb = 0;        // applied after mixing
    int32_t Separation = 100; // 0 mono .. 100 the song's panning .. 200 wider
};

void AddMixOptions(CLI::App& command, MixOptions& options);
// --seconds, limited to MaxRenderSeconds.
CLI::Option* AddSecondsOption(CLI::App& command, double& seconds, const std::string& help);
// --start-seconds S: song time to begin at, from the start order or subsong.
CLI::Option* AddStartSecondsOption(CLI::App& command, double& seconds);
// --start ORDER and --subsong N.
void AddPositionOptions(CLI::App& command, int32_t& startOrder, int32_t& subsong);
