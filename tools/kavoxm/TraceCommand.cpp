// kavoxm trace: runs the sequencer of a song without mixing and without a device, and prints
// one line per row with its time, position, speed, tempo and global volume.
#include "Commands.h"
#include "Options.h"
#include "OutputCheck.h"
#include "Signals.h"
#include "SongFile.h"

#include "KavoXM/module/Module.h"
#include "KavoXM/player/Player.h"

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

constexpr int32_t TraceRate = 44100;

double Seconds(uint64_t frames) {
    return double(frames) / TraceRate;
}

int RunTrace(const std::string& path, double seconds) {
    // A player without a device: its tick clock runs the sequencer exactly as playback does,
    // and nothing is mixed.
    TKavoXM player(TraceRate, 2048, 4, true, 10, 16, 0, TKavoXMOutput::None);
    TKavoXMModule& module = *player.Module;
    std::string error;
    if (!LoadSongFile(path, module, error, TKavoXMLoadParts::WithoutSampleData)) {
        if (StopSignal() != 0) return StopExitCode();
        std::cerr << "kavoxm trace: " << error << "\n";
        return 1;
    }
    module.ResetPlayback();
    player.UpdateSamplesPerTick();
    const uint64_t limit = uint64_t(seconds * TraceRate);
    uint64_t frames = 0;
    std::printf("%10s %9s %5s %4s %4s %5s %5s %4s\n", "frame", "seconds", "order", "pat", "row",
                "speed", "tempo", "gvol");
    bool ended = false;
    while (frames < limit && StopSignal() == 0 && !StandardOutputFailed()) {
        player.Tick();
        if (module.SongEndCount >= 1) {
            ended = true;
            break;
        }
        if (module.TickCounter == 0 && module.PlayingOrder >= 0)
            std::printf("%10llu %9.3f %5d %4d %4d %5d %5d %4d\n", (unsigned long long)frames,
                        Seconds(frames), module.PlayingOrder, int(module.CurrentPattern),
                        module.PlayingRow, int(module.Speed), int(module.Tempo),
                        module.GlobalVolume);
        frames += uint64_t(player.SamplesPerTick);
    }
    std::printf("length: %llu frames, %.3f s (%s)\n", (unsigned long long)frames, Seconds(frames),
                ended ? "song end" : "time limit");
    return StopSignal() != 0 ? StopExitCode() : 0;
}

} // namespace

void AddTraceCommand(CLI::App& app, int& exitCode) {
    auto* command =
        app.add_subcommand("trace", "Run the sequencer without sound and print every row");
    static std::string path;
    static double seconds = 3600.0;
    command->add_option("FILE", path, "XM module to trace (- reads standard input)")->required();
    AddSecondsOption(*command, seconds, "Stop after this much song time (default an hour)");
    command->callback([&exitCode] { exitCode = RunTrace(path, seconds); });
}
