#pragma once
#include <cstdint>

// The song the console player carries: a complete XM image.
extern const uint8_t EmbeddedModule[];
extern const int32_t EmbeddedModuleSize;
