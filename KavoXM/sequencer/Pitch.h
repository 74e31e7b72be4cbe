#pragma once
#include <array>
#include <cstdint>

// Period scales: linear periods have 64 units per semitone (C-4 = 4608); Amiga periods follow
// the Amiga scale (C-4 = 1712).
extern const std::array<uint32_t, 768> LinearFrequencyTable;
extern const std::array<uint16_t, 104> AmigaPeriodTable;

constexpr int32_t MinPeriod = 27;
constexpr int32_t MaxPeriod = 54784;

int32_t LinearNoteToPeriod(int32_t note, int32_t fineTune);
int32_t AmigaNoteToPeriod(int32_t note, int32_t fineTune);
int32_t LinearPeriodToFrequency(int32_t period);
int32_t AmigaPeriodToFrequency(int32_t period);
// The sample step at `rate` frames per second (32.32 frames per output frame) from the exact
// frequency of the period; 0 for a rate of 0 or a frequency below 1 Hz.
int64_t LinearPeriodToIncrement(int32_t period, int32_t rate);
int64_t AmigaPeriodToIncrement(int32_t period, int32_t rate);
