// Output settings of a handle: repeat count, interpolation, volumes, separation, gain, clip.
#include "KavoXM/capi/Handle.h"
#include "KavoXM/sequencer/GameState.h"

#include <cmath>

namespace {

// Applies `set` when the handle exists, is not playing on the device and `valid` holds.
template <typename Set> int Setting(kavoxm_module* m, bool valid, Set&& set) {
    if (m == nullptr || !valid || m->Device) return KAVOXM_ERROR_INVALID_ARGUMENT;
    set(*m);
    return KAVOXM_OK;
}

} // namespace

extern "C" {

int kavoxm_set_repeat(kavoxm_module* module, int32_t count) {
    return Setting(module, count >= -1, [&](kavoxm_module& m) { m.Repeat = count; });
}

int kavoxm_set_interpolation(kavoxm_module* module, int32_t interpolation) {
    return Setting(module, interpolation >= 0 && interpolation <= 2,
                   [&](kavoxm_module& m) { m.Player->InterpolationMode = uint8_t(interpolation); });
}

int kavoxm_set_master_volume(kavoxm_module* module, int32_t volume) {
    return Setting(module, volume >= 0 && volume <= 256, [&](kavoxm_module& m) {
        m.Player->Module->MasterVolume = volume;
        if (m.Player->Module->Game != nullptr)
            m.Player->Module->Game->Fades.Cancel(TKavoXMLayerFades::Master);
    });
}

int kavoxm_set_stereo_separation(kavoxm_module* module, int32_t percent) {
    return Setting(module, percent >= 0 && percent <= 200,
                   [&](kavoxm_module& m) { m.Separation = percent; });
}

int kavoxm_set_gain_db(kavoxm_module* module, double decibels) {
    return Setting(module, std::isfinite(decibels) && decibels >= -60 && decibels <= 24,
                   [&](kavoxm_module& m) { m.GainDb = decibels; });
}

int kavoxm_set_clip(kavoxm_module* module, int32_t clip) {
    return Setting(module, clip == 0 || clip == 1,
                   [&](kavoxm_module& m) { m.Player->ClipOutput = clip != 0; });
}

} // extern "C"
