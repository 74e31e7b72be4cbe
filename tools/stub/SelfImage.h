#pragma once
// The player's own program file, read whole: the song travels at its end.
#include <cstdint>
#include <vector>

// Reads the running program's file into `bytes`; false (and `bytes` empty) when it cannot.
bool ReadSelfImage(std::vector<uint8_t>& bytes);
