// kavoxm trace: runs the sequencer of a song without mixing and without a device, and prints
// one line per row with its time, position, speed, tempo and global volume (and, with --cells,
// the row's pattern cells).
#include "Commands.h"
#include "Options.h"
#include "OutputCheck.h"
#include "PatternCell.h"
#include "Signals.h"
#include "SongFile.h"
#include "SongStart.h"

#include "KavoXM/module/Module.h"
#include "KavoXM/module/Pattern.h"
#include "KavoXM/player/Player.h"

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t TraceRate = 44100;

struct TraceOptions {
    std::string Path;
    double Seconds = 3600.0;
    bool Cells = false;
    int32_t StartOrder = -1;
    int32_t Subsong = 1;
};

// The cells of the row the sequencer read last, each after a '|'.
std::string RowCells(const TKavoXMModule& module) {
    std::string text;
    const TKavoXMPattern* pattern = module.Patterns[size_t(module.CurrentPattern)].get();
    for (int32_t channel = 0; channel < module.ChannelCount; ++channel)
        text += " |" + CellText(pattern != nullptr ? pattern->GetNote(module.PlayingRow, channel)
                                                   : TKavoXMPatternNote{});
    return text;
}

double Seconds(uint64_t frames) {
    return double(frames) / TraceRate;
}

int RunTrace(const TraceOptions& o) {
    // A player without a device: its tick clock runs the sequencer exactly as playback does,
    // and nothing is mixed.
    TKavoXM player(TraceRate, 2048, 4, true, 10, 16, 0, TKavoXMOutput::None);
    TKavoXMModule& module = *player.Module;
    std::string error;
    std::vector<uint8_t> image;
    int32_t start = 0;
    if (!ReadSongFile(o.Path, image, error) ||
        !LoadSongImage(o.Path, image, module, nullptr, error, TKavoXMLoadParts::WithoutSampleData) ||
        !StartOrder(o.Path, image, o.StartOrder, o.Subsong, module.SongLength, start, error)) {
        if (StopSignal() != 0) return StopExitCode();
        std::cerr << "kavoxm trace: " << error << "\n";
        return 1;
    }
    module.ResetPlayback();
    player.UpdateSamplesPerTick();
    if (start > 0) player.SetPosition(start, 0);
    const uint64_t limit = uint64_t(o.Seconds * TraceRate);
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
            std::printf("%10llu %9.3f %5d %4d %4d %5d %5d %4d%s\n", (unsigned long long)frames,
                        Seconds(frames), module.PlayingOrder, int(module.CurrentPattern),
                        module.PlayingRow, int(module.Speed), int(module.Tempo),
                        module.GlobalVolume, o.Cells ? RowCells(module).c_str() : "");
        frames += uint64_t(player.SamplesPerTick);
    }
    std::printf("length: %llu frames, %.3f s (%s)\n", (unsigned long long)frames, Seconds(frames),
                ended ? "song end" : "time limit");
    return StopSignal() != 0 ? StopExitCode() : 0;
}

} // namespace

void AddTraceCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<TraceOptions>();
    auto* command =
        app.add_subcommand("trace", "Run the sequencer without sound and print every row");
    command->add_option("FILE", options->Path, "XM module to trace (- reads standard input)")
        ->required();
    AddSecondsOption(*command, options->Seconds,
                     "Stop after this much song time (default an hour)");
    command->add_flag("--cells", options->Cells,
                      "Print each row's pattern cells (note, instrument, volume, effect)");
    AddPositionOptions(*command, options->StartOrder, options->Subsong);
    command->footer("Prints one line per row read: frame, seconds, order, pattern, row, speed, "
                    "tempo and global volume, then the length.\n"
                    "Examples:\n"
                    "  kavoxm trace song.xm\n"
                    "  kavoxm trace song.xm --cells --seconds 10\n"
                    "  kavoxm trace song.xm --subsong 2\n"
                    "  kavoxm trace song.xm --start 4 --seconds 30");
    command->callback([options, &exitCode] { exitCode = RunTrace(*options); });
}
