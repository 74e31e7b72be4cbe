#include "KavoXM/sequencer/EnvelopeHandler.h"

#include <algorithm>
#include <cstddef>

using std::size_t;

namespace {

// Points actually held by the envelope: the count read from a file may exceed the slots.
int32_t PointCount(const TKavoXMEnvelope& env) {
    if (env.NumPoints < 0) return 0;
    return env.NumPoints < TKavoXMEnvelope::MaxPoints ? env.NumPoints : TKavoXMEnvelope::MaxPoints;
}

// Whether arriving at `point` jumps back to the loop start.
bool LoopsAt(const TKavoXMEnvelope& env, int32_t point) {
    return env.LoopEnabled && env.LoopEnd == point && env.LoopStart >= 0 &&
           env.LoopStart < TKavoXMEnvelope::MaxPoints;
}

// 16.16 value of an envelope point.
int32_t PointValue(const TKavoXMEnvelopePoint& point) {
    return int32_t(uint32_t(point.Value) * 65536u);
}

// Before its first point an envelope extends its first segment backwards. The value is worked
// out wide and held within the range of a point value (a byte), so that a first point far from
// 0 cannot make it wrap.
int32_t BeforeFirstPoint(const TKavoXMEnvelopePoint& first, int32_t position, int32_t delta) {
    constexpr int64_t Highest = int64_t(255) * 65536;
    const int64_t value =
        int64_t(first.Value) * 65536 + (int64_t(position) - first.Position) * int64_t(delta);
    return int32_t(std::clamp<int64_t>(value, 0, Highest));
}

} // namespace

void TKavoXMEnvelopeHandler::SetupSegment(int32_t point) {
    const auto& points = Envelope->Points;
    if (point + 1 >= PointCount(*Envelope)) return;
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
        const int32_t count = PointCount(env);
        for (int32_t i = 0; i < count && env.Points[size_t(i)].Position <= position; ++i)
            CurrentPoint = i;
        if (LoopsAt(env, CurrentPoint)) {
            CurrentPoint = env.LoopStart;
            Position = env.Points[size_t(CurrentPoint)].Position;
        }
        const auto& current = env.Points[size_t(CurrentPoint)];
        if (CurrentPoint < count - 1) {
            SetupSegment(CurrentPoint);
            const int32_t dx = env.Points[size_t(CurrentPoint + 1)].Position - current.Position;
            const int32_t delta = dx == 0 ? 0 : Delta;
            if (Position < current.Position)
                Value = BeforeFirstPoint(current, Position, delta);
            else
                Value = int32_t(uint32_t(current.Value) * 65536u +
                                uint32_t(Position - current.Position) * uint32_t(delta));
        } else if (count > 0) {
            Value = PointValue(env.Points[size_t(count - 1)]);
        }
    }
    NextPoint = CurrentPoint + 1;
}

int32_t TKavoXMEnvelopeHandler::Process() {
    if (Envelope == nullptr || !Envelope->Enabled) return 0;
    const TKavoXMEnvelope& env = *Envelope;
    const int32_t count = PointCount(env);
    if (count == 0) return 0;

    // Arrival at the awaited point: take its exact value, looping back first if it ends the loop.
    if (NextPoint < count && env.Points[size_t(NextPoint)].Position == Position) {
        CurrentPoint = NextPoint;
        if (LoopsAt(env, CurrentPoint)) {
            CurrentPoint = env.LoopStart;
            Position = env.Points[size_t(CurrentPoint)].Position;
        }
        if (CurrentPoint + 1 < count) {
            SetupSegment(CurrentPoint);
            Value = PointValue(env.Points[size_t(CurrentPoint)]);
        } else {
            Delta = 0;
            Value = PointValue(env.Points[size_t(count - 1)]);
        }
        NextPoint = CurrentPoint + 1;
    }

    const int32_t result = Value / 65536;

    // A next point lying before the current one (an unfilled slot counted by the file) can
    // never be reached: the envelope ends at the current point instead of running away.
    if (NextPoint < count &&
        env.Points[size_t(NextPoint)].Position >= env.Points[size_t(CurrentPoint)].Position) {
        const bool sustained = env.Points[size_t(CurrentPoint)].Position == Position &&
                               env.SustainEnabled && env.SustainPoint == CurrentPoint && KeyOn;
        if (!sustained) {
            Position = int32_t(uint32_t(Position) + 1u);
            const auto& current = env.Points[size_t(CurrentPoint)];
            if (Position <= current.Position)
                Value = BeforeFirstPoint(current, Position, Delta);
            else
                Value = int32_t(uint32_t(Value) + uint32_t(Delta));
        }
    }
    return result;
}

void TKavoXMEnvelopeHandler::Assign(const TKavoXMEnvelopeHandler& source) {
    *this = source;
}
