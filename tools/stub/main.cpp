// A song's own player: the stub that `kavoxm exe` puts in front of a song. It finds the song
// and its playback settings at the end of its own file, checks them, shows its banner and
// plays the song through the sound card, or writes it to a WAV file.
#include "SelfImage.h"
#include "SongPayload.h"
#include "StubBanner.h"
#include "StubRun.h"

#include "KavoXM/player/Player.h"
#include "KavoXM/song/PassTimes.h"
#include "MMSystem/Console.h"
#include "Ostrel/SongPack.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

#if defined(_WIN32)
constexpr bool OnWindows = true;
#define STOP_KEY_TEXT "Any key stops it."
#else
constexpr bool OnWindows = false;
#define STOP_KEY_TEXT "Ctrl-C stops it."
#endif

const char* const HelpText =
    "Plays the song this program carries through the sound card, with its position on a\n"
    "status line, to the song's end. " STOP_KEY_TEXT "\n"
    "\n"
    "  --wav FILE  write the song to FILE as a WAV file (44100 Hz, 16-bit stereo) instead\n"
    "  --help      show this help";

// The program's name for messages: its file name without the folders and ".exe".
std::string ProgramName(const char* argv0) {
    std::string name = argv0 != nullptr ? argv0 : "player";
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    if (name.size() > 4 && (name.ends_with(".exe") || name.ends_with(".EXE")))
        name.resize(name.size() - 4);
    return name.empty() ? "player" : name;
}

// The attached song and its settings, checked; an empty song after a message when they fail.
bool FindSong(const char* name, std::vector<uint8_t>& song, TSongSettings& settings) {
    std::vector<uint8_t> self;
    if (!ReadSelfImage(self)) {
        WriteLine(stderr, {name, ": cannot read its own program file"});
        return false;
    }
    uint8_t trailer[SongTrailerBytes] = {};
    const size_t tail = std::min(self.size(), SongTrailerBytes);
    std::memcpy(trailer, self.data() + self.size() - tail, tail);
    TSongPayload payload = ReadSongTrailer(trailer, tail, self.size());
    CheckSongPayload(payload, self.data() + payload.SongOffset, trailer);
    if (payload.State != TPayloadState::Found) {
        WriteLine(stderr, {name, ": ", PayloadStateText(payload.State)});
        return false;
    }
    const uint8_t* stored = self.data() + payload.SongOffset;
    if (!payload.Settings.Packed)
        song.assign(stored, stored + payload.SongSize);
    else if (!UnpackSong(stored, payload.SongSize, song, SongPayloadLimit)) {
        WriteLine(stderr, {name, ": ", PayloadStateText(TPayloadState::Damaged)});
        return false;
    }
    settings = payload.Settings;
    return true;
}

TBannerFacts FactsOf(const std::vector<uint8_t>& song) {
    TBannerFacts facts;
    TKavoXM player(44100, 2048, 1, true, 10, 16, 0, TKavoXMOutput::None);
    if (player.Module->LoadFromMemory(song.data(), int32_t(song.size()))) {
        facts.Title = player.Module->Name;
        facts.Tracker = player.Module->TrackerName;
    }
    const SongScan scan = ScanPassTimes(song, 44100, 1).First;
    facts.Ends = scan.Ends();
    facts.Seconds = int64_t(scan.Frames / 44100);
    return facts;
}

} // namespace

int main(int argc, char** argv) {
    SetBinaryMode(stdout);
    const std::string name = ProgramName(argc > 0 ? argv[0] : nullptr);
    const char* wav = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            WriteLine(stdout, {"Usage: ", name.c_str(), " [--wav FILE]\n", HelpText});
            return 0;
        }
        if (std::strcmp(argv[i], "--wav") == 0 && i + 1 < argc && argv[i + 1][0] != '\0') {
            wav = argv[++i];
            continue;
        }
        const bool wavLast = std::strcmp(argv[i], "--wav") == 0;
        WriteLine(stderr,
                  {name.c_str(), wavLast ? ": missing the file after " : ": unknown argument ",
                   argv[i], " (see --help)"});
        return 2;
    }
    std::vector<uint8_t> song;
    TSongSettings settings;
    if (!FindSong(name.c_str(), song, settings)) return 1;
    std::fputs(BannerText(FactsOf(song), OnWindows).c_str(), stdout);
    std::fflush(stdout);
    if (wav != nullptr) return RenderSongToWav(song, settings, wav, name.c_str(), stderr);
    return PlaySongOnDevice(song, settings, name.c_str(), stdout, stderr);
}
