#include "RenderSource.h"

#include "SongFile.h"

#include "KavoXM/player/MixSpan.h"
#include "KavoXM/song/SeekIndex.h"

#include <cstdint>

RenderSource::RenderSource(int32_t rate, bool stereo, int32_t blockFrames)
    : player(std::make_unique<TKavoXM>(rate, blockFrames, 1, stereo, 10, 16, 0,
                                       TKavoXMOutput::None)) {}

bool RenderSource::Load(const std::string& path, const std::vector<uint8_t>& image,
                        std::string& error) {
    if (!LoadSongImage(path, image, *player->Module, nullptr, error)) return false;
    Restart();
    return true;
}

void RenderSource::Restart() {
    player->StartOffline();
}

bool RenderSource::Seek(int32_t order) {
    const int32_t volume = player->Module->MasterVolume;
    const bool placed = player->SetPosition(order, 0);
    player->Module->MasterVolume = volume;
    return placed;
}

uint64_t RenderSource::SeekFrames(int32_t order, uint64_t frames, uint32_t passes) {
    if (!Seek(order)) return 0;
    std::lock_guard<std::mutex> lock(player->CriticalSection);
    // The library's seek: a song that repeats itself is run through once, and a target in a
    // later pass starts from the same place of the pass it repeats.
    SeekIndex index;
    index.Start(*player, player->BufferFrames, passes > 0 ? passes : UINT32_MAX, 0);
    return index.Seek(*player, frames).Frame;
}

int32_t RenderSource::NextBlockToEnd(uint32_t passes, bool& ended) {
    std::lock_guard<std::mutex> lock(player->CriticalSection);
    return MixSpan(*player, 0, passes, ended);
}
