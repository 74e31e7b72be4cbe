#pragma once
// The two host factors on playback speed, and the one place each takes effect: the length of
// a tick (playback, the song scan, seeks and durations all take it from TickFrames through
// TKavoXM::UpdateSamplesPerTick) and the step through a sample (ScaleStep, where a voice's
// step is derived from its frequency).
#include <cstdint>

// Factors are held as multiples of 1/65536: 65536 is 1.0 and leaves every value unchanged.
constexpr uint32_t UnitFactor = 65536;
constexpr uint32_t MinFactor = UnitFactor / 4; // 0.25
constexpr uint32_t MaxFactor = UnitFactor * 4; // 4.0

// Output frames of one tick at `rate` and `tempo` (beats per minute), played `tempoFactor`
// times as fast: rate x 2.5 / tempo / factor, truncated (at 1.0: rate x 640 / (tempo x 256)).
int32_t TickFrames(int32_t rate, int32_t tempo, uint32_t tempoFactor);

// A voice's step through its sample (32.32 frames per output frame) at `pitchFactor`:
// step x factor, truncated; unchanged at 1.0.
int64_t ScaleStep(int64_t step, uint32_t pitchFactor);
