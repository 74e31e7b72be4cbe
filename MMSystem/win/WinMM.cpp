// On Windows the wave-out functions, WAVEHDR and timeGetTime are the system's own (winmm);
// this unit only checks that the engine's view of them holds.
#include "MMSystem/MMSystem.h"

#include <atomic>

static_assert(sizeof(DWORD) == 4, "WAVEHDR flags are a 32-bit word");
static_assert(std::atomic_ref<DWORD>::required_alignment <= alignof(DWORD),
              "WAVEHDR flags can be accessed atomically in place");
