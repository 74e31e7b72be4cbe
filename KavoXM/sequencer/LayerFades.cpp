#include "KavoXM/sequencer/LayerFades.h"

#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/GameState.h"

#include <algorithm>

namespace {

int32_t& VolumeOf(TKavoXMModule& m, int32_t layer) {
    return layer == TKavoXMLayerFades::Master ? m.MasterVolume
                                              : m.PatternChannels[size_t(layer)]->HostVolume;
}

// A channel's volume holds for the voices it handed to the background too.
void SetVolume(TKavoXMModule& m, int32_t layer, int32_t volume) {
    VolumeOf(m, layer) = volume;
    if (layer == TKavoXMLayerFades::Master) return;
    for (int32_t i = 0; i < m.BackgroundInUse; ++i)
        if (m.BackgroundChannels[size_t(i)]->Index == layer)
            m.BackgroundChannels[size_t(i)]->HostVolume = volume;
}

} // namespace

void TKavoXMLayerFades::Start(int32_t layer, int32_t target, int64_t frames) {
    Ramp& r = Ramps[SlotOf(layer)];
    if (!r.Running) ++RunningCount;
    r = Ramp{true, false, 0, std::clamp(target, 0, 256), std::max<int64_t>(frames, 0), 0};
}

void TKavoXMLayerFades::Cancel(int32_t layer) {
    Ramp& r = Ramps[SlotOf(layer)];
    if (r.Running) --RunningCount;
    r.Running = false;
}

void TKavoXMLayerFades::CancelAll() {
    for (Ramp& r : Ramps) r.Running = false;
    RunningCount = 0;
}

bool TKavoXMLayerFades::Running(int32_t layer) const {
    return Ramps[SlotOf(layer)].Running;
}

void TKavoXMLayerFades::Tick(TKavoXMModule& m, TKavoXMGameState& game) {
    if (RunningCount == 0) return;
    for (int32_t slot = 0; slot < Layers; ++slot) {
        Ramp& r = Ramps[size_t(slot)];
        if (!r.Running) continue;
        const int32_t layer = slot == TKavoXMModule::BankSize ? Master : slot;
        if (!r.Begun) {
            r.Begun = true;
            r.From = VolumeOf(m, layer);
        }
        // The step of this tick lands where the line stands at the tick's end.
        r.Elapsed += std::max(m.TickLength, 1);
        if (r.Elapsed >= r.Length) {
            SetVolume(m, layer, r.To);
            r.Running = false;
            --RunningCount;
            game.Emit(TKavoXMEventType::FadeEnd, layer, r.To, 0);
            continue;
        }
        SetVolume(m, layer, r.From + int32_t(int64_t(r.To - r.From) * r.Elapsed / r.Length));
    }
}
