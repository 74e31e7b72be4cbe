#pragma once
// The offline mix of `kavoxm render`: a player without a device that hands out its 32-bit mix
// block by block up to the song's end, for the render's post-mix stage and sample formats
// (8, 16, 24 bits and float, mono or stereo, rates up to 384,000 Hz). Playing on the device is
// the library's live player (kavoxm_play), not this.
#include "KavoXM/player/Player.h"

#include <memory>
#include <string>
#include <vector>

struct TKavoXMLoadInfo;

class RenderSource {
  public:
    RenderSource(int32_t rate, bool stereo, int32_t blockFrames = 2048);

    // Loads the image and puts the song at its start.
    bool Load(const std::string& path, const std::vector<uint8_t>& image, std::string& error);
    // Back to the song start (order 0, the song's initial speed, tempo and volume).
    void Restart();
    // Starts the song afresh at order entry `order` (every channel reset, the song's initial
    // speed and tempo), keeping the master volume. False, and nothing changes, when the entry
    // is not in the song.
    bool Seek(int32_t order);
    // Starts afresh at order entry `order` (as Seek) and plays on without mixing (voices
    // advanced as mixing would) up to the tick that holds song time `frames`, or to the end of
    // pass `passes` (0: no end). The next block begins with that tick. Returns the song time
    // of its start.
    uint64_t SeekFrames(int32_t order, uint64_t frames, uint32_t passes);
    // Mixes the next block up to the song's end: stops before the first frame of the tick that
    // completes pass `passes` (setting `ended`) and returns the frames mixed; Block() holds them.
    int32_t NextBlockToEnd(uint32_t passes, bool& ended);
    int32_t* Block() { return player->MixBuffer.get(); }

    int32_t BlockFrames() const { return player->BufferFrames; }
    int32_t Channels() const { return player->Channels; }
    int32_t Rate() const { return player->SampleRate; }
    TKavoXM& Player() { return *player; }
    TKavoXMModule& Module() { return *player->Module; }

  private:
    std::unique_ptr<TKavoXM> player;
};
