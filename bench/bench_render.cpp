// Offline render speed: every corpus song and a synthesized stress module, rendered at
// 44100 Hz, stereo, 16-bit, spline interpolation, as a multiple of real time and as voice-frames
// mixed per second (median of several runs). Speeds are given per CPU second of the rendering
// thread, which other load on the machine disturbs less than wall time; wall time is shown too.
//
// Then the throughput of the mixing kernels on each path the CPU runs (KernelBench.h).
//
// Usage: bench_render [SONG_DIR] [RUNS]   (default: ../shared/corpus/songs next to the source;
// SONG_DIR "-": the kernel table only)
#include "KernelBench.h"
#include "StressModule.h"

#include "KavoXM/player/Player.h"
#include "KavoXM/sequencer/Channel.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <time.h>
#include <vector>

namespace {
namespace fs = std::filesystem;

constexpr int32_t Rate = 44100;
constexpr int32_t Chunk = 2048;
constexpr uint64_t MaxFrames = uint64_t(Rate) * 600; // a song that never ends stops at 10 min

struct Song {
    std::string name;
    std::vector<uint8_t> image;
};

std::unique_ptr<TKavoXM> Start(const Song& song) {
    auto player = std::make_unique<TKavoXM>(Rate, Chunk, 4, true, 10, 16, 0, TKavoXMOutput::None);
    if (!player->Module->LoadFromMemory(song.image.data(), int32_t(song.image.size())) ||
        !player->StartOffline())
        return nullptr;
    return player;
}

int32_t ActiveVoices(const TKavoXMModule& module) {
    int32_t active = 0;
    for (const auto* bank :
         {&module.PatternChannels, &module.ReserveChannels, &module.BackgroundChannels})
        for (const auto& voice : *bank) active += voice->Active ? 1 : 0;
    return active;
}

// Renders the song once; returns the frames rendered and, when asked, sums active voices x
// frames per chunk (sampled at the end of each chunk).
uint64_t RenderSong(TKavoXM& player, std::vector<int16_t>& out, uint64_t* voiceFrames) {
    uint64_t frames = 0;
    while (frames < MaxFrames && player.Module->SongEndCount < 1) {
        const int32_t got = player.RenderOffline(out.data(), Chunk);
        if (got <= 0) break;
        frames += uint64_t(got);
        if (voiceFrames != nullptr)
            *voiceFrames += uint64_t(ActiveVoices(*player.Module)) * uint64_t(got);
    }
    return frames;
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void Measure(const Song& song, int32_t runs) {
    std::vector<int16_t> out(size_t(Chunk) * 2);
    auto counting = Start(song);
    if (!counting) {
        std::printf("%-24s  cannot load\n", song.name.c_str());
        return;
    }
    uint64_t voiceFrames = 0;
    const uint64_t frames = RenderSong(*counting, out, &voiceFrames);
    std::vector<double> cpuSeconds, wallSeconds;
    for (int32_t r = 0; r < runs; ++r) {
        auto player = Start(song);
        const double cpu0 = ThreadCpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        RenderSong(*player, out, nullptr);
        wallSeconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        cpuSeconds.push_back(ThreadCpuSeconds() - cpu0);
    }
    const double cpu = Median(cpuSeconds);
    const double audio = double(frames) / Rate;
    std::printf("%-24s %8.1f %8.1f %8.1f %11.1f %13.1f\n", song.name.c_str(), audio, cpu * 1000,
                Median(wallSeconds) * 1000, audio / cpu, double(voiceFrames) / cpu / 1e6);
}

std::vector<Song> CorpusSongs(const fs::path& dir) {
    std::vector<Song> songs;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (entry.path().extension() != ".xm") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        songs.push_back({entry.path().filename().string(),
                         {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}});
    }
    std::sort(songs.begin(), songs.end(),
              [](const Song& a, const Song& b) { return a.name < b.name; });
    return songs;
}
} // namespace

int main(int argc, char** argv) {
    const fs::path dir = argc > 1 ? fs::path(argv[1])
                                  : fs::path(__FILE__).parent_path().parent_path() / ".." /
                                        "shared" / "corpus" / "songs";
    const int32_t runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    if (dir == "-") {
        bench::KernelTable(runs);
        return 0;
    }
    std::vector<Song> songs = CorpusSongs(dir);
    if (songs.empty()) std::fprintf(stderr, "no songs in %s\n", dir.string().c_str());
    songs.push_back({"stress (32 ch, synth)", bench::StressModule()});
    std::printf("%-24s %8s %8s %8s %11s %13s\n", "song", "audio s", "cpu ms", "wall ms",
                "x realtime", "Mvoice-fr/s");
    for (const Song& song : songs) Measure(song, runs);
    bench::KernelTable(runs);
    return 0;
}
