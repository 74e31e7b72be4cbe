#pragma once
// Host-facing API of the KavoXM engine: create a TKavoXM player, load a song into its Module
// with LoadFromMemory, then Play (real time) or StartOffline/RenderOffline (no device).

#include "KavoXM/module/Module.h"
#include "KavoXM/module/XMLoadInfo.h"
#include "KavoXM/player/Player.h"
#include "KavoXM/sequencer/Channel.h"
