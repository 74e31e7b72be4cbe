#pragma once
#include <cstdint>

// The song the console program carries, in the packed form of Ostrel/SongPack.h.
extern const uint8_t PackedEmbeddedModule[];
extern const int32_t PackedEmbeddedModuleSize;
