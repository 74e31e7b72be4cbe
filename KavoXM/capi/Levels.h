#pragma once
// Channel meters of the C API: measured by the mixer (mixer/Meters.h) per mixing block (2,048
// frames at most), before gain and stereo separation. A channel's level is the peak, left and
// right, of what its voice and the background voices it left behind added to that block's
// frames, 1.0 for 16-bit full scale.
#include <cstdint>

struct kavoxm_module;

namespace capi {

// Around the mixing of one block: clears the meters, then turns them into the block's levels.
void StartMeters(kavoxm_module& m);
void TakeMeters(kavoxm_module& m);

} // namespace capi
