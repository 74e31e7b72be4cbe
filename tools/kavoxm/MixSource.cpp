#include "MixSource.h"

#include "Options.h"
#include "SongFile.h"

#include <algorithm>

MixSource::MixSource(int32_t rate, bool stereo, int32_t blockFrames)
    : player(
          std::make_unique<TKavoXM>(rate, blockFrames, 1, stereo, 10, 16, 0, TKavoXMOutput::None)) {
    block.resize(size_t(player->BufferFrames) * size_t(player->Channels));
    scratch.resize(size_t(player->BufferBytes));
}

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
    player->FillBuffer(scratch.data());
    std::copy_n(player->MixBuffer.get(), block.size(), block.begin());
    return block.data();
}

bool MixSource::Seek(int32_t order) {
    Restart();
    if (order <= 0) return order == 0;
    if (FastForward(order)) return true;
    Restart();
    return false;
}

// The sequencer runs alone up to the first row of the entry; mixing then starts from that
// row's first tick.
bool MixSource::FastForward(int32_t order) {
    std::lock_guard<std::mutex> lock(player->CriticalSection);
    const auto limit = uint64_t(MaxRenderSeconds * player->SampleRate);
    const TKavoXMModule& module = *player->Module;
    for (uint64_t frames = 0; frames < limit; frames += uint64_t(player->SamplesPerTick)) {
        player->Tick();
        if (module.TickCounter == 0 && module.PlayingOrder == order) return true;
    }
    return false;
}
