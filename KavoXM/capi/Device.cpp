// Real-time playback on the default audio device: a second player with a device, loaded from
// the same image, started at the handle's position.
#include "KavoXM/capi/Handle.h"

extern "C" {

int kavoxm_play(kavoxm_module* module) {
    return capi::Guard([&]() -> int {
        if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
        if (module->Device) return KAVOXM_OK;
        auto device = std::make_unique<TKavoXM>(44100, 2048, 4, true, 10, 16, 0);
        if (!device->DeviceOpen) return KAVOXM_ERROR_NO_DEVICE;
        const TKavoXM& offline = *module->Player;
        if (!device->Module->LoadFromMemory(module->Image.data(), int32_t(module->Image.size())))
            return KAVOXM_ERROR_INTERNAL;
        device->Module->MasterVolume = offline.Module->MasterVolume;
        device->InterpolationMode = offline.InterpolationMode;
        device->ClipOutput = offline.ClipOutput;
        const TKavoXMModule& song = *offline.Module;
        if (!device->PlayFrom(song.PlayingOrder, song.PlayingRow)) return KAVOXM_ERROR_INTERNAL;
        module->DeviceSeconds = module->BlockSeconds;
        module->Device = std::move(device);
        return KAVOXM_OK;
    });
}

int32_t kavoxm_is_playing(kavoxm_module* module) {
    if (module == nullptr || !module->Device) return 0;
    if (module->Repeat < 0) return 1;
    return module->Device->Module->LoadSongEndCount() <= uint32_t(module->Repeat) ? 1 : 0;
}

int kavoxm_stop(kavoxm_module* module) {
    return capi::Guard([&]() -> int {
        if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
        module->Device.reset();
        return KAVOXM_OK;
    });
}

} // extern "C"
