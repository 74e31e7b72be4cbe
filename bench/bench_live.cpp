// The live player under load: a song plays on the virtual wave-out device in real time (or
// faster) while a control thread calls everything on the handle as fast as it can (seeks by
// time (near and far) and by order, subsong choice, mute, channel and master volume, interpolation,
// separation, tempo and pitch factors, state, levels). Prints the audio thread's worst time for one
// device block (lock wait and render) against the block's duration, and how many control calls were
// made.
//
// Usage: bench_live SONG.xm [SECONDS] [SPEED]   (defaults: 10 s of device time, speed 4: the
// virtual device plays four times as fast as real time)
#include "KavoXM/capi/Handle.h"
#include "KavoXM/capi/Live.h"
#include "KavoXM/capi/kavoxm.h"
#include "MMSystem/VirtualDevice.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

namespace {

void Hammer(kavoxm_module* m, const std::atomic<bool>& stop, std::atomic<uint64_t>& calls) {
    kavoxm_state state{};
    std::vector<float> left(64), right(64);
    const double length = kavoxm_duration(m);
    const int32_t subsongs = std::max(kavoxm_subsong_count(m), 1);
    uint64_t i = 0;
    while (!stop) {
        switch (i % 14) {
        case 0:
            kavoxm_seek_seconds(m, double(i % 97) * 0.5);
            break;
        case 12:
            // Far into the song, at settings that change all the time: a long run.
            kavoxm_seek_seconds(m, length * double(50 + i % 50) / 100);
            break;
        case 13:
            kavoxm_select_subsong(m, int32_t(i / 14 % uint64_t(subsongs)));
            break;
        case 1:
            kavoxm_seek_order(m, int32_t(i % 3), 0);
            break;
        case 2:
            kavoxm_set_channel_mute(m, int32_t(i % 4), int32_t(i / 12 % 2));
            break;
        case 3:
            kavoxm_set_channel_volume(m, int32_t(i % 4), int32_t(i % 257));
            break;
        case 4:
            kavoxm_set_master_volume(m, int32_t(i % 257));
            break;
        case 5:
            kavoxm_set_interpolation(m, int32_t(i % 3));
            break;
        case 6:
            kavoxm_set_stereo_separation(m, int32_t(i % 201));
            break;
        case 7:
            kavoxm_set_tempo_factor(m, 0.5 + double(i % 7) * 0.25);
            break;
        case 8:
            kavoxm_set_pitch_factor(m, 0.5 + double(i % 5) * 0.25);
            break;
        case 9:
            kavoxm_get_state(m, &state);
            break;
        case 10:
            kavoxm_get_channel_levels(m, left.data(), right.data(), 64);
            break;
        default:
            kavoxm_latency_frames(m);
            break;
        }
        ++i;
        calls.fetch_add(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_live SONG.xm [SECONDS] [SPEED]\n");
        return 2;
    }
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    const double speed = argc > 3 ? std::atof(argv[3]) : 4.0;
    kavoxm_module* m = nullptr;
    kavoxm_load_report report{};
    if (kavoxm_load_file(argv[1], &m, &report) != KAVOXM_OK) {
        std::fprintf(stderr, "bench_live: cannot load %s: %s\n", argv[1], report.reason);
        return 1;
    }
    kavoxm_set_repeat(m, -1);
    VirtualDevice::Options options;
    options.ManualClock = false;
    options.Speed = speed;
    VirtualDevice::Select(options);
    const int32_t block = 1024;
    kavoxm_set_device_format(m, 44100, block, 4);
    for (const bool hammer : {false, true}) {
        std::atomic<bool> stop{false};
        std::atomic<uint64_t> calls{0};
        const uint64_t dryBefore = VirtualDevice::DryFrames();
        if (kavoxm_play(m) != KAVOXM_OK) {
            std::fprintf(stderr, "bench_live: the virtual device did not open\n");
            return 1;
        }
        std::thread control;
        if (hammer) control = std::thread([&] { Hammer(m, stop, calls); });
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds / speed));
        stop = true;
        if (control.joinable()) control.join();
        const int64_t worst = m->Live->WorstBlockMicroseconds();
        const uint64_t dry = VirtualDevice::DryFrames() - dryBefore;
        kavoxm_stop(m);
        std::printf("%-22s worst block %7.3f ms (a block plays %.3f ms at speed %.1f: %.1f%%), "
                    "%llu frames of underrun, %llu control calls\n",
                    hammer ? "controls hammered:" : "no control calls:", double(worst) / 1000,
                    1000.0 * block / 44100 / speed, speed,
                    100.0 * double(worst) / (1e6 * block / 44100 / speed), (unsigned long long)dry,
                    (unsigned long long)calls.load());
    }
    VirtualDevice::Deselect();
    kavoxm_destroy(m);
    return 0;
}
