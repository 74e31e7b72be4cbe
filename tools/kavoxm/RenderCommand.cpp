// kavoxm render: plays a song offline into a WAV file (or raw PCM on stdout).
#include "Commands.h"
#include "KavoXM/player/PostMix.h"
#include "Options.h"
#include "PlayScreen.h"
#include "RenderSource.h"
#include "Signals.h"
#include "SongFile.h"
#include "SongStart.h"
#include "WavFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {
struct RenderOptions {
    std::string input;
    std::string output;
    int32_t rate = 44100;
    std::string bits = "16";
    bool mono = false;
    MixOptions mix;
    bool noClip = false;
    double seconds = 0; // 0: to the song end, at most MaxRenderSeconds
    int32_t loops = 1;
    bool force = false;
    bool sync = false;
    int32_t startOrder = -1;
    int32_t subsong = 1;
    double startSeconds = 0;
};

const std::map<std::string, SampleFormat>& BitsFormats() {
    static const std::map<std::string, SampleFormat> formats = {{"8", SampleFormat::U8},
                                                                {"16", SampleFormat::S16},
                                                                {"24", SampleFormat::S24},
                                                                {"32f", SampleFormat::F32}};
    return formats;
}

void Fail(const std::string& message) {
    std::cerr << "kavoxm render: " << message << "\n";
}

// `order` is the last order entry rendered: after the song's end the module already stands at
// the start of another pass.
void ShowProgress(const TKavoXMModule& module, int32_t order, uint64_t frames, int32_t rate,
                  int32_t loops) {
    const uint32_t pass = std::min(module.SongEndCount + 1, uint32_t(loops));
    std::fprintf(stderr, "\r  %8.1f s   pass %u/%d   order %3d/%-3d", double(frames) / rate, pass,
                 loops, order, module.SongLength);
}

// PCM of several blocks collected for one write: large writes go straight from here to the
// file, without a copy into a stdio buffer. About 256 KiB a write (at least eight blocks):
// fewer, larger writes cost the system less per byte.
constexpr size_t WriteBytes = size_t(1) << 18;

class PcmChunk {
  public:
    PcmChunk(size_t blockBytes, PcmSink& sink)
        : data(std::max<size_t>(WriteBytes / std::max<size_t>(blockBytes, 1), 8) * blockBytes),
          blockBytes(blockBytes), sink(sink) {}
    // Room for one more block.
    uint8_t* Next() { return data.data() + used; }
    // Takes `n` bytes written at Next(); writes the chunk out when the next block might not fit.
    bool Add(size_t n) {
        used += n;
        return used + blockBytes <= data.size() || Flush();
    }
    bool Flush() {
        const bool ok = used == 0 || sink.Write(data.data(), used);
        used = 0;
        return ok;
    }

  private:
    std::vector<uint8_t> data;
    size_t blockBytes;
    size_t used = 0;
    PcmSink& sink;
};

// Mixes, post-mixes and writes blocks until the limit, the song end or a stop request.
// Returns the exit code; `ended` tells whether the song ended.
int RenderBlocks(const RenderOptions& o, RenderSource& source, PcmSink& sink, uint64_t limit,
                 bool& ended) {
    const SampleFormat format = BitsFormats().at(o.bits);
    const PostMix post{o.mix.GainDb, o.mix.Separation};
    const int32_t channels = source.Channels();
    const bool progress = isatty(STDERR_FILENO) != 0;
    const size_t blockBytes =
        size_t(source.BlockFrames()) * size_t(channels) * ConvertBytesPerSample(format);
    PcmChunk chunk(blockBytes, sink);
    uint64_t frames = 0;
    int32_t order = 0;
    ended = false;
    int code = 0;
    bool written = true;
    while (frames < limit && !ended) {
        if (StopSignal() != 0) {
            code = StopExitCode();
            break;
        }
        const int32_t mixed = source.NextBlockToEnd(uint32_t(o.loops), ended);
        int32_t* mix = source.Block();
        const auto n = int32_t(std::min<uint64_t>(uint64_t(mixed), limit - frames));
        post.Apply(mix, n, channels);
        const size_t values = size_t(n) * size_t(channels);
        ConvertMix(mix, values, format, !o.noClip, chunk.Next());
        if (!chunk.Add(values * size_t(BytesPerSample(format)))) {
            written = false;
            break;
        }
        frames += uint64_t(n);
        // The render stops at the frame where the last pass ends; the module already stands
        // past it.
        if (!ended) order = std::max(source.Module().PlayingOrder, 0);
        if (progress && n > 0 && (frames / uint64_t(n)) % 32 == 0)
            ShowProgress(source.Module(), order, frames, source.Rate(), o.loops);
    }
    if (written && !chunk.Flush()) written = false;
    if (!written) {
        Fail("cannot write " + (o.output == "-" ? "standard output" : o.output) + ": " +
             std::strerror(errno));
        code = 1;
    }
    if (progress) {
        ShowProgress(source.Module(), order, frames, source.Rate(), o.loops);
        std::fputc('\n', stderr);
    }
    return code;
}

