#pragma once
// ALSA's library reached at run time: the few functions the wave-out device uses, looked up in
// libasound.so.2 the first time a device opens. Neither ALSA's headers nor its library are
// needed to build or link the engine, and a machine without ALSA can still load songs and
// render them; only device playback needs it.

namespace alsa {

struct Pcm;          // snd_pcm_t
using Frames = long; // snd_pcm_sframes_t / snd_pcm_uframes_t

// The values of ALSA's enumerations and flags that the device passes (stable parts of its ABI).
constexpr int StreamPlayback = 0;
constexpr int OpenNonBlock = 1;
constexpr int AccessReadWriteInterleaved = 3;
constexpr int FormatU8 = 1;
constexpr int FormatS16LE = 2;
constexpr int StatePrepared = 2;
constexpr int StateRunning = 3;
constexpr int TypeNull = 4; // SND_PCM_TYPE_NULL: the device that discards what it is given

using ErrorHandler = void (*)(const char* file, int line, const char* function, int err,
                              const char* fmt, ...);

struct Library {
    int (*ErrorSetHandler)(ErrorHandler handler);
    int (*Open)(Pcm** pcm, const char* name, int stream, int mode);
    int (*SetParams)(Pcm* pcm, int format, int access, unsigned int channels, unsigned int rate,
                     int softResample, unsigned int latencyUs);
    int (*Close)(Pcm* pcm);
    int (*Drop)(Pcm* pcm);
    int (*Prepare)(Pcm* pcm);
    int (*Start)(Pcm* pcm);
    Frames (*WriteInterleaved)(Pcm* pcm, const void* data, unsigned long frames);
    int (*Recover)(Pcm* pcm, int err, int silent);
    int (*State)(Pcm* pcm);
    int (*Delay)(Pcm* pcm, Frames* delay);
    int (*Type)(Pcm* pcm);
    int (*ConfigFreeGlobal)(); // forgets the configuration read so far (tests change HOME)
};

// Loads `soname` and resolves every function; nullptr when the library or any function is
// missing. Each call loads afresh (the library stays loaded).
const Library* Load(const char* soname);

// ALSA's library of this system, loaded once: nullptr when it is not installed.
const Library* System();

} // namespace alsa
