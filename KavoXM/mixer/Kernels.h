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

// Stereo output: index = mode x 48 + stereoSample x 24 + ramping x 12 + variant x 4 + split x 2.
extern const std::array<TKavoXMKernel, KernelModes * KernelsPerMode> KernelTable;
// Mono output (one value per frame), same index rule.
extern const std::array<TKavoXMKernel, KernelModes * KernelsPerMode> MonoKernelTable;

constexpr int32_t KernelIndex(int32_t mode, int32_t stereoSample, int32_t ramping, int32_t variant,
                              int32_t split) {
    return mode * KernelsPerMode + stereoSample * 24 + ramping * 12 + variant * 4 + split * 2;
}
