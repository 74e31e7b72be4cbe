#include "Options.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

std::string Short(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// The whole text is a finite number.
bool ParseFinite(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && errno != ERANGE && std::isfinite(value);
}

std::string CheckNumber(const std::string& text, double min, double max, bool minExclusive,
                        const std::string& what) {
    double value = 0;
    const std::string range = (minExclusive ? "above " : "from ") + Short(min) +
                              (minExclusive ? " and at most " : " to ") + Short(max);
    if (!ParseFinite(text, value) || value < min || (minExclusive && value == min) || value > max)
        return what + "must be a number " + range + ", not '" + text + "'";
    return {};
}

} // namespace

CLI::Validator NumberIn(double min, double max, bool minExclusive) {
    return CLI::Validator(
        [=](std::string& text) { return CheckNumber(text, min, max, minExclusive, ""); },
        (minExclusive ? "(" : "[") + Short(min) + " - " + Short(max) + "]");
}

std::string CheckSeconds(const std::string& text) {
    return CheckNumber(text, 0, MaxRenderSeconds, true, "--seconds ");
}

const std::map<std::string, uint8_t>& InterpolationModes() {
    static const std::map<std::string, uint8_t> modes = {
        {"nearest", 0}, {"linear", 1}, {"spline", 2}};
    return modes;
}

void AddMixOptions(CLI::App& command, MixOptions& o) {
    command.add_option("--master-volume", o.MasterVolume, "Master volume 0..256 (default 128)")
        ->check(CLI::Range(0, 256));
    command.add_option("--interpolation", o.Interpolation, "nearest, linear or spline (default)")
        ->check(CLI::IsMember({"nearest", "linear", "spline"}));
    command.add_option("--gain", o.GainDb, "Gain in dB after mixing, -60..24 (default 0)")
        ->check(NumberIn(-60, 24, false));
    command
        .add_option("--stereo-separation", o.Separation,
                    "0 mono, 100 the song's panning (default), up to 200 wider")
        ->check(CLI::Range(0, 200));
}

CLI::Option* AddSecondsOption(CLI::App& command, double& seconds, const std::string& help) {
    return command.add_option("--seconds", seconds, help)
        ->check(NumberIn(0, MaxRenderSeconds, true));
}

CLI::Option* AddStartSecondsOption(CLI::App& command, double& seconds) {
    auto* option = command
                       .add_option("--start-seconds", seconds,
                                   "Begin at this song time (of the subsong with --subsong)")
                       ->check(NumberIn(0, MaxRenderSeconds, false));
    if (CLI::Option* start = command.get_option_no_throw("--start")) option->excludes(start);
    return option;
}

void AddPositionOptions(CLI::App& command, int32_t& startOrder, int32_t& subsong) {
    auto* start = command.add_option("--start", startOrder, "Start at this order (0 is the first)")
                      ->check(CLI::Range(0, 255));
    command.add_option("--subsong", subsong, "Subsong N (1, the default, is the song's start)")
        ->check(CLI::Range(1, 256))
        ->excludes(start);
}
