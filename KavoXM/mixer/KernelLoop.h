#pragma once
// The one mixing loop behind every kernel, specialised by small policy types: how a value is
// interpolated, how wide a sample frame is, how the gains run and how wide an output frame is.
// Mixer-internal; the rest of the engine reaches the kernels through the kernel tables.
#include "KavoXM/mixer/Kernels.h"
#include "KavoXM/module/Sample.h"
#include "KavoXM/sequencer/Channel.h"
#include <cstddef>
#include <cstdint>

// The kernels' helpers are inlined into each kernel whatever the compiler's estimate: a call
// from an AVX2 kernel into SSE2 code costs more than the helper itself.
#define KAVOXM_INLINE inline __attribute__((always_inline))

namespace kavoxm::mixer {

// Interpolation policies: value of one sample channel at fraction frac after the value at s
// (values of one channel are `stride` apart).

// Nearest frame: the frame the position is in.
struct Nearest {
    static constexpr bool Batched = false;
    static KAVOXM_INLINE int32_t Value(const int32_t* s, ptrdiff_t /*stride*/, uint32_t /*frac*/,
                                       const int32_t* /*table*/) {
        return s[0];
    }
};

// Linear: s(k) + ((s(k+1) - s(k)) x (frac >> 17)) >> 15, the product in 64 bits and the shift
// arithmetic (it rounds toward minus infinity). The result lies between s(k) and s(k+1).
struct Linear {
    static constexpr bool Batched = false;
    static KAVOXM_INLINE int32_t Value(const int32_t* s, ptrdiff_t stride, uint32_t frac,
                                       const int32_t* /*table*/) {
        const int64_t diff = int64_t(s[stride]) - s[0];
        return int32_t(s[0] + ((diff * int64_t(frac >> 17)) >> 15));
    }
};

// Four-point cubic spline: the table row of the top 10 fraction bits weighs frames k-1 .. k+2;
// the weighted sum is taken modulo 2^32 (the sum of 16-bit range values always fits in 32 bits)
// and divided by 16384, truncating toward zero.
struct Spline {
    static KAVOXM_INLINE int32_t Value(const int32_t* s, ptrdiff_t stride, uint32_t frac,
                                       const int32_t* table) {
        const int32_t* w = table + (frac >> 22) * 4;
        const uint32_t acc =
            uint32_t(w[0]) * uint32_t(s[-stride]) + uint32_t(w[1]) * uint32_t(s[0]) +
            uint32_t(w[2]) * uint32_t(s[stride]) + uint32_t(w[3]) * uint32_t(s[2 * stride]);
        return int32_t(acc) / 16384;
    }

