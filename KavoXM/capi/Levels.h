#pragma once
// Level meters of the pattern channels, without touching the mixer: at every block mixed, a
// voice's level is the peak magnitude of its sample's values at the voice's current gains,
// and a channel shows the largest over its voice and the background voices it left behind.
#include <cstdint>

struct kavoxm_module;

namespace capi {

// Finds the peak of every sample of the loaded song (once, after loading).
void FindSamplePeaks(kavoxm_module& m);
// Starts the meters of a render call: the levels of the block still being handed out, if any.
void ClearLevels(kavoxm_module& m);
// Measures the levels of the voices after a block's frames from .. to - 1 (those of the
// block) and raises the call's meters to them.
void MeasureLevels(kavoxm_module& m, int32_t from, int32_t to);

} // namespace capi
