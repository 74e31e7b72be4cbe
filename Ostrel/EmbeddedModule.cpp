#include "Ostrel/EmbeddedModule.h"

// No song is embedded yet: an empty image, which the loader refuses.
extern const uint8_t EmbeddedModule[] = {0};
extern const int32_t EmbeddedModuleSize = 0;
