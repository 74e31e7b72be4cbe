// Looks up ALSA's functions in libasound.so.2 with dlopen/dlsym.
#include "MMSystem/posix/AlsaLibrary.h"

#include <dlfcn.h>

#include <memory>

namespace alsa {
namespace {

template <typename Function> bool Resolve(void* handle, const char* name, Function& function) {
    void* address = dlsym(handle, name);
    function = reinterpret_cast<Function>(address);
    return address != nullptr;
}

} // namespace

const Library* Load(const char* soname) {
    void* handle = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return nullptr;
    auto library = std::make_unique<Library>();
    const bool complete =
        Resolve(handle, "snd_lib_error_set_handler", library->ErrorSetHandler) &&
        Resolve(handle, "snd_pcm_open", library->Open) &&
        Resolve(handle, "snd_pcm_set_params", library->SetParams) &&
        Resolve(handle, "snd_pcm_close", library->Close) &&
        Resolve(handle, "snd_pcm_drop", library->Drop) &&
        Resolve(handle, "snd_pcm_prepare", library->Prepare) &&
        Resolve(handle, "snd_pcm_start", library->Start) &&
        Resolve(handle, "snd_pcm_writei", library->WriteInterleaved) &&
        Resolve(handle, "snd_pcm_recover", library->Recover) &&
        Resolve(handle, "snd_pcm_state", library->State) &&
        Resolve(handle, "snd_pcm_delay", library->Delay) &&
        Resolve(handle, "snd_pcm_type", library->Type) &&
        Resolve(handle, "snd_config_update_free_global", library->ConfigFreeGlobal);
    if (!complete) {
        dlclose(handle);
        return nullptr;
    }
    // The library stays loaded for the process's life: devices may be open on other threads.
    return library.release();
}

const Library* System() {
    static const Library* const library = Load("libasound.so.2");
    return library;
}

} // namespace alsa
