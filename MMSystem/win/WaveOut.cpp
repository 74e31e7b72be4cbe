// The wave-out functions on Windows: WinMM's, except on the handles of a virtual device
// opened while a test had selected it. Such a handle is the address of the device object;
// the open ones are listed so that every call can tell them from WinMM's handles. A null
// handle is refused here, as on other platforms (WinMM lets some calls on it succeed).
#define MMSYSTEM_WINMM_DIRECT
#include "MMSystem/common/WaveDevice.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

static_assert(sizeof(DWORD) == 4, "WAVEHDR flags are a 32-bit word");
static_assert(std::atomic_ref<DWORD>::required_alignment <= alignof(DWORD),
              "WAVEHDR flags can be accessed atomically in place");

namespace {

struct VirtualHandles {
    std::mutex Mutex;
    std::vector<WaveOutDevice*> Open;
};

VirtualHandles& TheVirtualHandles() {
    static VirtualHandles handles;
    return handles;
}

// Whether a call on `handle` is answered here rather than by WinMM: a null handle (`own`
// stays null) or a virtual device's (`own` is the device). With `forget` a virtual device
// is also taken off the list (on close).
bool AnsweredHere(HWAVEOUT handle, WaveOutDevice*& own, bool forget = false) {
    own = nullptr;
    if (handle == nullptr) return true;
    VirtualHandles& handles = TheVirtualHandles();
    std::lock_guard<std::mutex> lock(handles.Mutex);
    const auto found = std::find(handles.Open.begin(), handles.Open.end(),
                                 reinterpret_cast<WaveOutDevice*>(handle));
    if (found == handles.Open.end()) return false;
    own = *found;
    if (forget) handles.Open.erase(found);
    return true;
}

} // namespace

MMRESULT LayerWaveOutOpen(HWAVEOUT* device, UINT deviceId, const WAVEFORMATEX* format,
                          DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
    if (device == nullptr || format == nullptr) return MMSYSERR_INVALPARAM;
    *device = nullptr;
    WaveOutDevice* opened = nullptr;
    MMRESULT result = MMSYSERR_NOERROR;
    if (!OpenSelectedVirtualDevice(*format, opened, result))
        return waveOutOpen(device, deviceId, format, callback, instance, flags);
    if (opened != nullptr) {
        VirtualHandles& handles = TheVirtualHandles();
        std::lock_guard<std::mutex> lock(handles.Mutex);
        handles.Open.push_back(opened);
        *device = reinterpret_cast<HWAVEOUT>(opened);
    }
    return result;
}

MMRESULT LayerWaveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size) {
    WaveOutDevice* own = nullptr;
    if (AnsweredHere(device, own)) return devicecalls::Prepare(own, header);
    return waveOutPrepareHeader(device, header, size);
}

MMRESULT LayerWaveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT size) {
    WaveOutDevice* own = nullptr;
    if (AnsweredHere(device, own)) return devicecalls::Write(own, header);
    return waveOutWrite(device, header, size);
}

MMRESULT LayerWaveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size) {
    WaveOutDevice* own = nullptr;
    if (AnsweredHere(device, own)) return devicecalls::Unprepare(own, header);
    return waveOutUnprepareHeader(device, header, size);
}

MMRESULT LayerWaveOutReset(HWAVEOUT device) {
    WaveOutDevice* own = nullptr;
    if (AnsweredHere(device, own)) return devicecalls::Reset(own);
    return waveOutReset(device);
}

MMRESULT LayerWaveOutClose(HWAVEOUT device) {
    WaveOutDevice* own = nullptr;
    if (AnsweredHere(device, own, true)) return devicecalls::Close(own);
    return waveOutClose(device);
}

MMRESULT LayerWaveOutPause(HWAVEOUT device) {
    WaveOutDevice* own = nullptr;
    if (AnsweredHere(device, own)) return devicecalls::Pause(own);
    return waveOutPause(device);
}

MMRESULT LayerWaveOutRestart(HWAVEOUT device) {
    WaveOutDevice* own = nullptr;
    if (AnsweredHere(device, own)) return devicecalls::Restart(own);
    return waveOutRestart(device);
}

MMRESULT LayerWaveOutGetPosition(HWAVEOUT device, MMTIME* time, UINT size) {
    WaveOutDevice* own = nullptr;
    if (AnsweredHere(device, own))
        return devicecalls::GetPosition(own, time, own != nullptr ? own->FrameBytes() : 0);
    return waveOutGetPosition(device, time, size);
}
