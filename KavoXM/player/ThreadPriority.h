#pragma once
#include "KavoXM/player/PlatformThreads.h"

// Raises a thread to the platform's time-critical level where the process may do so; leaves
// it unchanged otherwise. Best effort: failures are silent.
void RaiseToTimeCriticalPriority(TKavoXMThread& thread);
