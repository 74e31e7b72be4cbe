// Song measurement and seeking through the C API, as a host sees them.
//
// 1. Songs that are costly to measure (xmbuilder/XMSlowScan.h): the time of the first call
//    that measures the subsongs, of kavoxm_duration_frames at 48 kHz, of a first seek to an
//    hour (it runs through the song once, taking snapshots) and of a second far seek.
// 2. Seek times at 10 %, 50 % and 99 % of long songs: each corpus song given, played with
//    enough repeats to last at least ten minutes; the first seek (snapshots taken) apart, then
//    the median of RUNS seeks to each place.
// Times are CPU seconds of this thread (the machine is shared; wall time in brackets).
//
// Usage: bench_scan [RUNS] [SONG...]   (default 21 runs; songs: milky.xm and sv_ttt.xm from
// ../shared/corpus/songs next to the source)
#include "KavoXM/capi/kavoxm.h"
#include "xmbuilder/XMSlowScan.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <time.h>
#include <vector>

namespace {

struct Times {
    double cpu = 0;
    double wall = 0;
};

double CpuNow() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

Times Time(const std::function<void()>& body) {
    const auto wall = std::chrono::steady_clock::now();
    const double cpu = CpuNow();
    body();
    return {CpuNow() - cpu,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count()};
}

std::string Text(const Times& t) {
    char text[64];
    if (t.cpu < 0.01)
        std::snprintf(text, sizeof text, "%8.3f ms (%.3f)", t.cpu * 1e3, t.wall * 1e3);
    else
        std::snprintf(text, sizeof text, "%8.3f s  (%.3f)", t.cpu, t.wall);
    return text;
}

kavoxm_module* Load(const std::vector<uint8_t>& image) {
    kavoxm_module* m = nullptr;
    return kavoxm_load_memory(image.data(), image.size(), &m, nullptr) == KAVOXM_OK ? m : nullptr;
}

void Crafted() {
    std::printf("%-26s %6s  %-22s %-22s %-22s %-22s\n", "crafted song", "KB", "subsongs",
                "duration at 48 kHz", "first seek to 1 h", "second seek to 1 h");
    for (const auto& crafted : xmbuilder::SlowScanImages()) {
        kavoxm_module* m = Load(crafted.Image);
        if (m == nullptr) continue;
        int32_t count = 0;
        const Times subsongs = Time([&] { count = kavoxm_subsong_count(m); });
        const Times duration = Time([&] { kavoxm_duration_frames(m, 48000); });
        const Times first = Time([&] { kavoxm_seek_seconds(m, 3600); });
        const Times second = Time([&] { kavoxm_seek_seconds(m, 3000); });
        std::printf("%-26s %6.1f  %-22s %-22s %-22s %-22s  (%d subsongs)\n", crafted.Name.c_str(),
                    double(crafted.Image.size()) / 1024, Text(subsongs).c_str(),
                    Text(duration).c_str(), Text(first).c_str(), Text(second).c_str(), count);
        kavoxm_destroy(m);
    }
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Seeks(const std::string& path, int runs) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> image((std::istreambuf_iterator<char>(file)), {});
    kavoxm_module* m = Load(image);
    if (m == nullptr) {
        std::printf("%s: cannot load\n", path.c_str());
        return;
    }
    const double pass = kavoxm_duration(m);
    const int32_t repeats = pass > 0 ? int32_t(std::ceil(600 / pass)) - 1 : 0;
    kavoxm_set_repeat(m, repeats);
    const double length = pass * (repeats + 1);
    const Times first = Time([&] { kavoxm_seek_seconds(m, length * 0.5); });
    std::printf("%s: %.1f s x %d passes = %.1f s; first seek %s\n", path.c_str(), pass, repeats + 1,
                length, Text(first).c_str());
    for (const double at : {0.10, 0.50, 0.99}) {
        std::vector<double> cpu, wall;
        for (int i = 0; i < runs; ++i) {
            const Times t = Time([&] { kavoxm_seek_seconds(m, length * at); });
            cpu.push_back(t.cpu);
            wall.push_back(t.wall);
        }
        std::printf("  seek to %3.0f %% (%6.1f s): median %s\n", at * 100, length * at,
                    Text({Median(cpu), Median(wall)}).c_str());
    }
    kavoxm_destroy(m);
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    std::vector<std::string> songs;
    for (int i = 2; i < argc; ++i) songs.push_back(argv[i]);
    if (songs.empty())
        for (const char* name : {"milky.xm", "sv_ttt.xm"})
            songs.push_back(std::string(KAVOXM_CORPUS_SONGS) + "/" + name);
    Crafted();
    for (const std::string& song : songs) Seeks(song, runs);
    return 0;
}
