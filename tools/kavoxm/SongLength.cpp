#include "SongLength.h"

#include "KavoXM/player/Player.h"

uint64_t SongLengthFrames(const std::vector<uint8_t>& image, int32_t rate, uint32_t passes,
                          double limitSeconds) {
    TKavoXM player(rate, 2048, 4, true, 10, 16, 0, TKavoXMOutput::None);
    TKavoXMModule& module = *player.Module;
    if (!module.LoadFromMemory(image.data(), int32_t(image.size()))) return 0;
    module.ResetPlayback();
    player.UpdateSamplesPerTick();
    const uint64_t limit = uint64_t(limitSeconds * rate);
    uint64_t frames = 0;
    while (frames < limit) {
        player.Tick();
        if (module.SongEndCount >= passes) break;
        frames += uint64_t(player.SamplesPerTick);
    }
    return frames;
}