    static constexpr bool Batched = true; // the SIMD paths have batches for this one
};

// Gain policies. Steady gains are the tick's target volumes (4096 = full scale); ramping gains
// run in gain x 4096, are stepped before each frame and divided by 4096 toward zero.
template <bool Ramp, bool Split> struct Gains;

template <> struct Gains<false, false> {
    int32_t left;
    explicit Gains(const TKavoXMChannel& v) : left(v.TargetVolumeLeft) {}
    void Advance() {}
    int32_t Left() const { return left; }
    int32_t Right() const { return left; }
    void Store(TKavoXMChannel& /*v*/) const {}
};

template <> struct Gains<false, true> {
    int32_t left, right;
    explicit Gains(const TKavoXMChannel& v)
        : left(v.TargetVolumeLeft), right(v.TargetVolumeRight) {}
    void Advance() {}
    int32_t Left() const { return left; }
    int32_t Right() const { return right; }
    void Store(TKavoXMChannel& /*v*/) const {}
};

template <> struct Gains<true, false> {
    uint32_t running, step; // unsigned: a ramp that is never ended wraps instead of overflowing
    explicit Gains(const TKavoXMChannel& v)
        : running(uint32_t(v.RampVolumeLeft)), step(uint32_t(v.RampStepLeft)) {}
    void Advance() { running += step; }
    int32_t Left() const { return int32_t(running) / 4096; }
    int32_t Right() const { return Left(); }
    void Store(TKavoXMChannel& v) const { v.RampVolumeLeft = v.RampVolumeRight = int32_t(running); }
};

template <> struct Gains<true, true> {
    uint32_t left, right, stepLeft, stepRight;
    explicit Gains(const TKavoXMChannel& v)
        : left(uint32_t(v.RampVolumeLeft)), right(uint32_t(v.RampVolumeRight)),
          stepLeft(uint32_t(v.RampStepLeft)), stepRight(uint32_t(v.RampStepRight)) {}
    void Advance() {
        left += stepLeft;
        right += stepRight;
    }
    int32_t Left() const { return int32_t(left) / 4096; }
    int32_t Right() const { return int32_t(right) / 4096; }
    void Store(TKavoXMChannel& v) const {
        v.RampVolumeLeft = int32_t(left);
        v.RampVolumeRight = int32_t(right);
    }
};

// Adds value x gain to an output value, modulo 2^32.
KAVOXM_INLINE void AddProduct(int32_t& out, int32_t value, int32_t gain) {
    out = int32_t(uint32_t(out) + uint32_t(value) * uint32_t(gain));
}

// Where a loop stands: the next sample position, the step and the next output value. A run
// through a forward loop (Wrap) settles positions lazily: a frame whose position is at or past
// the wrap end plays one loop length earlier (the run guarantees at most one wrap per eight
// steps), and the position left after the run's last frame stays unsettled, as between runs.
template <bool Wrap> struct LoopState {
    const int32_t* data;
    uint64_t pos; // unsigned: one wrapping 64-bit addition per frame
    uint64_t step;
    int32_t* out;
    int64_t wrapEnd;
    uint64_t wrapLength;

    LoopState(const TKavoXMChannel& voice, int32_t* mix)
        : data(voice.Sample->Data), pos(uint64_t(voice.SamplePosition)), step(uint64_t(voice.Step)),
          out(mix), wrapEnd(voice.WrapEnd), wrapLength(uint64_t(voice.WrapLength)) {}

    // The position a frame at p plays from.
    KAVOXM_INLINE uint64_t Settled(uint64_t p) const {
        if constexpr (Wrap) return int64_t(p) >= wrapEnd ? p - wrapLength : p;
        return p;
    }
    KAVOXM_INLINE void Settle() { pos = Settled(pos); }

    // Settles the position and gives the positions of the next N frames.
    template <int N> KAVOXM_INLINE void Next(uint64_t (&p)[N]) {
        Settle();
        for (int32_t i = 0; i < N; ++i) p[i] = pos + uint64_t(i) * step;
        if constexpr (Wrap) {
            if (int64_t(p[N - 1]) >= wrapEnd) // the batch wraps: rare, so tested once per batch
                for (int32_t i = 0; i < N; ++i) p[i] = Settled(p[i]);
        }
        pos = p[N - 1] + step; // after the last frame's settled position, as frame by frame
    }
};

// The interpolated left and right values at a position (the same value twice for a mono
// sample).
template <class Interp, int SampleWidth>
KAVOXM_INLINE void ValuesAt(const int32_t* data, uint64_t pos, const int32_t* table, int32_t& left,
                            int32_t& right) {
    const int32_t k = int32_t(int64_t(pos) >> 32);
    const uint32_t frac = uint32_t(pos);
    const int32_t* frame = data + ptrdiff_t(k) * SampleWidth;
    left = Interp::Value(frame, SampleWidth, frac, table);
    right = left;
    if constexpr (SampleWidth == 2) right = Interp::Value(frame + 1, SampleWidth, frac, table);
}

// Adds the products of one output frame; returns what was added to the left and right values
// (0 for the right with mono output).
template <int SampleWidth, int OutWidth, class G>
KAVOXM_INLINE void AddFrame(int32_t* out, int32_t left, int32_t right, const G& gains,
                            int32_t& addedLeft, int32_t& addedRight) {
    addedRight = 0;
    if constexpr (OutWidth == 2) {
        addedLeft = int32_t(uint32_t(left) * uint32_t(gains.Left()));
        addedRight = int32_t(uint32_t(right) * uint32_t(gains.Right()));
        out[1] = int32_t(uint32_t(out[1]) + uint32_t(addedRight));
    } else if constexpr (SampleWidth == 2) {
        addedLeft = int32_t(uint32_t((int64_t(left) + right) / 2) * uint32_t(gains.Left()));
    } else {
        addedLeft = int32_t(uint32_t(left) * uint32_t(gains.Left()));
    }
    out[0] = int32_t(uint32_t(out[0]) + uint32_t(addedLeft));
}

// Writes position, gains and mixing pointer back, and what the run's last frame added to the
// mix (recomputed here, so that the SIMD paths need not keep it): with the gains as they are
// now, which the last frame used.
template <class Interp, int SampleWidth, int OutWidth, class G, bool Wrap>
KAVOXM_INLINE void Finish(const LoopState<Wrap>& s, const G& gains, const int32_t* table,
                          TKavoXMChannel& voice, int32_t*& mix) {
    voice.SamplePosition = int64_t(s.pos);
    gains.Store(voice);
    mix = s.out;
    int32_t left, right, scratch[2] = {0, 0};
    ValuesAt<Interp, SampleWidth>(s.data, s.pos - s.step, table, left, right);
    AddFrame<SampleWidth, OutWidth>(scratch, left, right, gains, voice.LastOutputLeft,
                                    voice.LastOutputRight);
}

// Mixes n frames one at a time. SampleWidth: values per sample frame (1 mono, 2 stereo).
// OutWidth: values per output frame (2 stereo; 1 mono, which takes the left gain and, for a
// stereo sample, the mean of both sides truncated toward zero).
template <class Interp, int SampleWidth, bool Ramp, bool Split, int OutWidth, bool Wrap>
KAVOXM_INLINE void MixFrames(LoopState<Wrap>& s, Gains<Ramp, Split>& gains, int32_t n,
                             const int32_t* table) {
    for (int32_t i = 0; i < n; ++i) {
        int32_t left, right, addedLeft, addedRight;
        s.Settle();
        ValuesAt<Interp, SampleWidth>(s.data, s.pos, table, left, right);
        gains.Advance();
        AddFrame<SampleWidth, OutWidth>(s.out, left, right, gains, addedLeft, addedRight);
        s.out += OutWidth;
        s.pos += s.step;
    }
}

// A kernel: calls the run of the kind the voice mixer prepared, straight or wrapping.
template <TKavoXMKernel Straight, TKavoXMKernel Wrapping>
KAVOXM_INLINE void MixPrepared(int32_t*& mix, int32_t n, TKavoXMChannel& voice,
                               const int32_t* table) {
    if (n <= 0) return;
    if (voice.WrapLength > 0)
        Wrapping(mix, n, voice, table);
    else
        Straight(mix, n, voice, table);
}

template <class Interp, int SampleWidth, bool Ramp, bool Split, int OutWidth, bool Wrap>
void MixRunScalar(int32_t*& mix, int32_t n, TKavoXMChannel& voice, const int32_t* table) {
    LoopState<Wrap> s(voice, mix);
    Gains<Ramp, Split> gains(voice);
    MixFrames<Interp, SampleWidth, Ramp, Split, OutWidth>(s, gains, n, table);
    Finish<Interp, SampleWidth, OutWidth>(s, gains, table, voice, mix);
}

// The plain kernel: every frame on its own, in portable C++.
template <class Interp, int SampleWidth, bool Ramp, bool Split, int OutWidth>
void MixLoopScalar(int32_t*& mix, int32_t n, TKavoXMChannel& voice, const int32_t* table) {
    MixPrepared<MixRunScalar<Interp, SampleWidth, Ramp, Split, OutWidth, false>,
                MixRunScalar<Interp, SampleWidth, Ramp, Split, OutWidth, true>>(mix, n, voice,
                                                                                table);
}

} // namespace kavoxm::mixer
