#pragma once
// Keys of `kavoxm play` from the Windows console's key events.
#include "Terminal.h"

// The key of a key event: arrows by their virtual key code, the others by their character.
// Releases give none.
Key ConsoleKey(bool down, unsigned short virtualKey, wchar_t character);
