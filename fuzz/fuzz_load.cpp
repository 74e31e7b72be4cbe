// libFuzzer target: any byte string handed to the XM loader is loaded or refused without a
// crash, leak, overflow or undefined behaviour, and what a load stores for sample values and
// pattern cells stays within 20 bytes per input byte. The module is used without a player, so
// no audio device is touched.
#include "KavoXM/module/Module.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

// Bytes of the sample blocks (with their guard values) and pattern cells of the loaded song.
size_t StoredBytes(const TKavoXMModule& module) {
    size_t total = 0;
    for (const auto& pattern : module.Patterns)
        total += pattern->Notes.capacity() * sizeof(TKavoXMPatternNote);
    for (const auto& instrument : module.Instruments) {
        if (!instrument) continue;
        for (const auto& sample : instrument->Samples) {
            if (!sample || sample->Data == nullptr) continue;
            const size_t values = size_t(sample->Length) * size_t(sample->Channels);
            total += (values + 2 * TKavoXMSample::GuardValues) * sizeof(int32_t);
        }
    }
    return total;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > size_t(INT32_MAX)) return 0;
    static const auto module = std::make_unique<TKavoXMModule>(nullptr);
    const bool loaded = module->LoadFromMemory(data, int32_t(size));
    if (loaded != module->Loaded) __builtin_trap();
    if (StoredBytes(*module) > 20 * size) __builtin_trap();
    return 0;
}
