// Sound effects from the song's instruments and volume fades, through the C API.
#include "KavoXM/capi/Game.h"

#include <algorithm>
#include <cmath>

namespace {

static_assert(KAVOXM_EFFECT_VOICES == TKavoXMSoundEffects::Voices);

constexpr double MaxFadeSeconds = 3600;

bool FadeArguments(int32_t volume, double seconds) {
    return volume >= 0 && volume <= 256 && std::isfinite(seconds) && seconds >= 0 &&
           seconds <= MaxFadeSeconds;
}

int64_t FadeFrames(const kavoxm_module& m, double seconds) {
    return std::llround(seconds * m.Rate);
}

} // namespace

extern "C" {

int32_t kavoxm_effect_play(kavoxm_module* module, int32_t instrument, int32_t note, int32_t volume,
                           int32_t panning) {
    if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(module->Mutex); // the audio thread may be rendering
    TKavoXMGameState* game = capi::GameOf(module);
    if (game == nullptr || instrument < 1 || instrument > 255 || note < 1 || note > 96 ||
        volume < -1 || volume > 64 || panning < -1 || panning > 255)
        return KAVOXM_ERROR_INVALID_ARGUMENT;
    if (module->Player->Module->Instruments[size_t(instrument)] == nullptr)
        return KAVOXM_ERROR_POSITION;
    const int32_t id = game->Effects.Play(instrument, note, volume, panning);
    return id > 0 ? id : KAVOXM_ERROR_INTERNAL;
}

int kavoxm_effect_release(kavoxm_module* module, int32_t id) {
    if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(module->Mutex); // the audio thread may be rendering
    TKavoXMGameState* game = capi::GameOf(module);
    if (game == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    return game->Effects.Release(id) ? KAVOXM_OK : KAVOXM_ERROR_POSITION;
}

int kavoxm_effect_stop(kavoxm_module* module, int32_t id) {
    if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(module->Mutex); // the audio thread may be rendering
    TKavoXMGameState* game = capi::GameOf(module);
    if (game == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    return game->Effects.Stop(id) ? KAVOXM_OK : KAVOXM_ERROR_POSITION;
}

int kavoxm_fade_channel(kavoxm_module* module, int32_t channel, int32_t volume, double seconds) {
    if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(module->Mutex); // the audio thread may be rendering
    TKavoXMGameState* game = capi::GameOf(module);
    if (game == nullptr || !FadeArguments(volume, seconds)) return KAVOXM_ERROR_INVALID_ARGUMENT;
    const TKavoXMModule& song = *module->Player->Module;
    if (channel < 0 || channel >= std::clamp(song.ChannelCount, 0, TKavoXMModule::BankSize))
        return KAVOXM_ERROR_POSITION;
    game->Fades.Start(channel, volume, FadeFrames(*module, seconds));
    return KAVOXM_OK;
}

int kavoxm_fade_master(kavoxm_module* module, int32_t volume, double seconds) {
    if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(module->Mutex); // the audio thread may be rendering
    TKavoXMGameState* game = capi::GameOf(module);
    if (game == nullptr || !FadeArguments(volume, seconds)) return KAVOXM_ERROR_INVALID_ARGUMENT;
    game->Fades.Start(TKavoXMLayerFades::Master, volume, FadeFrames(*module, seconds));
    return KAVOXM_OK;
}

} // extern "C"
