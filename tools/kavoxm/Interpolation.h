#pragma once
// The --interpolation option of render and play: names for the player's interpolation modes.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <map>
#include <string>

inline const std::map<std::string, uint8_t>& InterpolationModes() {
    static const std::map<std::string, uint8_t> modes = {
        {"nearest", 0}, {"linear", 1}, {"spline", 2}};
    return modes;
}

// Adds --interpolation to a command, storing the chosen name (spline by default).
inline CLI::Option* AddInterpolationOption(CLI::App& command, std::string& name) {
    return command.add_option("--interpolation", name, "nearest, linear or spline (default)")
        ->check(CLI::IsMember({"nearest", "linear", "spline"}));
}
