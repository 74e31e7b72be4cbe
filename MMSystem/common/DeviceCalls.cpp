// The wave-out calls on one of this layer's own devices (WaveDevice.h).
#include "MMSystem/common/WaveDevice.h"

namespace devicecalls {

MMRESULT Prepare(WaveOutDevice* device, WAVEHDR* header) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr || header->lpData == nullptr) return MMSYSERR_INVALPARAM;
    WaveHeaderFlags(*header).fetch_or(WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMRESULT Write(WaveOutDevice* device, WAVEHDR* header) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr) return MMSYSERR_INVALPARAM;
    const DWORD flags = WaveHeaderFlags(*header).load();
    if ((flags & WHDR_PREPARED) == 0) return WAVERR_UNPREPARED;
    if ((flags & WHDR_INQUEUE) != 0) return WAVERR_STILLPLAYING;
    return device->Write(header);
}

MMRESULT Unprepare(WaveOutDevice* device, WAVEHDR* header) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr) return MMSYSERR_INVALPARAM;
    if ((WaveHeaderFlags(*header).load() & WHDR_INQUEUE) != 0) return WAVERR_STILLPLAYING;
    WaveHeaderFlags(*header).fetch_and(~WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMRESULT Reset(WaveOutDevice* device) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    device->Reset();
    return MMSYSERR_NOERROR;
}

MMRESULT Pause(WaveOutDevice* device) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    device->Pause();
    return MMSYSERR_NOERROR;
}

MMRESULT Restart(WaveOutDevice* device) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    device->Restart();
    return MMSYSERR_NOERROR;
}

MMRESULT GetPosition(WaveOutDevice* device, MMTIME* time, uint32_t frameBytes) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (time == nullptr) return MMSYSERR_INVALPARAM;
    const uint64_t frames = device->Position();
    if (time->wType == TIME_SAMPLES) {
        time->u.sample = DWORD(frames);
    } else {
        time->wType = TIME_BYTES;
        time->u.cb = DWORD(frames * frameBytes);
    }
    return MMSYSERR_NOERROR;
}

MMRESULT Close(WaveOutDevice* device) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    device->Reset();
    delete device;
    return MMSYSERR_NOERROR;
}

} // namespace devicecalls
