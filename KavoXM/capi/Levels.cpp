#include "KavoXM/capi/Levels.h"

#include "KavoXM/capi/Handle.h"
#include "KavoXM/mixer/Meters.h"

namespace {

// Full scale of the mix: a 16-bit full-scale value at gain 4096.
constexpr double FullScale = 32768.0 * 4096.0;

} // namespace

namespace capi {

void StartMeters(kavoxm_module& m) {
    m.Player->Meters = m.Meters.get();
    if (m.Meters) m.Meters->Clear();
}

void TakeMeters(kavoxm_module& m) {
    if (!m.Meters) return;
    for (size_t i = 0; i < m.BlockLevels.size(); ++i)
        m.BlockLevels[i] = float(double(m.Meters->Peak[i]) / FullScale);
}

} // namespace capi
