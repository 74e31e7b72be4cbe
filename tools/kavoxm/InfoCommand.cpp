// kavoxm info FILE [--json]: what the loader read from a module's header, instruments and
// samples, as text or as one JSON object.
#include "Commands.h"
#include "Signals.h"
#include "SongFile.h"
#include "SongInfo.h"

#include "KavoXM/module/Module.h"
#include "KavoXM/module/XMLoadInfo.h"

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

struct InfoOptions {
    std::string File;
    bool Json = false;
};

int RunInfo(const InfoOptions& options) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadSongFile(options.File, bytes, error)) {
        if (StopSignal() != 0) return StopExitCode();
        std::cerr << "kavoxm info: " << error << "\n";
        return 1;
    }
    auto module = std::make_unique<TKavoXMModule>(nullptr);
    TKavoXMLoadInfo info;
    if (!LoadSongImage(options.File, bytes, *module, &info, error,
                       TKavoXMLoadParts::WithoutSampleData)) {
        std::cerr << "kavoxm info: " << error << "\n";
        return 1;
    }
    const SongFacts facts = FindSongFacts(bytes);
    if (StopSignal() != 0) return StopExitCode(); // the measurement stopped short
    std::cout << (options.Json ? SongInfoJson(*module, info, facts)
                               : SongInfoText(*module, info, facts));
    return 0;
}

} // namespace

void AddInfoCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<InfoOptions>();
    auto* command = app.add_subcommand("info", "Show what is in an XM file");
    command->footer("Prints the module's name, tracker, format version, channels, song length "
                    "in orders and in time, restart position, subsongs, pattern, instrument and "
                    "sample counts, every instrument and its samples (length in frames, loop, "
                    "bits, channels, volume, relative note, finetune), frequency table, initial "
                    "speed and tempo, order list and message. A song that does not end within an "
                    "hour, or whose length the bounded scan cannot tell, says so. Exit code 0 "
                    "when the file loads, 1 otherwise (with the reason).");
    command->add_option("FILE", options->File, "XM module to inspect (- reads standard input)")
        ->required();
    command->add_flag("--json", options->Json,
                      "Print one JSON object (keys name, tracker, version, channels, "
                      "song_length, duration_seconds, duration_end, restart_position, patterns, "
                      "instruments, missing_instruments, samples, linear_frequencies, "
                      "initial_speed, initial_tempo, orders, message, subsongs, pattern_names, "
                      "channel_names, instrument_list, sample_list)");
    command->callback([options, &exitCode] { exitCode = RunInfo(*options); });
}