std::string CapWarning(const std::string& input, const std::string& action) {
    return "warning: " + DisplayName(input) + " does not end within " +
           ClockText(MaxRenderSeconds) + "; " + action;
}

int Run(const RenderOptions& o) {
    if (o.output == "-" && isatty(STDOUT_FILENO) != 0) {
        Fail("raw PCM to a terminal; redirect it or use -o FILE");
        return 2;
    }
    if (const std::string why = CheckOutputName(o.input, o.output, o.force); !why.empty()) {
        Fail(why);
        return 1;
    }
    std::vector<uint8_t> image;
    std::string error;
    auto source = std::make_unique<RenderSource>(o.rate, !o.mono);
    if (!ReadSongFile(o.input, image, error) || !source->Load(o.input, image, error)) {
        if (StopSignal() != 0) return StopExitCode();
        Fail(error);
        return 1;
    }
    int32_t start = 0;
    if (!StartOrder(o.input, image, o.startOrder, o.subsong, source->Module().SongLength, start,
                    error)) {
        Fail(error);
        return 1;
    }
    if (o.startSeconds > 0)
        source->SeekFrames(start, uint64_t(std::llround(o.startSeconds * o.rate)),
                           uint32_t(o.loops));
    else if (start > 0)
        source->Seek(start);
    TKavoXM& player = source->Player();
    if (o.mix.MasterVolume >= 0) player.Module->MasterVolume = o.mix.MasterVolume;
    player.ClipOutput = !o.noClip;
    player.InterpolationMode = InterpolationModes().at(o.mix.Interpolation);
    // Without --seconds, a song that does not end within the cap (a pass) stops there with a
    // warning. The render itself finds that out: scanning the length first would cost as
    // much sequencer work again as the render.
    const double seconds = o.seconds > 0 ? o.seconds : MaxRenderSeconds * o.loops;
    const auto limit = uint64_t(std::llround(seconds * o.rate));
    const SampleFormat format = BitsFormats().at(o.bits);
    const uint64_t frameBytes = uint64_t(source->Channels()) * uint64_t(BytesPerSample(format));
    PcmSink sink;
    if (!sink.Open(o.output, o.rate, source->Channels(), format,
                   SinkOptions{o.force, o.sync, limit * frameBytes}, error)) {
        if (StopSignal() != 0) return StopExitCode(); // a pipe without a reader yet
        Fail(error);
        return 1;
    }
    bool ended = false;
    if (const int code = RenderBlocks(o, *source, sink, limit, ended); code != 0) return code;
    if (!ended && o.seconds == 0)
        Fail(CapWarning(o.input, "stopped at " + ClockText(MaxRenderSeconds) +
                                     " a pass (--seconds sets the length)"));
    if (!sink.Finish(error)) {
        Fail(error);
        return 1;
    }
    return 0;
}
} // namespace

void AddRenderCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<RenderOptions>();
    auto* command = app.add_subcommand("render", "Render a song to a WAV file or raw PCM");
    command->add_option("FILE", options->input, "XM module to render (- reads standard input)")
        ->required();
    command
        ->add_option("-o,--output", options->output,
                     "WAV file to write, or - for raw PCM on standard output")
        ->required();
    command->add_flag("-f,--force", options->force,
                      "Replace an existing output file (through a symbolic link: the file it "
                      "names)");
    command->add_flag("--sync", options->sync,
                      "Have the file on the disk before it takes its name (slower)");
    command->add_option("--rate", options->rate, "Sample rate in Hz")
        ->check(CLI::Range(8000, 384000))
        ->capture_default_str();
    command->add_option("--bits", options->bits, "Sample format: 8, 16, 24 or 32f (float)")
        ->check(CLI::IsMember({"8", "16", "24", "32f"}))
        ->capture_default_str();
    command->add_flag("--mono", options->mono, "One output channel");
    AddMixOptions(*command, options->mix);
    command->add_flag("--no-clip", options->noClip,
                      "Let integer output wrap instead of saturating");
    AddSecondsOption(*command, options->seconds,
                     "Stop after this much audio (default: the song end, at most an hour)");
    AddPositionOptions(*command, options->startOrder, options->subsong);
    AddStartSecondsOption(*command, options->startSeconds);
    command->add_option("--loops", options->loops, "Passes through the song")
        ->check(CLI::Range(1, 1000))
        ->capture_default_str();
    command->footer("Raw PCM (-o -) is interleaved little-endian samples without a header: signed "
                    "16/24-bit, unsigned 8-bit or 32-bit float.");
    command->callback([options, &exitCode] { exitCode = Run(*options); });
}
