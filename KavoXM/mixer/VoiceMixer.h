#pragma once
#include "KavoXM/mixer/Kernels.h"
#include <cstdint>

class TKavoXM;
class TKavoXMChannel;
class TKavoXMModule;

// What the voice mixer needs of the player for one block segment, gathered once per Render.
struct TKavoXMMixTarget {
    int32_t* MixPos = nullptr;       // start of the current block in the mixing buffer
    int32_t Channels = 2;            // output values per frame, 1 or 2
    int32_t Mode = 2;                // interpolation 0 nearest, 1 linear, 2 and 3 spline
    const int32_t* Table = nullptr;  // spline coefficients, row 0 first
    TKavoXMModule* Module = nullptr; // click-removal accumulators
};

// The player's target; an InterpolationMode outside 0..3 counts as 2.
TKavoXMMixTarget MixTargetOf(TKavoXM& player);

// Kernel selector values fixed for one MixChannel call, and the kernel they give.
struct TKavoXMKernelChoice {
    int32_t Mode = 2;
    int32_t StereoSample = 0;
    int32_t Variant = 0;
    const int32_t* Table = nullptr;
    TKavoXMKernel Kernel = nullptr; // nullptr: the voice advances silently
};

// Computes all selector values and looks the kernel up.
TKavoXMKernelChoice SelectKernel(const TKavoXMMixTarget& target, const TKavoXMChannel& voice);
// Recomputes ramping and split and looks the kernel up again.
void UpdateKernel(const TKavoXMMixTarget& target, const TKavoXMChannel& voice,
                  TKavoXMKernelChoice& choice);

// Mixes one voice into output frames start .. start + count - 1 of the current block.
void MixChannel(TKavoXM& player, TKavoXMChannel& voice, int32_t start, int32_t count);
void MixChannel(const TKavoXMMixTarget& target, TKavoXMChannel& voice, int32_t start,
                int32_t count);
// Moves a voice over `count` frames exactly as MixChannel does (position, loops, ramps, its
// end and its hand-over to click removal) without mixing them: only the last frame of each
// audible run is mixed, into the one or two values at target.MixPos (scratch), for the last
// output the voice leaves.
void AdvanceChannel(const TKavoXMMixTarget& target, TKavoXMChannel& voice, int32_t count);
// Settles the position at loop boundaries; 0 when the voice has ended, else the frames the
// next run may mix (1..limit).
int64_t PrepareRun(TKavoXM& player, TKavoXMChannel& voice, int64_t limit);
int64_t PrepareRun(TKavoXMChannel& voice, int64_t limit);
