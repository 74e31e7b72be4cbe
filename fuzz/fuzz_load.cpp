// libFuzzer target: any byte string handed to the XM loader is loaded or refused without a
// crash, leak, overflow or undefined behaviour. The module is used without a player, so no
// audio device is touched.
#include "KavoXM/module/Module.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > size_t(INT32_MAX)) return 0;
    static const auto module = std::make_unique<TKavoXMModule>(nullptr);
    const bool loaded = module->LoadFromMemory(data, int32_t(size));
    if (loaded != module->Loaded) __builtin_trap();
    return 0;
}
