#pragma once
// A one-channel harness for effect handlers: it plays a row tick by tick the way the sequencer
// does (row tick, then effect ticks, both volume-column parts) and records what the mixer would
// be given. Values are taken before the per-tick clamping of the output stage.
#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/EffectCommands.h"

#include <cstdint>
#include <ostream>
#include <vector>

struct TickState {
    int32_t Period = 0; // Period + PeriodDelta
    int32_t Volume = 0; // TickVolume(): Volume + VolumeDelta, 0 while tremor silences
    int32_t Panning = 0;
    int64_t Position = 0; // whole sample frames

    bool operator==(const TickState&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const TickState& s) {
    return os << "{period " << s.Period << ", volume " << s.Volume << ", panning " << s.Panning
              << ", frame " << s.Position << "}";
}

class EffectTrace {
  public:
    TKavoXMModule Module{nullptr};
    TKavoXMChannel& Channel = *Module.PatternChannels[0];

    // Plays `note` for `ticks` ticks; `row` and `tick` are its two handler parts (may be null).
    std::vector<TickState> Play(const TKavoXMPatternNote& note, TKavoXMEffectHandler row,
                                TKavoXMEffectHandler tick, int32_t ticks) {
        std::vector<TickState> trace;
        for (int32_t t = 0; t < ticks; ++t) {
            Module.TickCounter = t;
            Channel.CurrentTick = t;
            Channel.PeriodDelta = 0;
            Channel.VolumeDelta = 0;
            if (t == 0) {
                Channel.RowVolumeColumn(note, 0);
                if (row != nullptr) row(Channel, note);
            } else {
                Channel.TickVolumeColumn(note, 0);
                if (tick != nullptr) tick(Channel, note);
            }
            trace.push_back(State());
        }
        return trace;
    }

    TickState State() const {
        return {Channel.Period + Channel.PeriodDelta, Channel.TickVolume(), Channel.Panning,
                Channel.SamplePosition >> 32};
    }
};

inline TKavoXMPatternNote Cell(int32_t effect, int32_t parameter, int32_t volume = 0,
                               int32_t note = 0) {
    TKavoXMPatternNote cell;
    cell.Note = note;
    cell.Volume = volume;
    cell.Effect = effect;
    cell.EffectParameter = parameter;
    return cell;
}
