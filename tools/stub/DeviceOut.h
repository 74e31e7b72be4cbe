#pragma once
// The audio device of the standalone player stub: a ring of wave buffers that it fills itself,
// with the engine built for size and its post-mix between the mixer and the sound.
#include "MMSystem/MMSystem.h"

#include <cstdint>
#include <memory>
#include <vector>

class DeviceOut {
  public:
    // 16-bit PCM at `rate`, `channels` channels, `count` buffers of `frames` frames.
    DeviceOut(int32_t rate, int32_t channels, int32_t frames, int32_t count);
    ~DeviceOut();
    DeviceOut(const DeviceOut&) = delete;
    DeviceOut& operator=(const DeviceOut&) = delete;

    bool IsOpen() const { return open; }
    // The next buffer in the ring is free to fill.
    bool CanSubmit();
    // The data block of the next buffer (frames x channels 16-bit values).
    uint8_t* NextData() { return reinterpret_cast<uint8_t*>(Next().lpData); }
    // Queues the next buffer; returns its ring index.
    int32_t Submit();
    // Ring index of the oldest buffer still playing, or -1 when the device has played all.
    int32_t Playing();
    int32_t Queued();
    // Stops the sound now: every queued buffer comes back unplayed. With `keep`, the buffers
    // not yet played are remembered and Replay queues them again in order.
    void Stop(bool keep);
    void Replay();

  private:
    HWAVEOUT device{};
    bool open = false;
    std::vector<WAVEHDR> headers;
    std::vector<std::unique_ptr<char[]>> blocks;
    int32_t next = 0;   // ring index filled next
    int32_t oldest = 0; // ring index of the oldest submitted buffer
    int32_t queued = 0; // submitted, not yet seen done
    std::vector<int32_t> kept;

    WAVEHDR& Next() { return headers[size_t(next)]; }
    bool Done(int32_t index);
    void Collect(); // moves `oldest` past buffers the device has played
};
