// The wave-out functions over the devices of WaveDevice.h: the virtual one when selected,
// otherwise ALSA.
#include "MMSystem/common/WaveDevice.h"

MMRESULT waveOutOpen(HWAVEOUT* device, UINT /*deviceId*/, const WAVEFORMATEX* format,
                     DWORD_PTR /*callback*/, DWORD_PTR /*instance*/, DWORD /*flags*/) {
    if (device == nullptr || format == nullptr) return MMSYSERR_INVALPARAM;
    *device = nullptr;
    MMRESULT result = MMSYSERR_NOERROR;
    if (OpenSelectedVirtualDevice(*format, *device, result)) return result;
    *device = OpenAlsaDevice(*format);
    return *device != nullptr ? MMSYSERR_NOERROR : MMSYSERR_ERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, UINT /*size*/) {
    return devicecalls::Prepare(device, header);
}

MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT /*size*/) {
    return devicecalls::Write(device, header);
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT /*size*/) {
    return devicecalls::Unprepare(device, header);
}

MMRESULT waveOutReset(HWAVEOUT device) {
    return devicecalls::Reset(device);
}

MMRESULT waveOutClose(HWAVEOUT device) {
    return devicecalls::Close(device);
}

MMRESULT waveOutPause(HWAVEOUT device) {
    return devicecalls::Pause(device);
}

MMRESULT waveOutRestart(HWAVEOUT device) {
    return devicecalls::Restart(device);
}

MMRESULT waveOutGetPosition(HWAVEOUT device, MMTIME* time, UINT /*size*/) {
    return devicecalls::GetPosition(device, time, device != nullptr ? device->FrameBytes() : 0);
}
