// kavoxm exe: writes a standalone player for a song, a prebuilt player stub with the song and
// its playback settings after it (tools/stub). Nothing is compiled here: the stubs come with
// the tool, one per target that the build could make.
#include "Commands.h"
#include "ExeCommandStubs.h"
#include "Options.h"
#include "PlatformFiles.h"
#include "SongFile.h"
#include "tools/stub/SongPayload.h"

#include "KavoXM/player/Player.h"
#include "Ostrel/SongPack.h"

#include <cstdio>
#include <filesystem>
#include <memory>

namespace {
namespace fs = std::filesystem;

struct ExeOptions {
    std::string input;
    std::string output;
    std::string target = HostStubTarget();
    std::string stub; // an explicit stub file
    MixOptions mix;
    int32_t loops = 1;
    bool force = false;
};

void Fail(const std::string& message) {
    std::fprintf(stderr, "kavoxm exe: %s\n", message.c_str());
}

// Why the program must not be written to the output name, or empty.
std::string CheckProgramName(const ExeOptions& o) {
    const OutputTarget target = ExamineOutput(o.output);
    if (o.output == "-" || target.Kind == TargetKind::Stream)
        return "cannot write the program to " + o.output + ": it is written to a file";
    if (target.Kind == TargetKind::Refused)
        return "cannot write " + o.output + ": " + target.Reason;
    if (o.input != "-" && SameFile(o.input, o.output)) return o.output + " is the input file";
    if (!o.force && target.Kind == TargetKind::File)
        return o.output + " exists already (--force replaces it)";
    return {};
}

TSongSettings SettingsOf(const ExeOptions& o) {
    TSongSettings settings;
    if (o.mix.MasterVolume >= 0) settings.MasterVolume = o.mix.MasterVolume;
    settings.Interpolation = InterpolationModes().at(o.mix.Interpolation);
    settings.StereoSeparation = o.mix.Separation;
    settings.Loops = o.loops;
    return settings;
}

// The stub's bytes; false with `error` when it is missing, unreadable or not a bare stub.
bool ReadStub(const ExeOptions& o, std::vector<uint8_t>& stub, std::string& error) {
    const std::string path = o.stub.empty() ? FindStub(o.target) : o.stub;
    if (path.empty()) {
        error = "no player stub for " + o.target + " comes with this kavoxm (its build made " +
                "none: no compiler for that target); looked in " + StubSearchText(o.target);
        return false;
    }
    if (!ReadSongFile(path, stub, error)) return false;
    const size_t tail = std::min(stub.size(), SongTrailerBytes);
    const TSongPayload carried =
        ReadSongTrailer(stub.data() + stub.size() - tail, tail, stub.size());
    if (carried.State != TPayloadState::NoSong) {
        error = DisplayName(path) + " already carries a song; give the bare stub";
        return false;
    }
    return true;
}

// Writes stub, song and trailer under a temporary name beside the output, executable, then
// gives it the output's name.
bool WritePlayer(const ExeOptions& o, const std::vector<uint8_t>& stub,
                 const std::vector<uint8_t>& image, std::string& error) {
    // The song is stored packed when that is smaller.
    TSongSettings settings = SettingsOf(o);
    const std::vector<uint8_t> packed = PackSong(image.data(), image.size());
    settings.Packed = packed.size() < image.size();
    const std::vector<uint8_t>& song = settings.Packed ? packed : image;
    uint8_t trailer[SongTrailerBytes];
    BuildSongTrailer(song.data(), uint32_t(song.size()), settings, trailer);
    std::string temporary;
    std::FILE* file = CreateFileBeside(o.output, temporary, error);
    if (file == nullptr) {
        error = "cannot create " + o.output + ": " + error;
        return false;
    }
    bool ok = std::fwrite(stub.data(), 1, stub.size(), file) == stub.size() &&
              std::fwrite(song.data(), 1, song.size(), file) == song.size() &&
              std::fwrite(trailer, 1, sizeof trailer, file) == sizeof trailer;
    ok = std::fclose(file) == 0 && ok;
    if (ok) MakeExecutable(temporary);
    const PublishResult published =
        ok ? PublishFile(temporary, o.output, o.force, error) : PublishResult::Failed;
    if (published == PublishResult::Published) return true;
    RemoveFile(temporary);
    if (published == PublishResult::Exists)
        error = o.output + " exists already (--force replaces it)";
    else
        error = "cannot write " + o.output + (error.empty() ? "" : ": " + error);
    return false;
}

int Run(const ExeOptions& o) {
    if (const std::string why = CheckProgramName(o); !why.empty()) {
        Fail(why);
        return 1;
    }
    std::vector<uint8_t> song, stub;
    std::string error;
    auto player = std::make_unique<TKavoXM>(44100, 2048, 1, true, 10, 16, 0, TKavoXMOutput::None);
    if (!ReadSongFile(o.input, song, error) ||
        !LoadSongImage(o.input, song, *player->Module, nullptr, error)) {
        Fail(error);
        return 1;
    }
    if (song.size() > SongPayloadLimit) {
        Fail(DisplayName(o.input) + " is larger than a player carries (512 MiB)");
        return 1;
    }
    if (!ReadStub(o, stub, error) || !WritePlayer(o, stub, song, error)) {
        Fail(error);
        return 1;
    }
    return 0;
}
} // namespace

void AddExeCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ExeOptions>();
    auto* command =
        app.add_subcommand("exe", "Write a standalone player program that carries the song");
    command->add_option("FILE", options->input, "XM module to carry (- reads standard input)")
        ->required();
    command->add_option("-o,--output", options->output, "Program file to write")->required();
    command
        ->add_option("--target", options->target,
                     "win32 (32-bit Windows) or linux (x86-64); default: this system")
        ->check(CLI::IsMember({"win32", "linux"}))
        ->capture_default_str();
    command->add_option("--stub", options->stub,
                        "Player stub to use instead of the one installed for the target");
    command->add_flag("-f,--force", options->force, "Replace an existing output file");
    command
        ->add_option("--master-volume", options->mix.MasterVolume,
                     "Master volume 0..256 (default 128)")
        ->check(CLI::Range(0, 256));
    command
        ->add_option("--interpolation", options->mix.Interpolation,
                     "nearest, linear or spline (default)")
        ->check(CLI::IsMember({"nearest", "linear", "spline"}));
    command
        ->add_option("--stereo-separation", options->mix.Separation,
                     "0 mono, 100 the song's panning (default), up to 200 wider")
        ->check(CLI::Range(0, 200));
    command->add_option("--loops", options->loops, "Passes through the song; 0 plays until stopped")
        ->check(CLI::Range(0, 1000))
        ->capture_default_str();
    command->footer("The program plays the song through the sound card with its banner and a "
                    "status line; run it with --wav FILE to write a WAV file instead (the bytes "
                    "`kavoxm render` writes with the same settings), --help for more.");
    command->callback([options, &exitCode] { exitCode = Run(*options); });
}
