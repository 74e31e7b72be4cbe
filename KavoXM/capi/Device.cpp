// Device playback of a handle: play, pause, resume, stop, the device format and latency.
#include "KavoXM/capi/Handle.h"
#include "KavoXM/capi/Live.h"

#include <memory>

kavoxm_module::kavoxm_module() : Meters(std::make_unique<TKavoXMMeters>(BlockFrames)) {}

kavoxm_module::~kavoxm_module() {
    Live.reset(); // the audio thread ends before the player goes
}

namespace capi {

void DropCarry(kavoxm_module& m) {
    m.CarryFrames = 0;
}

} // namespace capi

namespace {

// Stops the device; the audio thread is joined without the handle's lock held.
void StopLive(kavoxm_module& m, std::unique_lock<std::mutex>& lock) {
    if (!m.Live) return;
    m.Live->StopInto(m);
    std::unique_ptr<capi::LiveOutput> live = std::move(m.Live);
    lock.unlock();
    live.reset();
    lock.lock();
}

} // namespace

extern "C" {

int kavoxm_set_device_format(kavoxm_module* module, int32_t rate, int32_t block_frames,
                             int32_t blocks) {
    return capi::Locked(module, [&](kavoxm_module& m) -> int {
        if (rate == 0) rate = 44100;
        if (block_frames == 0) block_frames = 1024;
        if (blocks == 0) blocks = 4;
        if (rate < KAVOXM_MIN_RATE || rate > KAVOXM_MAX_RATE ||
            block_frames < KAVOXM_MIN_DEVICE_BLOCK || block_frames > KAVOXM_MAX_DEVICE_BLOCK ||
            blocks < 2 || blocks > KAVOXM_MAX_DEVICE_BLOCKS)
            return KAVOXM_ERROR_INVALID_ARGUMENT;
        if (m.Live) return KAVOXM_ERROR_BUSY;
        m.DeviceRate = rate;
        m.DeviceBlockFrames = block_frames;
        m.DeviceBlocks = blocks;
        return KAVOXM_OK;
    });
}

int64_t kavoxm_latency_frames(kavoxm_module* module) {
    return capi::Locked(module, [&](kavoxm_module& m) -> int64_t {
        if (m.Live) return int64_t(m.Live->QueuedFrames());
        return int64_t(m.DeviceBlockFrames) * m.DeviceBlocks;
    });
}

int64_t kavoxm_heard_frame(kavoxm_module* module) {
    return capi::Locked(module, [&](kavoxm_module& m) -> int64_t {
        if (m.Live) return m.Live->HeardFrame();
        return m.CarryFrames > 0 ? m.CarryStream : m.StreamFrame;
    });
}

int kavoxm_play(kavoxm_module* module) {
    return capi::HostLocked(module, [&](kavoxm_module& m) -> int {
        std::lock_guard<std::mutex> lock(m.Mutex);
        if (m.Live) {
            m.Live->Resume();
            return KAVOXM_OK;
        }
        if (m.CarryRate != m.DeviceRate) capi::DropCarry(m);
        // The format change (and a seek to make again in it) is done here, before the audio
        // thread starts: it only ever renders.
        capi::PrepareFormat(m, m.DeviceRate, 2);
        int error = KAVOXM_OK;
        m.Live = capi::LiveOutput::Open(m, error);
        if (!m.Live) return error;
        m.Live->Start();
        return KAVOXM_OK;
    });
}

int kavoxm_pause(kavoxm_module* module) {
    return capi::Locked(module, [&](kavoxm_module& m) -> int {
        if (!m.Live) return KAVOXM_ERROR_BUSY;
        m.Live->Pause();
        return KAVOXM_OK;
    });
}

int kavoxm_resume(kavoxm_module* module) {
    return capi::Locked(module, [&](kavoxm_module& m) -> int {
        if (!m.Live) return KAVOXM_ERROR_BUSY;
        m.Live->Resume();
        return KAVOXM_OK;
    });
}

int32_t kavoxm_is_playing(kavoxm_module* module) {
    const int32_t playing = capi::Locked(module, [&](kavoxm_module& m) -> int32_t {
        return m.Live && !m.Live->Finished(m) ? 1 : 0;
    });
    return playing > 0 ? 1 : 0;
}

int32_t kavoxm_is_paused(kavoxm_module* module) {
    const int32_t paused = capi::Locked(
        module, [&](kavoxm_module& m) -> int32_t { return m.Live && m.Live->Paused() ? 1 : 0; });
    return paused > 0 ? 1 : 0;
}

int kavoxm_stop(kavoxm_module* module) {
    if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    return capi::Guard([&]() -> int {
        std::unique_lock<std::mutex> lock(module->Mutex);
        StopLive(*module, lock);
        return KAVOXM_OK;
    });
}

} // extern "C"
