#pragma once
// The device behind a wave-out handle: a queue of written headers, a sink that consumes their
// data and a pump thread that feeds the sink and marks headers done once they have played.

#include "MMSystem/MMSystem.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

struct WaveOutDevice {
    explicit WaveOutDevice(const WAVEFORMATEX& format, int32_t pumpIntervalMs);
    virtual ~WaveOutDevice() = default;
    WaveOutDevice(const WaveOutDevice&) = delete;
    WaveOutDevice& operator=(const WaveOutDevice&) = delete;

    // Starts and stops the pump thread; a derived class stops it before it goes away.
    void StartPump();
    void StopPump();
    // Queues a prepared header (sets WHDR_INQUEUE, clears WHDR_DONE).
    MMRESULT Write(WAVEHDR* header);
    // Drops everything queued and in the sink; every queued header becomes done.
    void Reset();
    // One pump pass now, from the calling thread.
    void Update();
    // Holds the queue where it stands: nothing more is played until Restart.
    void Pause();
    void Restart();
    // Frames played since the last reset.
    uint64_t Position();

  protected:
    // Called with Mutex held: hand pending data to the sink, then retire what has played.
    virtual void Pump() = 0;
    // Called with Mutex held: discard what the sink still holds.
    virtual void DropSink() = 0;
    // Called with Mutex held for every accepted header.
    virtual void Accepted(const WAVEHDR& /*header*/) {}
    // Called with Mutex held when the device pauses (true) or plays on (false).
    virtual void Paused(bool /*paused*/) {}

    // The next run of queued frames not yet handed to the sink; false when there is none.
    bool PendingChunk(const uint8_t*& data, uint32_t& frames) const;
    // The sink took `frames` frames of the pending data.
    void Consume(uint32_t frames);
    // Headers whose last frame lies at or before `playedFrames` become done.
    void Retire(uint64_t playedFrames);
    uint64_t WrittenFrames() const { return Written; }
    uint64_t RetiredFrames() const { return Retired; }
    bool Holding() const { return Hold; }
    uint32_t FramesOf(const WAVEHDR& header) const;

  public:
    uint32_t FrameBytes() const { return BlockAlign; }

  protected:
    WAVEFORMATEX Format;
    uint32_t BlockAlign;
    std::mutex Mutex;

  private:
    void PumpLoop();

    // Queued headers, linked through lpNext; `reserved` holds each one's end in frames.
    WAVEHDR* Head = nullptr;
    WAVEHDR* Tail = nullptr;
    uint64_t QueuedEnd = 0; // frames written by the host since the last reset
    uint64_t Written = 0;   // frames handed to the sink since the last reset
    uint64_t Retired = 0;   // frames retired as played since the last reset
    bool Hold = false;      // paused: the pump leaves the queue alone
    int32_t PumpIntervalMs;
    bool Stopping = false;
    std::condition_variable Wake;
    std::thread Pumper;
};

#ifndef _WIN32
// Opens ALSA's "default" PCM in the given format; nullptr when it cannot be opened.
WaveOutDevice* OpenAlsaDevice(const WAVEFORMATEX& format);
#endif
// Opens the virtual device (VirtualDevice.h) when it is selected; `result` receives the
// answer of waveOutOpen. Returns false, touching nothing, when it is not selected.
bool OpenSelectedVirtualDevice(const WAVEFORMATEX& format, WaveOutDevice*& device,
                               MMRESULT& result);

// The wave-out calls on one of these devices, with the checks and answers of WinMM.
namespace devicecalls {
MMRESULT Prepare(WaveOutDevice* device, WAVEHDR* header);
MMRESULT Write(WaveOutDevice* device, WAVEHDR* header);
MMRESULT Unprepare(WaveOutDevice* device, WAVEHDR* header);
MMRESULT Reset(WaveOutDevice* device);
MMRESULT Pause(WaveOutDevice* device);
MMRESULT Restart(WaveOutDevice* device);
MMRESULT GetPosition(WaveOutDevice* device, MMTIME* time, uint32_t frameBytes);
// Resets and destroys the device.
MMRESULT Close(WaveOutDevice* device);
} // namespace devicecalls
