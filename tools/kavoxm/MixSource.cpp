#include "MixSource.h"

#include "SongFile.h"

#include "KavoXM/player/MixSpan.h"
#include "KavoXM/song/SeekTime.h"

#include <cstdint>

MixSource::MixSource(int32_t rate, bool stereo, int32_t blockFrames)
    : player(std::make_unique<TKavoXM>(rate, blockFrames, 1, stereo, 10, 16, 0,
                                       TKavoXMOutput::None)) {}

bool MixSource::Load(const std::string& path, const std::vector<uint8_t>& image,
                     std::string& error) {
    if (!LoadSongImage(path, image, *player->Module, nullptr, error)) return false;
    Restart();
    return true;
}

void MixSource::Restart() {
    player->StartOffline();
}

int32_t* MixSource::NextBlock() {
    std::lock_guard<std::mutex> lock(player->CriticalSection);
    player->MixBlock();
    return player->MixBuffer.get();
}

bool MixSource::Seek(int32_t order) {
    const int32_t volume = player->Module->MasterVolume;
    const bool placed = player->SetPosition(order, 0);
    player->Module->MasterVolume = volume;
    return placed;
}

uint64_t MixSource::SeekFrames(int32_t order, uint64_t frames, uint32_t passes) {
    if (!Seek(order)) return 0;
    std::lock_guard<std::mutex> lock(player->CriticalSection);
    return SeekToFrame(*player, frames, player->BufferFrames, passes > 0 ? passes : UINT32_MAX)
        .Frame;
}

int32_t MixSource::NextBlockToEnd(uint32_t passes, bool& ended) {
    std::lock_guard<std::mutex> lock(player->CriticalSection);
    return MixSpan(*player, 0, passes, ended);
}
