#pragma once
// Volume ramps a host starts on song channels (their host volume, 0..256) and on the master
// volume: each tick moves the volume along a straight line toward the target over the time
// given, and the mixer's per-tick gain ramp smooths each step. A ramp that arrives reports it.
#include "KavoXM/module/Module.h"

#include <array>
#include <cstdint>

class TKavoXMGameState;

class TKavoXMLayerFades {
  public:
    static constexpr int32_t Master = -1; // the layer of the master volume

    // Starts a ramp of `layer` (a channel 0..255, or Master) from its volume now to `target`
    // (0..256) over `frames` output frames (0: at the next tick). Replaces a ramp running on it.
    void Start(int32_t layer, int32_t target, int64_t frames);
    void Cancel(int32_t layer);
    void CancelAll();
    bool Running(int32_t layer) const;
    // One tick: every running ramp moves to where it stands `TickLength` frames further on.
    void Tick(TKavoXMModule& m, TKavoXMGameState& game);

  private:
    struct Ramp {
        bool Running = false;
        bool Begun = false; // its first tick has taken the start value
        int32_t From = 0;
        int32_t To = 0;
        int64_t Length = 0;
        int64_t Elapsed = 0;
    };
    static constexpr int32_t Layers = TKavoXMModule::BankSize + 1; // channels, then master

    static size_t SlotOf(int32_t layer) {
        return layer == Master ? size_t(TKavoXMModule::BankSize) : size_t(layer);
    }
    std::array<Ramp, Layers> Ramps{};
    int32_t RunningCount = 0;
};
