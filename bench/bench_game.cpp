// What the game features cost: rendering through the C API with events recorded and read, and
// with 16 sound-effect voices sounding, against a plain render of the same song (events off,
// no effects). Each song renders its first 60 s (or to its end) at 44,100 Hz, stereo 16-bit,
// in calls of 1,024 frames; the figures are milliseconds of the rendering thread's CPU time
// (and wall time) per second of audio, medians of the runs.
//
// Usage: bench_game [SONG_DIR] [RUNS]   (default: ../shared/corpus/songs; 5 runs)
#include "KavoXM/capi/kavoxm.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <time.h>
#include <vector>

namespace {
namespace fs = std::filesystem;

constexpr int32_t Rate = 44100;
constexpr size_t Chunk = 1024;
constexpr int64_t MaxFrames = int64_t(Rate) * 60;
constexpr int32_t EffectVoices = 16;

enum class Mode { Plain, Events, Effects };

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Sixteen effects: notes of the song's instruments spread over the stereo field; an effect
// that ends (a one-shot sample) starts again, so that 16 voices sound throughout.
int32_t StartEffect(kavoxm_module* m, int32_t instruments, size_t i) {
    return kavoxm_effect_play(m, 1 + int32_t(i) % std::max(instruments, 1), 37 + int32_t(i) * 2, 48,
                              int32_t(i) * 16);
}

void RestartEnded(kavoxm_module* m, int32_t instruments, std::vector<int32_t>& ids,
                  std::vector<kavoxm_event>& events) {
    for (int32_t n; (n = kavoxm_read_events(m, events.data(), int32_t(events.size()))) > 0;)
        for (int32_t e = 0; e < n; ++e)
            for (size_t i = 0; i < ids.size(); ++i)
                if (ids[i] == events[size_t(e)].a) ids[i] = StartEffect(m, instruments, i);
}

struct Result {
    double cpu, wall, audio;
};

Result RenderOnce(const std::vector<uint8_t>& image, Mode mode) {
    kavoxm_module* m = nullptr;
    if (kavoxm_load_memory(image.data(), image.size(), &m, nullptr) != KAVOXM_OK) return {};
    kavoxm_info info{};
    kavoxm_get_info(m, &info);
    if (mode == Mode::Plain) kavoxm_set_event_mask(m, 0);
    if (mode == Mode::Effects) kavoxm_set_event_mask(m, 1u << (KAVOXM_EVENT_EFFECT_END - 1));
    std::vector<int16_t> out(2 * Chunk);
    std::vector<kavoxm_event> events(256);
    std::vector<int32_t> ids(EffectVoices, 0);
    int64_t frames = 0;
    const double cpu = CpuSeconds(), wall = WallSeconds();
    if (mode == Mode::Effects)
        for (size_t i = 0; i < ids.size(); ++i) ids[i] = StartEffect(m, info.instruments, i);
    while (frames < MaxFrames) {
        const int64_t n = kavoxm_render_s16(m, Rate, 2, out.data(), Chunk);
        if (n <= 0) break;
        frames += n;
        if (mode == Mode::Events)
            while (kavoxm_read_events(m, events.data(), int32_t(events.size())) > 0) {
            }
        if (mode == Mode::Effects) RestartEnded(m, info.instruments, ids, events);
    }
    const Result r{CpuSeconds() - cpu, WallSeconds() - wall, double(frames) / Rate};
    kavoxm_destroy(m);
    return r;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const fs::path dir = argc > 1
                             ? fs::path(argv[1])
                             : fs::path(KAVOXM_SOURCE_DIR) / ".." / "shared" / "corpus" / "songs";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::vector<fs::path> files;
    if (fs::is_directory(dir))
        for (const auto& e : fs::directory_iterator(dir))
            if (e.path().extension() == ".xm") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "bench_game: no .xm files in %s\n", dir.string().c_str());
        return 1;
    }
    std::printf("%-28s %7s | %-17s | %-17s %7s | %-17s %7s\n", "song", "audio s",
                "plain ms/s cpu wall", "events ms/s", "+%", "16 effects ms/s", "+%");
    const Mode modes[] = {Mode::Plain, Mode::Events, Mode::Effects};
    std::vector<double> totals[3][2];
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> image{std::istreambuf_iterator<char>(in), {}};
        double cpu[3], wall[3], audio = 0;
        for (int k = 0; k < 3; ++k) {
            std::vector<double> c, w;
            for (int r = 0; r < runs; ++r) {
                const Result res = RenderOnce(image, modes[k]);
                audio = res.audio;
                c.push_back(res.cpu * 1000 / std::max(res.audio, 1e-9));
                w.push_back(res.wall * 1000 / std::max(res.audio, 1e-9));
            }
            cpu[k] = Median(c);
            wall[k] = Median(w);
            totals[k][0].push_back(cpu[k]);
            totals[k][1].push_back(wall[k]);
        }
        std::printf("%-28s %7.1f | %8.3f %8.3f | %8.3f %8.3f %+6.1f%% | %8.3f %8.3f %+6.1f%%\n",
                    file.filename().string().c_str(), audio, cpu[0], wall[0], cpu[1], wall[1],
                    100 * (cpu[1] / cpu[0] - 1), cpu[2], wall[2], 100 * (cpu[2] / cpu[0] - 1));
    }
    double sum[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k)
        for (double v : totals[k][0]) sum[k] += v;
    std::printf("all songs, CPU ms per audio second (sum of medians): plain %.3f, events %.3f "
                "(%+.1f%%), 16 effects %.3f (%+.1f%%)\n",
                sum[0], sum[1], 100 * (sum[1] / sum[0] - 1), sum[2], 100 * (sum[2] / sum[0] - 1));
    return 0;
}
