#include "KavoXM/player/TickLength.h"

int32_t TickFrames(int32_t rate, int32_t tempo, uint32_t tempoFactor) {
    if (tempo <= 0 || tempoFactor == 0) return 0;
    // At 1.0 the factor cancels exactly: (a x 65536) / (b x 65536) truncates as a / b.
    const uint64_t frames = (uint64_t(uint32_t(rate)) * 640u * UnitFactor) /
                            (uint64_t(uint32_t(tempo)) * 256u * tempoFactor);
    return int32_t(frames);
}

int64_t ScaleStep(int64_t step, uint32_t pitchFactor) {
    if (pitchFactor == UnitFactor || step <= 0) return step;
    // Steps stay below 2^44 (a frequency under 2^20 Hz at 8,000 Hz), factors at 2^18.
    return int64_t((uint64_t(step) * pitchFactor) >> 16);
}
