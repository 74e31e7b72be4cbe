// libFuzzer target: whatever the XM loader accepts is also played, a few seconds of audio
// through the offline render path (no device), so that the sequencer and the mixer see every
// song the loader lets through. The rate is low to keep each run short; the output format
// (stereo 16-bit or mono 8-bit) follows the parity of the input size, so both paths run.
#include "KavoXM/KavoXM.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

constexpr int32_t SampleRate = 8000;
constexpr int32_t BlockFrames = 1024;
constexpr int32_t PlayFrames = SampleRate * 3;

std::unique_ptr<TKavoXM> NewPlayer(bool stereo, int32_t bits) {
    return std::make_unique<TKavoXM>(SampleRate, BlockFrames, 1, stereo, 10, bits, 0,
                                     TKavoXMOutput::None);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > size_t(INT32_MAX)) return 0;
    static const auto stereoPlayer = NewPlayer(true, 16);
    static const auto monoPlayer = NewPlayer(false, 8);
    static uint8_t block[BlockFrames * 4];
    TKavoXM& player = (size & 1) == 0 ? *stereoPlayer : *monoPlayer;
    if (!player.Module->LoadFromMemory(data, int32_t(size))) return 0;
    if (!player.StartOffline()) __builtin_trap();
    for (int32_t done = 0; done < PlayFrames; done += BlockFrames)
        if (player.RenderOffline(block, BlockFrames) != BlockFrames) __builtin_trap();
    return 0;
}
