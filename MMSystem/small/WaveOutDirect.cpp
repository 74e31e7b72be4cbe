// The wave-out functions of the Windows build for size (cmake/SmallEngine.cmake): straight to
// WinMM. The standalone players never select the virtual test device, so they do without it
// and without the threads and locks it needs. A null handle is refused, as by the full layer.
#define MMSYSTEM_WINMM_DIRECT
#include "MMSystem/MMSystem.h"

MMRESULT LayerWaveOutOpen(HWAVEOUT* device, UINT deviceId, const WAVEFORMATEX* format,
                          DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
    if (device == nullptr || format == nullptr) return MMSYSERR_INVALPARAM;
    *device = nullptr;
    return waveOutOpen(device, deviceId, format, callback, instance, flags);
}

MMRESULT LayerWaveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    return waveOutPrepareHeader(device, header, size);
}

MMRESULT LayerWaveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT size) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    return waveOutWrite(device, header, size);
}

MMRESULT LayerWaveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    return waveOutUnprepareHeader(device, header, size);
}

MMRESULT LayerWaveOutReset(HWAVEOUT device) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    return waveOutReset(device);
}

MMRESULT LayerWaveOutClose(HWAVEOUT device) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    return waveOutClose(device);
}

MMRESULT LayerWaveOutPause(HWAVEOUT device) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    return waveOutPause(device);
}

MMRESULT LayerWaveOutRestart(HWAVEOUT device) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    return waveOutRestart(device);
}

MMRESULT LayerWaveOutGetPosition(HWAVEOUT device, MMTIME* time, UINT size) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    return waveOutGetPosition(device, time, size);
}
