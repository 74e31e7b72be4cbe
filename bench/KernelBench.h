#pragma once
// Kernel throughput: one voice mixed by each kernel path over a long looped sample, in runs of a
// given length, as millions of voice-frames per CPU second (median of several runs).
#include "KavoXM/mixer/CubicSpline.h"
#include "KavoXM/mixer/Kernels.h"
#include "KavoXM/module/Sample.h"
#include "KavoXM/sequencer/Channel.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace bench {

inline double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

struct SampleKind {
    const char* name;
    int32_t channels;
    int32_t bits;
};

// A prepared sample of noise-like values of the given resolution.
inline std::unique_ptr<TKavoXMSample> NoiseSample(const SampleKind& kind, int32_t frames) {
    auto sample = std::make_unique<TKavoXMSample>();
    sample->Channels = kind.channels;
    sample->Length = frames;
    sample->AllocateData(int64_t(frames) * kind.channels);
    uint32_t seed = 1;
    for (int64_t i = 0; i < int64_t(frames) * kind.channels; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const int32_t v = int32_t(int16_t(seed >> 16));
        sample->Data[i] = kind.bits == 8 ? (v / 256) * 256 : v;
    }
    sample->PrepareData();
    return sample;
}

// Mixes `total` frames of a voice panned off centre (split kernel, the common case) in runs of
// `run` frames; returns M voice-frames per CPU second, the median of `repeats` timings.
inline double KernelSpeed(TKavoXMKernelPath path, const SampleKind& kind, int32_t run, bool ramp,
                          int32_t repeats) {
    constexpr int32_t frames = 1 << 16, block = 2048;
    const auto sample = NoiseSample(kind, frames);
    const TKavoXMCubicSpline spline;
    const TKavoXMKernel kernel = KernelTableOf(
        path, 2)[size_t(KernelIndex(2, kind.channels == 2 ? 1 : 0, ramp ? 1 : 0, 0, 1))];
    std::vector<int32_t> mix(size_t(block) * 2, 0);
    TKavoXMChannel voice(nullptr, 0, false, false);
    voice.Sample = sample.get();
    voice.TargetVolumeLeft = 3000;
    voice.TargetVolumeRight = 1500;
    const int64_t total = int64_t(40) << 20;
    std::vector<double> speeds;
    for (int32_t r = 0; r < repeats; ++r) {
        voice.SamplePosition = 0;
        voice.Step = (int64_t(1) << 32) + 0x2345678; // a little over one frame per frame
        const double t0 = ThreadSeconds();
        for (int64_t done = 0; done < total; done += block) {
            int32_t* out = mix.data();
            for (int32_t at = 0; at < block; at += run) {
                voice.RampVolumeLeft = 100 << 12;
                voice.RampVolumeRight = 2000 << 12;
                voice.RampStepLeft = 3 << 12;
                voice.RampStepRight = -(5 << 12);
                kernel(out, std::min(run, block - at), voice, spline.Coefficients.data());
            }
            if (voice.SamplePosition > (int64_t(frames - 4096) << 32)) voice.SamplePosition = 0;
        }
        speeds.push_back(double(total) / (ThreadSeconds() - t0) / 1e6);
    }
    std::sort(speeds.begin(), speeds.end());
    return speeds[speeds.size() / 2];
}

inline void KernelTable(int32_t repeats) {
    const SampleKind kinds[] = {
        {"8-bit mono", 1, 8}, {"16-bit mono", 1, 16}, {"16-bit stereo", 2, 16}};
    const struct {
        TKavoXMKernelPath path;
        const char* name;
    } paths[] = {{TKavoXMKernelPath::Scalar, "scalar"},
                 {TKavoXMKernelPath::Sse2, "sse2"},
                 {TKavoXMKernelPath::Avx2, "avx2"}};
    std::printf("\nspline kernels, stereo output, split gains: M voice-frames/s (median of %d)\n",
                repeats);
    std::printf("%-14s %-7s %10s %10s %10s %10s\n", "sample", "path", "run 2048", "run 64",
                "ramp 2048", "ramp 64");
    for (const SampleKind& kind : kinds)
        for (const auto& p : paths) {
            if (!KernelPathAvailable(p.path)) continue;
            std::printf("%-14s %-7s %10.0f %10.0f %10.0f %10.0f\n", kind.name, p.name,
                        KernelSpeed(p.path, kind, 2048, false, repeats),
                        KernelSpeed(p.path, kind, 64, false, repeats),
                        KernelSpeed(p.path, kind, 2048, true, repeats),
                        KernelSpeed(p.path, kind, 64, true, repeats));
        }
}

} // namespace bench
