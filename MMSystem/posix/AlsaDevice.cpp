// Wave-out over ALSA's "default" PCM, opened non-blocking: the pump thread writes queued data
// as the device frees space and retires headers once the device delay shows them played.
#include "MMSystem/common/WaveDevice.h"

#include <alsa/asoundlib.h>

#include <algorithm>
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
    AlsaDevice(const WAVEFORMATEX& format, snd_pcm_t* pcm)
        : WaveOutDevice(format, AlsaPumpIntervalMs), Pcm(pcm) {}
    ~AlsaDevice() override {
        StopPump();
        snd_pcm_drop(Pcm);
        snd_pcm_close(Pcm);
    }

  protected:
    void Pump() override {
        Feed();
        Retire(WrittenFrames() - FramesInDevice());
    }

    void DropSink() override {
        snd_pcm_drop(Pcm);
        snd_pcm_prepare(Pcm);
    }

  private:
    void Feed() {
        const uint8_t* data = nullptr;
        uint32_t frames = 0;
        int32_t recoveries = 0;
        while (PendingChunk(data, frames)) {
            const snd_pcm_sframes_t n = snd_pcm_writei(Pcm, data, frames);
            if (n == -EAGAIN || n == 0) break;
            if (n < 0) {
                if (++recoveries > MaxRecoveries || snd_pcm_recover(Pcm, int(n), 1) < 0) break;
                continue;
            }
            Consume(uint32_t(n));
        }
        // A queue shorter than the device's start threshold must still start playing.
        if (snd_pcm_state(Pcm) == SND_PCM_STATE_PREPARED && WrittenFrames() > 0) snd_pcm_start(Pcm);
    }

    // Frames written but not yet played; none once the device has run dry.
    uint64_t FramesInDevice() {
        if (snd_pcm_state(Pcm) != SND_PCM_STATE_RUNNING &&
            snd_pcm_state(Pcm) != SND_PCM_STATE_PREPARED)
            return 0;
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(Pcm, &delay) < 0 || delay < 0) return 0;
        return std::min<uint64_t>(uint64_t(delay), WrittenFrames());
    }

    snd_pcm_t* Pcm;
};

} // namespace

WaveOutDevice* OpenAlsaDevice(const WAVEFORMATEX& format) {
    if (format.wFormatTag != WAVE_FORMAT_PCM || format.nChannels == 0) return nullptr;
    snd_pcm_format_t sampleFormat = SND_PCM_FORMAT_UNKNOWN;
    if (format.wBitsPerSample == 16) sampleFormat = SND_PCM_FORMAT_S16_LE;
    if (format.wBitsPerSample == 8) sampleFormat = SND_PCM_FORMAT_U8;
    if (sampleFormat == SND_PCM_FORMAT_UNKNOWN) return nullptr;
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(IgnoreAlsaMessage); });
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return nullptr;
    if (snd_pcm_set_params(pcm, sampleFormat, SND_PCM_ACCESS_RW_INTERLEAVED, format.nChannels,
                           format.nSamplesPerSec, 1, DeviceLatencyUs) < 0) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    auto* device = new AlsaDevice(format, pcm);
    device->StartPump();
    return device;
}
