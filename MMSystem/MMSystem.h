#pragma once
// The wave-out interface under its Windows names. On Windows this is the system's WinMM;
// elsewhere the same names are implemented over ALSA. Both have a virtual device for tests
// (see VirtualDevice.h).

#include <atomic>
#include <cstdint>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
// windows.h first: mmsystem.h relies on the base types it declares.
#include <windows.h>

#include <mmsystem.h>

// The wave-out calls go through this layer, which hands them to WinMM or, once a test has
// selected it, to the virtual device. Callers keep the system's names; the layer itself
// reaches WinMM with MMSYSTEM_WINMM_DIRECT defined.
MMRESULT LayerWaveOutOpen(HWAVEOUT* device, UINT deviceId, const WAVEFORMATEX* format,
                          DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
MMRESULT LayerWaveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size);
MMRESULT LayerWaveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT size);
MMRESULT LayerWaveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size);
MMRESULT LayerWaveOutReset(HWAVEOUT device);
MMRESULT LayerWaveOutClose(HWAVEOUT device);
MMRESULT LayerWaveOutPause(HWAVEOUT device);
MMRESULT LayerWaveOutRestart(HWAVEOUT device);
MMRESULT LayerWaveOutGetPosition(HWAVEOUT device, MMTIME* time, UINT size);
#ifndef MMSYSTEM_WINMM_DIRECT
#define waveOutOpen LayerWaveOutOpen
#define waveOutPrepareHeader LayerWaveOutPrepareHeader
#define waveOutWrite LayerWaveOutWrite
#define waveOutUnprepareHeader LayerWaveOutUnprepareHeader
#define waveOutReset LayerWaveOutReset
#define waveOutClose LayerWaveOutClose
#define waveOutPause LayerWaveOutPause
#define waveOutRestart LayerWaveOutRestart
#define waveOutGetPosition LayerWaveOutGetPosition
#endif
#else

using UINT = uint32_t;
using DWORD = uint32_t;
using WORD = uint16_t;
using MMRESULT = uint32_t;
using DWORD_PTR = uintptr_t;
struct WaveOutDevice;
using HWAVEOUT = WaveOutDevice*;

struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};

struct WAVEHDR {
    char* lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags; // written by the device layer's thread: access through WaveHeaderFlags
    DWORD dwLoops;
    WAVEHDR* lpNext;
    DWORD_PTR reserved;
};

// A device position; only the sample count (TIME_SAMPLES) and the byte count (TIME_BYTES)
// are given, as 32-bit counts since the last reset (they wrap as WinMM's do).
struct MMTIME {
    UINT wType;
    union {
        DWORD ms;
        DWORD sample;
        DWORD cb;
        DWORD ticks;
    } u;
};

constexpr UINT TIME_SAMPLES = 0x0002;
constexpr UINT TIME_BYTES = 0x0004;
constexpr WORD WAVE_FORMAT_PCM = 1;
constexpr DWORD WHDR_DONE = 0x01;
constexpr DWORD WHDR_PREPARED = 0x02;
constexpr DWORD WHDR_INQUEUE = 0x10;
constexpr UINT WAVE_MAPPER = UINT(-1);
constexpr DWORD CALLBACK_NULL = 0;
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT WAVERR_STILLPLAYING = 33;
constexpr MMRESULT WAVERR_UNPREPARED = 34;

MMRESULT waveOutOpen(HWAVEOUT* device, UINT deviceId, const WAVEFORMATEX* format,
                     DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size);
MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT size);
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size);
MMRESULT waveOutReset(HWAVEOUT device);
MMRESULT waveOutClose(HWAVEOUT device);
// Pause holds the queue where it stands (nothing is dropped); Restart plays on from there.
MMRESULT waveOutPause(HWAVEOUT device);
MMRESULT waveOutRestart(HWAVEOUT device);
// Frames (TIME_SAMPLES; other kinds are answered in bytes) played since the last reset.
MMRESULT waveOutGetPosition(HWAVEOUT device, MMTIME* time, UINT size);
DWORD timeGetTime();

#endif

// The device sets WHDR_DONE from its own thread; every access to a header's flags while the
// header may be queued goes through this atomic view.
inline std::atomic_ref<DWORD> WaveHeaderFlags(WAVEHDR& header) {
    return std::atomic_ref<DWORD>(header.dwFlags);
}
