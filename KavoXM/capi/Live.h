#pragma once
// Device playback of a handle: an audio thread that renders the handle's own player, one
// device block at a time, into a ring of wave buffers, and remembers for every block what the
// handle's state was at its first frame, so that the state of the frame being heard can be
// told from the device's played position.
//
// The audio thread never allocates and never waits on the device. It takes the handle's lock
// only to render a block; while a host call holds the lock it tries again at its next poll,
// and waits for the lock only when the device has less than one block left to play. Host calls
// hold that lock only for short copies (their long work runs without it, Handle.h), so such a
// wait is short.
#include "KavoXM/capi/kavoxm.h"
#include "KavoXM/module/Module.h"
#include "MMSystem/MMSystem.h"

#include <array>
#include <chrono>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct kavoxm_module;

namespace capi {

class LiveOutput {
  public:
    // Opens the device in the handle's device format; nullptr with `error` set when it cannot.
    // Takes no lock; the thread starts with Start.
    static std::unique_ptr<LiveOutput> Open(kavoxm_module& m, int& error);
    ~LiveOutput(); // stops the thread and closes the device (the handle's lock must be free)
    LiveOutput(const LiveOutput&) = delete;
    LiveOutput& operator=(const LiveOutput&) = delete;

    void Start();
    void Pause();
    void Resume();
    bool Paused() const { return paused; }
    // Called under the handle's lock: the device stops, the frames it has not played go to the
    // handle's carry with the state of the first of them.
    void StopInto(kavoxm_module& m);

    // Under the handle's lock: frames queued and not yet played; the state being heard.
    uint64_t QueuedFrames();
    void HeardState(kavoxm_state& out);
    // Under the handle's lock: the stream frame (kavoxm_event.frame's count) being heard.
    int64_t HeardFrame();
    const float* HeardLevels();
    // The song has ended in the handle and the device has played everything.
    bool Finished(const kavoxm_module& m);
    int32_t Rate() const { return rate; }
    // Worst time the audio thread took for one block, in microseconds (for the bench).
    int64_t WorstBlockMicroseconds() const { return worstBlock.load(); }

  private:
    struct Block {
        WAVEHDR Header{};
        std::unique_ptr<int16_t[]> Data;
        uint64_t Start = 0;      // device frame of its first frame
        int64_t StreamStart = 0; // stream frame of its first frame
        int32_t Frames = 0;
        kavoxm_state State{}; // the handle's state at its first frame
        std::array<float, 2 * TKavoXMModule::BankSize> Levels{}; // the channel levels heard
    };
    const Block* BlockHeard();

    LiveOutput(kavoxm_module& m, HWAVEOUT device);
    void Run();
    // Fills every free block it can; false when it should wait for the lock next time.
    void Service();
    bool FillNext(Block& block);
    uint64_t Played();

    kavoxm_module& handle;
    HWAVEOUT device;
    int32_t rate;
    int32_t blockFrames;
    std::vector<Block> blocks;
    size_t next = 0;          // ring index filled next
    uint64_t submitted = 0;   // frames handed to the device
    std::mutex positionMutex; // guards playedLow
    uint64_t playedLow = 0;   // the device's 32-bit position, unwrapped
    std::atomic<bool> paused{false};
    bool halted = false; // under the handle's lock: StopInto has taken what was rendered
    std::atomic<int64_t> worstBlock{0};
    std::chrono::milliseconds poll{5};
    std::mutex wakeMutex;
    std::condition_variable wake;
    bool stopping = false;
    std::thread thread;
};

} // namespace capi
