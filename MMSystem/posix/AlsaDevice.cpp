// Wave-out over ALSA's "default" PCM, opened non-blocking: the pump thread writes queued data
// as the device frees space and retires headers once the device delay shows them played.
// ALSA's null device takes any amount at once and reports nothing queued: it is paced by the
// clock, so that playing into it takes the song's own time (frames count as played no faster
// than real time). Other devices, the file plugin's recordings included, go at their own pace.
// ALSA's library is looked up at run time (AlsaLibrary.h): without it no device opens.
#include "MMSystem/common/WaveDevice.h"
#include "MMSystem/posix/AlsaLibrary.h"

#include <cerrno>

#include <algorithm>
#include <chrono>
#include <mutex>

namespace {

constexpr unsigned int DeviceLatencyUs = 100000;
constexpr int32_t AlsaPumpIntervalMs = 2;
constexpr int32_t MaxRecoveries = 4; // per pump pass

// The engine logs nothing: ALSA's own diagnostics (for instance about a missing card) are
// dropped; failures reach the host as waveOutOpen's result.
void IgnoreAlsaMessage(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/,
                       const char* /*fmt*/, ...) {}

class AlsaDevice final : public WaveOutDevice {
  public:
    AlsaDevice(const WAVEFORMATEX& format, const alsa::Library& library, alsa::Pcm* pcm)
        : WaveOutDevice(format, AlsaPumpIntervalMs), Alsa(library), Pcm(pcm),
          Paced(library.Type(pcm) == alsa::TypeNull) {}
    ~AlsaDevice() override {
        StopPump();
        Alsa.Drop(Pcm);
        Alsa.Close(Pcm);
    }

  protected:
    void Pump() override {
        Feed();
        const uint64_t inDevice = FramesInDevice();
        const uint64_t played = WrittenFrames() - inDevice;
        Retire(Paced ? std::min(played, ClockBound(Clock::now())) : played);
    }

    void DropSink() override {
        Alsa.Drop(Pcm);
        Alsa.Prepare(Pcm);
        Anchor(0, Clock::now());
    }

    // The clock starts again from what was retired when the device plays on after a pause.
    void Paused(bool paused) override {
        if (!paused) Anchor(RetiredFrames(), Clock::now());
    }

  private:
    void Feed() {
        const uint8_t* data = nullptr;
        uint32_t frames = 0;
        int32_t recoveries = 0;
        while (PendingChunk(data, frames)) {
            const alsa::Frames n = Alsa.WriteInterleaved(Pcm, data, frames);
            if (n == -EAGAIN || n == 0) break;
            if (n < 0) {
                if (++recoveries > MaxRecoveries || Alsa.Recover(Pcm, int(n), 1) < 0) break;
                continue;
            }
            Consume(uint32_t(n));
        }
        // A queue shorter than the device's start threshold must still start playing.
        if (Alsa.State(Pcm) == alsa::StatePrepared && WrittenFrames() > 0) Alsa.Start(Pcm);
    }

    // Frames written but not yet played; none once the device has run dry.
    uint64_t FramesInDevice() {
        const int state = Alsa.State(Pcm);
        if (state != alsa::StateRunning && state != alsa::StatePrepared) return 0;
        alsa::Frames delay = 0;
        if (Alsa.Delay(Pcm, &delay) < 0 || delay < 0) return 0;
        return std::min<uint64_t>(uint64_t(delay), WrittenFrames());
    }

    using Clock = std::chrono::steady_clock;

    void Anchor(uint64_t frames, Clock::time_point at) {
        AnchorFrames = frames;
        AnchorTime = at;
    }

    // The most frames the paced device can have played by `now`: the anchor plus the time
    // since, at the device's rate.
    uint64_t ClockBound(Clock::time_point now) const {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::microseconds>(now - AnchorTime).count();
        return AnchorFrames +
               uint64_t(std::max<int64_t>(elapsed, 0)) * Format.nSamplesPerSec / 1000000u;
    }

    const alsa::Library& Alsa;
    alsa::Pcm* Pcm;
    bool Paced;
    uint64_t AnchorFrames = 0;
    Clock::time_point AnchorTime = Clock::now();
};

} // namespace

WaveOutDevice* OpenAlsaDevice(const WAVEFORMATEX& format) {
    if (format.wFormatTag != WAVE_FORMAT_PCM || format.nChannels == 0) return nullptr;
    int sampleFormat = -1;
    if (format.wBitsPerSample == 16) sampleFormat = alsa::FormatS16LE;
    if (format.wBitsPerSample == 8) sampleFormat = alsa::FormatU8;
    if (sampleFormat < 0) return nullptr;
    const alsa::Library* library = alsa::System();
    if (library == nullptr) return nullptr; // no ALSA on this machine: no device
    static std::once_flag quiet;
    std::call_once(quiet, [library] { library->ErrorSetHandler(IgnoreAlsaMessage); });
    alsa::Pcm* pcm = nullptr;
    if (library->Open(&pcm, "default", alsa::StreamPlayback, alsa::OpenNonBlock) < 0)
        return nullptr;
    if (library->SetParams(pcm, sampleFormat, alsa::AccessReadWriteInterleaved, format.nChannels,
                           format.nSamplesPerSec, 1, DeviceLatencyUs) < 0) {
        library->Close(pcm);
        return nullptr;
    }
    auto* device = new AlsaDevice(format, *library, pcm);
    device->StartPump();
    return device;
}
