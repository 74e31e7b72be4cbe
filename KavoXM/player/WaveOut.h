#pragma once
// The player's wave-out state: the device handle, its format and the ring of wave headers. Kept
// out of Player.h so that hosts including the engine's headers do not receive the wave-out
// layer's types and macros; only the engine's sources (and tests) include it.
#include "KavoXM/player/Player.h"
#include "MMSystem/MMSystem.h"

#include <vector>

struct TKavoXMWaveOut {
    WAVEFORMATEX WaveFormat{};
    HWAVEOUT Device{};
    std::vector<WAVEHDR*> Headers; // owned, with their data blocks (freed by ~TKavoXM)
};
