// kavoxm render: plays a song offline into a WAV file (or raw PCM on stdout).
#include "Commands.h"
#include "Interpolation.h"
#include "SongFile.h"
#include "SongLength.h"
#include "WavFile.h"

#include "KavoXM/player/Player.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {
struct RenderOptions {
    std::string input;
    std::string output;
    int32_t rate = 44100;
    int32_t bits = 16;
    bool mono = false;
    int32_t masterVolume = -1; // -1: the player's default
    bool noClip = false;
    std::string interpolation = "spline";
    double seconds = 0; // 0: no limit
    int32_t loops = 1;
};

// Frames handed out per RenderOffline call: small enough that a song end stops the render
// within a few milliseconds of audio.
constexpr int32_t ChunkFrames = 256;

void ShowProgress(const TKavoXMModule& module, uint64_t frames, int32_t rate, int32_t loops) {
    std::fprintf(stderr, "\r  %8.1f s   pass %u/%d   order %3d/%-3d", double(frames) / rate,
                 module.SongEndCount + 1, loops, module.CurrentOrder, module.SongLength);
}

int Run(const RenderOptions& o) {
    auto player =
        std::make_unique<TKavoXM>(o.rate, 2048, 4, !o.mono, 10, o.bits, 0, TKavoXMOutput::None);
    std::string error;
    if (!LoadSongFile(o.input, *player->Module, error)) {
        std::cerr << "kavoxm render: " << error << "\n";
        return 1;
    }
    if (o.masterVolume >= 0) player->Module->MasterVolume = o.masterVolume;
    player->ClipOutput = !o.noClip;
    player->InterpolationMode = InterpolationModes().at(o.interpolation);
    if (!player->StartOffline()) {
        std::cerr << "kavoxm render: cannot play " << o.input << "\n";
        return 1;
    }
    PcmSink sink;
    if (!sink.Open(o.output, player->SampleRate, player->Channels, player->Bits, error)) {
        std::cerr << "kavoxm render: " << error << "\n";
        return 1;
    }
    const bool progress = isatty(STDERR_FILENO) != 0;
    // Without --seconds, a song that does not end within the cap (per pass) stops there.
    const bool capped = !(o.seconds > 0);
    const uint64_t limit = capped ? uint64_t(SongLengthCapSeconds * player->SampleRate) * o.loops
                                  : uint64_t(o.seconds * player->SampleRate);
    const size_t frameBytes = size_t(player->Channels * player->Bits / 8);
    std::vector<uint8_t> chunk(size_t(ChunkFrames) * frameBytes);
    uint64_t frames = 0;
    // The player notices the song end while it fills a block ahead of the frames handed out:
    // the block in which the last pass ends is still written out whole, so that nothing of the
    // song is lost (at most one block of the next pass follows it).
    uint64_t stop = limit;
    const uint64_t block = uint64_t(player->BufferFrames);
    while (frames < stop) {
        if (stop == limit && player->Module->SongEndCount >= uint32_t(o.loops))
            stop = std::min(limit, (frames + block - 1) / block * block);
        if (frames >= stop) break;
        const int32_t want = int32_t(std::min<uint64_t>(ChunkFrames, stop - frames));
        const int32_t got = player->RenderOffline(chunk.data(), want);
        if (got <= 0) break;
        if (!sink.Write(chunk.data(), size_t(got) * frameBytes)) {
            std::cerr << "kavoxm render: cannot write " << o.output << "\n";
            return 1;
        }
        frames += uint64_t(got);
        if (progress && frames % (uint64_t(ChunkFrames) * 64) == 0)
            ShowProgress(*player->Module, frames, player->SampleRate, o.loops);
    }
    if (progress) {
        ShowProgress(*player->Module, frames, player->SampleRate, o.loops);
        std::fputc('\n', stderr);
    }
    if (capped && frames >= limit && player->Module->SongEndCount < uint32_t(o.loops))
        std::cerr << "kavoxm render: warning: the song does not end within " << SongLengthCapSeconds
                  << " s a pass; stopped there (--seconds renders more)\n";
    if (!sink.Close(error)) {
        std::cerr << "kavoxm render: " << error << "\n";
        return 1;
    }
    return 0;
}
} // namespace

void AddRenderCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<RenderOptions>();
    auto* command = app.add_subcommand("render", "Render a song to a WAV file or raw PCM");
    command->add_option("FILE", options->input, "XM module to render")->required();
    command->add_option("-o,--output", options->output, "WAV file to write, or - for raw PCM")
        ->required();
    command->add_option("--rate", options->rate, "Sample rate in Hz")
        ->check(CLI::Range(8000, 384000))
        ->capture_default_str();
    command->add_option("--bits", options->bits, "Bits per sample")
        ->check(CLI::IsMember({8, 16}))
        ->capture_default_str();
    command->add_flag("--mono", options->mono, "One output channel");
    command->add_option("--master-volume", options->masterVolume, "Master volume (default 128)")
        ->check(CLI::Range(0, 256));
    command->add_flag("--no-clip", options->noClip, "Let 16-bit output wrap instead of saturating");
    AddInterpolationOption(*command, options->interpolation)->capture_default_str();
    command->add_option("--seconds", options->seconds, "Stop after this much audio")
        ->check(CLI::PositiveNumber);
    command->add_option("--loops", options->loops, "Passes through the song")
        ->check(CLI::Range(1, 1000))
        ->capture_default_str();
    command->callback([options, &exitCode] { exitCode = Run(*options); });
}
