#pragma once
#include <array>
#include <cstdint>

class TKavoXMChannel;

// A kernel resamples n output frames of one voice and adds them into the mixing buffer.
// mix: first frame to mix into, moved past the last frame mixed.
using TKavoXMKernel = void (*)(int32_t*& mix, int32_t n, TKavoXMChannel& voice,
                               const int32_t* table);

constexpr int32_t KernelModes = 4;
constexpr int32_t KernelsPerMode = 48;
using TKavoXMKernelTable = std::array<TKavoXMKernel, KernelModes * KernelsPerMode>;

// Stereo output: index = mode x 48 + stereoSample x 24 + ramping x 12 + variant x 4 + split x 2.
// The tables hold the fastest kernels this CPU runs.
extern const TKavoXMKernelTable KernelTable;
// Mono output (one value per frame), same index rule.
extern const TKavoXMKernelTable MonoKernelTable;

constexpr int32_t KernelIndex(int32_t mode, int32_t stereoSample, int32_t ramping, int32_t variant,
                              int32_t split) {
    return mode * KernelsPerMode + stereoSample * 24 + ramping * 12 + variant * 4 + split * 2;
}

// Ways of computing the same kernels: frame by frame in plain C++, or batches of frames with
// SSE2 or AVX2 instructions. All give identical results.
enum class TKavoXMKernelPath { Scalar, Sse2, Avx2 };

// Whether this build and this CPU can run a path.
bool KernelPathAvailable(TKavoXMKernelPath path);
// The table of a path for stereo (outWidth 2) or mono output; the scalar table when the path
// is not available.
const TKavoXMKernelTable& KernelTableOf(TKavoXMKernelPath path, int32_t outWidth);
// The path the tables above use.
TKavoXMKernelPath BestKernelPath();
