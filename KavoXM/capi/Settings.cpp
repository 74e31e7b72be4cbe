// Output settings of a handle: repeat count, interpolation, volumes, separation, gain, clip.
#include "KavoXM/capi/Handle.h"
#include "KavoXM/player/TickLength.h"
#include "KavoXM/sequencer/GameState.h"

#include <cmath>

namespace {

// Applies `set` under the handle's lock when the handle exists and `valid` holds.
template <typename Set> int Setting(kavoxm_module* m, bool valid, Set&& set) {
    if (m == nullptr || !valid) return KAVOXM_ERROR_INVALID_ARGUMENT;
    return capi::Locked(m, [&](kavoxm_module& h) -> int {
        set(h);
        return KAVOXM_OK;
    });
}

bool ValidFactor(double factor) {
    return std::isfinite(factor) && factor >= 0.25 && factor <= 4.0;
}

uint32_t FactorOf(double factor) {
    return uint32_t(std::lround(factor * UnitFactor));
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

int kavoxm_set_tempo_factor(kavoxm_module* module, double factor) {
    return Setting(module, ValidFactor(factor),
                   [&](kavoxm_module& m) { m.Player->TempoFactor = FactorOf(factor); });
}

int kavoxm_set_pitch_factor(kavoxm_module* module, double factor) {
    return Setting(module, ValidFactor(factor),
                   [&](kavoxm_module& m) { m.Player->PitchFactor = FactorOf(factor); });
}

int kavoxm_set_clip(kavoxm_module* module, int32_t clip) {
    return Setting(module, clip == 0 || clip == 1,
                   [&](kavoxm_module& m) { m.Player->ClipOutput = clip != 0; });
}

} // extern "C"
