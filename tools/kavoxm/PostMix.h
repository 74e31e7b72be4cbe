#pragma once
// The post-mix stage lives in the engine, shared with the C API.
#include "KavoXM/player/PostMix.h"
