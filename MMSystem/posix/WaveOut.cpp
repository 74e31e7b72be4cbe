// The wave-out functions over the devices of WaveDevice.h.
#include "MMSystem/posix/WaveDevice.h"

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
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr || header->lpData == nullptr) return MMSYSERR_INVALPARAM;
    WaveHeaderFlags(*header).fetch_or(WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT /*size*/) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr) return MMSYSERR_INVALPARAM;
    const DWORD flags = WaveHeaderFlags(*header).load();
    if ((flags & WHDR_PREPARED) == 0) return WAVERR_UNPREPARED;
    if ((flags & WHDR_INQUEUE) != 0) return WAVERR_STILLPLAYING;
    return device->Write(header);
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT /*size*/) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr) return MMSYSERR_INVALPARAM;
    if ((WaveHeaderFlags(*header).load() & WHDR_INQUEUE) != 0) return WAVERR_STILLPLAYING;
    WaveHeaderFlags(*header).fetch_and(~WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutReset(HWAVEOUT device) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    device->Reset();
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutClose(HWAVEOUT device) {
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    device->Reset();
    delete device;
    return MMSYSERR_NOERROR;
}
