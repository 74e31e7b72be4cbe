#include "KavoXM/sequencer/EnvelopeHandler.h"

#include <cstddef>

using std::size_t;

void TKavoXMEnvelopeHandler::SetupSegment(int32_t point) {
    const auto& points = Envelope->Points;
    if (point + 1 >= Envelope->NumPoints) return;
    const int32_t dx = points[size_t(point + 1)].Position - points[size_t(point)].Position;
    if (dx == 0) {
        Delta = 0;
        return;
    }
    const int64_t dy = int64_t(points[size_t(point + 1)].Value) - points[size_t(point)].Value;
    Delta = int32_t((dy * 65536) / dx);
}

void TKavoXMEnvelopeHandler::SetPosition(int32_t position) {
    Position = position;
    CurrentPoint = 0;
    Value = 0;
    if (Envelope != nullptr) {
        const TKavoXMEnvelope& env = *Envelope;
        const int32_t count = env.NumPoints < TKavoXMEnvelope::MaxPoints
                                  ? env.NumPoints
                                  : TKavoXMEnvelope::MaxPoints;
        for (int32_t i = 0; i < count && env.Points[size_t(i)].Position <= position; ++i)
            CurrentPoint = i;
        if (env.LoopEnabled && env.LoopEnd == CurrentPoint && env.LoopStart >= 0 &&
            env.LoopStart < TKavoXMEnvelope::MaxPoints) {
            CurrentPoint = env.LoopStart;
            Position = env.Points[size_t(CurrentPoint)].Position;
        }
        const auto& current = env.Points[size_t(CurrentPoint)];
        if (CurrentPoint < count - 1) {
            SetupSegment(CurrentPoint);
            const int32_t dx = env.Points[size_t(CurrentPoint + 1)].Position - current.Position;
            const int32_t delta = dx == 0 ? 0 : Delta;
            Value = int32_t(uint32_t(current.Value) * 65536u +
                            uint32_t(Position - current.Position) * uint32_t(delta));
        } else if (count > 0) {
            Value = env.Points[size_t(count - 1)].Value * 65536;
        }
    }
    NextPoint = CurrentPoint + 1;
}

void TKavoXMEnvelopeHandler::Assign(const TKavoXMEnvelopeHandler& source) { *this = source; }
