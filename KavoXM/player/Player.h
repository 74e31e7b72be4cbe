#pragma once
#include "KavoXM/mixer/CubicSpline.h"
#include "KavoXM/module/Module.h"
#include "KavoXM/player/Event.h"
#include "KavoXM/player/PlatformThreads.h"
#include <atomic>
#include <cstdint>
#include <memory>

// The wave-out device, its format and wave headers (player/WaveOut.h).
struct TKavoXMWaveOut;
// Channel meters the mixer fills when a host asks for them (mixer/Meters.h).
struct TKavoXMMeters;

// Where a player sends its audio.
enum class TKavoXMOutput {
    Device, // the platform's wave-out device (or the virtual device, when selected)
    None,   // no device: offline rendering only (RenderOffline)
};

// The engine's top object: output format, tick clock, device, lock, output thread and the
// ring of wave buffers.
class TKavoXM {
  public:
    int32_t SampleRate = 44100;
    int32_t Channels = 2;       // 1 mono, 2 stereo
    int32_t Bits = 16;          // 8 or 16
    int32_t MixBufferBytes = 0; // BufferFrames x 4 x Channels
    int32_t BufferBytes = 0;    // BufferFrames x Bits x Channels / 8
    int32_t BufferCount = 0;
    int32_t Prebuffer = 0;
    std::atomic<uint64_t> SamplesQueued{0};  // frames handed to the device since Play
    std::unique_ptr<TKavoXMWaveOut> WaveOut; // device, format and the ring of wave headers
    int64_t StartTime = -1;                  // ms, first submission after a device reset; -1 none
    int32_t PrebufferedCount = 0;
    int32_t PollInterval = 10; // ms
    int32_t CurrentBuffer = 0; // next buffer to refill
    TKavoXMThread Thread;
    TKavoXMMutex CriticalSection;
    std::atomic<bool> Terminated{false};
    std::atomic<bool> ParkRequest{true};
    std::atomic<bool> Parked{false};
    std::unique_ptr<TKavoXMEvent> ResumeEvent;
    std::unique_ptr<TKavoXMEvent> ResumedEvent;
    TKavoXMEvent ThreadEndedEvent; // signalled by the output thread as it ends
    int32_t SamplesPerTick = 0;
    int32_t SamplesLeftInTick = 0;
    std::unique_ptr<int32_t[]> MixBuffer; // BufferFrames x Channels, interleaved
    int32_t* MixPos = nullptr;
    std::unique_ptr<TKavoXMCubicSpline> Spline;
    bool DeviceOpen = false;
    int32_t BufferFrames = 0;
    std::unique_ptr<TKavoXMModule> Module;
    uint8_t InterpolationMode = 2; // 0 nearest, 1 linear, 2 and 3 cubic spline
    bool ClipOutput = true;        // 16-bit output saturates (else wraps)
    // Host factors on the tick rate and on every voice's pitch, in 1/65536 (TickLength.h).
    uint32_t TempoFactor = 65536;
    uint32_t PitchFactor = 65536;
    TKavoXMMeters* Meters = nullptr; // not owned; null: no metering

    TKavoXM(int32_t sampleRate, int32_t bufferFrames, int32_t bufferCount, bool stereo,
            int32_t pollInterval, int32_t bits, int32_t prebuffer,
            TKavoXMOutput output = TKavoXMOutput::Device);
    ~TKavoXM();
    TKavoXM(const TKavoXM&) = delete;
    TKavoXM& operator=(const TKavoXM&) = delete;

    bool OpenDevice();
    void Lock() { CriticalSection.lock(); }
    void Unlock() { CriticalSection.unlock(); }
    void Clear();
    void UpdateSamplesPerTick();
    void Tick();
    void ResetOutput();
    bool Play() { return PlayFrom(0, 0); }
    // Play from `order` and `row` (as SetPosition places them): the first buffer the device
    // gets already begins there. False, and nothing plays, when the song is not loaded or the
    // position is not in it.
    bool PlayFrom(int32_t order, int32_t row);
    // Seeks: takes the lock and starts the song afresh at `order` and `row` (the module's
    // SetPosition: every channel as after loading, the song's initial speed and tempo, global
    // volume 64, a new pass); the next frame rendered begins with that row's tick. Frames of
    // the offline block not yet handed out are dropped; buffers already queued with the
    // device play out. Returns false and changes nothing when the position is not in the song.
    bool SetPosition(int32_t order, int32_t row);

    // Output thread and buffer queue (OutputThread.cpp).
    void OutputThread();
    void ServiceQueue();
    void SubmitBuffer();
    void FillBuffer(uint8_t* data);
    // The mixing half of FillBuffer: the next BufferFrames frames into MixBuffer, not converted.
    void MixBlock();

    // Offline rendering: the same FillBuffer path into a caller's buffer, no device involved.
    // StartOffline resets the song like Play (returns false when nothing is loaded);
    // RenderOffline writes the next `frames` frames in the device format (BufferBytes per
    // BufferFrames frames) and returns the frames written.
    bool StartOffline();
    int32_t RenderOffline(void* out, int32_t frames);

  private:
    std::unique_ptr<uint8_t[]> OfflineBlock; // one block in device format
    int32_t OfflineFill = 0;                 // frames of OfflineBlock not yet handed out
};
