#pragma once
// The game controls' access to a handle: its queued jump, events, sound effects and fades.
#include "KavoXM/capi/Handle.h"
#include "KavoXM/sequencer/GameState.h"

namespace capi {

// The handle's game state, or null for a null handle. Callers hold the handle's lock.
inline TKavoXMGameState* GameOf(kavoxm_module* m) {
    return m == nullptr ? nullptr : m->Player->Module->Game.get();
}

} // namespace capi
