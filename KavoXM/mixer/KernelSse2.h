#pragma once
// SSE2 batches of the spline kernels: four frames of a mono sample or two of a stereo sample
// per step, with the arithmetic of the plain loop. Taps and table rows are of 16-bit range, so
// packing them to 16 bits is exact, and pmaddwd forms the same 32-bit sums as the plain loop.
#include "KavoXM/mixer/KernelLoop.h"
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kavoxm::mixer::sse2 {
#if defined(__SSE2__)

// Four 32-bit products modulo 2^32: the low halves of the unsigned 64-bit products.
KAVOXM_INLINE __m128i MulLo(__m128i a, __m128i b) {
    const __m128i even = _mm_mul_epu32(a, b);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
    return _mm_or_si128(_mm_and_si128(even, _mm_set1_epi64x(0xFFFFFFFF)), _mm_slli_epi64(odd, 32));
}

KAVOXM_INLINE void AddTo(int32_t* out, __m128i values) {
    __m128i* at = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(at, _mm_add_epi32(_mm_loadu_si128(at), values));
}

// Division by 2^bits truncating toward zero: negative values are biased by 2^bits - 1.
template <int Bits> KAVOXM_INLINE __m128i DivPow2(__m128i v) {
    const __m128i bias = _mm_srli_epi32(_mm_srai_epi32(v, 31), 32 - Bits);
    return _mm_srai_epi32(_mm_add_epi32(v, bias), Bits);
}

KAVOXM_INLINE __m128i Load(const int32_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// Frames k-1 .. k+2 of a mono sample and the table row of a position.
KAVOXM_INLINE const int32_t* MonoTaps(const int32_t* data, uint64_t p) {
    return data + ptrdiff_t(int64_t(p) >> 32) - 1;
}
KAVOXM_INLINE const int32_t* Row(const int32_t* table, uint64_t p) {
    return table + (uint32_t(p) >> 22) * 4;
}

// Pair sums of two positions of a mono sample: (w0 s-1 + w1 s0, w2 s1 + w3 s2) for each.
KAVOXM_INLINE __m128i MonoPair(const int32_t* data, uint64_t p0, uint64_t p1,
                               const int32_t* table) {
    return _mm_madd_epi16(_mm_packs_epi32(Load(MonoTaps(data, p0)), Load(MonoTaps(data, p1))),
                          _mm_packs_epi32(Load(Row(table, p0)), Load(Row(table, p1))));
}

// Adds the pair sums of a and b: (a0 + a1, a2 + a3, b0 + b1, b2 + b3).
KAVOXM_INLINE __m128i SumPairs(__m128i a, __m128i b) {
    const __m128 fa = _mm_castsi128_ps(a), fb = _mm_castsi128_ps(b);
    return _mm_add_epi32(_mm_castps_si128(_mm_shuffle_ps(fa, fb, _MM_SHUFFLE(2, 0, 2, 0))),
                         _mm_castps_si128(_mm_shuffle_ps(fa, fb, _MM_SHUFFLE(3, 1, 3, 1))));
}

// Interpolated values of four frames of a mono sample.
KAVOXM_INLINE __m128i MonoValues4(const int32_t* data, const uint64_t (&p)[4],
                                  const int32_t* table) {
    const __m128i a = MonoPair(data, p[0], p[1], table);
    const __m128i b = MonoPair(data, p[2], p[3], table);
    return DivPow2<14>(SumPairs(a, b));
}

// Weighted halves of one position of a stereo sample: (w0 l-1 + w1 l0, w0 r-1 + w1 r0,
// w2 l1 + w3 l2, w2 r1 + w3 r2). The taps are regrouped as (l-1 l0 r-1 r0 l1 l2 r1 r2) and
// the row as (w0 w1 w0 w1 w2 w3 w2 w3).
KAVOXM_INLINE __m128i StereoHalves(const int32_t* data, uint64_t p, const int32_t* table) {
    const int32_t* taps = data + 2 * (ptrdiff_t(int64_t(p) >> 32) - 1);
    const __m128i near = _mm_shuffle_epi32(Load(taps), _MM_SHUFFLE(3, 1, 2, 0));
    const __m128i far = _mm_shuffle_epi32(Load(taps + 4), _MM_SHUFFLE(3, 1, 2, 0));
    const __m128i row = Load(Row(table, p));
    const __m128i weights = _mm_shuffle_epi32(_mm_packs_epi32(row, row), _MM_SHUFFLE(3, 1, 2, 0));
    return _mm_madd_epi16(_mm_packs_epi32(near, far), weights);
}

// Interpolated left and right values of two frames of a stereo sample: (l0 r0 l1 r1).
KAVOXM_INLINE __m128i StereoValues2(const int32_t* data, const uint64_t (&p)[2],
                                    const int32_t* table) {
    const __m128 a = _mm_castsi128_ps(StereoHalves(data, p[0], table));
    const __m128 b = _mm_castsi128_ps(StereoHalves(data, p[1], table));
    return DivPow2<14>(
        _mm_add_epi32(_mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(1, 0, 1, 0))),
                      _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 2, 3, 2)))));
}

// The gains of the next frames of a running ramp, one lane per frame: the running gain plus
// the lane's multiple of the step (multiples in `steps`), divided by 4096 toward zero.
KAVOXM_INLINE __m128i RampGains(uint32_t running, __m128i steps) {
    return DivPow2<12>(_mm_add_epi32(_mm_set1_epi32(int32_t(running)), steps));
}

// Step multiples 1 .. 4 of a ramp, and 1, 1, 2, 2 for the two sides of two frames.
KAVOXM_INLINE __m128i Steps4(uint32_t step) {
    return _mm_set_epi32(int32_t(4 * step), int32_t(3 * step), int32_t(2 * step), int32_t(step));
}

// Gains of four mono frames (left, right) or, for StereoGains, of two stereo frames in the
// order (left0 right0 left1 right1); both move the running gains on by the frames covered.
struct GainSteps {
    __m128i left4, right4, pair2; // step multiples 1..4 and (1 1 2 2) of the left and right
};

template <bool Ramp, bool Split> KAVOXM_INLINE GainSteps MakeSteps(const Gains<Ramp, Split>& g) {
    GainSteps s{};
    if constexpr (Ramp && Split) {
        s.left4 = Steps4(g.stepLeft);
        s.right4 = Steps4(g.stepRight);
        s.pair2 = _mm_set_epi32(int32_t(2 * g.stepRight), int32_t(2 * g.stepLeft),
                                int32_t(g.stepRight), int32_t(g.stepLeft));
    } else if constexpr (Ramp) {
        s.left4 = s.right4 = Steps4(g.step);
        s.pair2 = _mm_set_epi32(int32_t(2 * g.step), int32_t(2 * g.step), int32_t(g.step),
                                int32_t(g.step));
    }
    return s;
}

template <bool Split>
KAVOXM_INLINE void MonoGains(Gains<false, Split>& g, const GainSteps&, __m128i& left,
                             __m128i& right) {
    left = _mm_set1_epi32(g.Left());
    right = _mm_set1_epi32(g.Right());
}
KAVOXM_INLINE void MonoGains(Gains<true, false>& g, const GainSteps& s, __m128i& left,
                             __m128i& right) {
    left = right = RampGains(g.running, s.left4);
    g.running += 4 * g.step;
}
KAVOXM_INLINE void MonoGains(Gains<true, true>& g, const GainSteps& s, __m128i& left,
                             __m128i& right) {
    left = RampGains(g.left, s.left4);
    right = RampGains(g.right, s.right4);
    g.left += 4 * g.stepLeft;
    g.right += 4 * g.stepRight;
}

template <bool Split> KAVOXM_INLINE __m128i StereoGains(Gains<false, Split>& g, const GainSteps&) {
    return _mm_set_epi32(g.Right(), g.Left(), g.Right(), g.Left());
}
KAVOXM_INLINE __m128i StereoGains(Gains<true, false>& g, const GainSteps& s) {
    const __m128i gains = RampGains(g.running, s.pair2);
    g.running += 2 * g.step;
    return gains;
}
KAVOXM_INLINE __m128i StereoGains(Gains<true, true>& g, const GainSteps& s) {
    const __m128i run = _mm_add_epi32(
        _mm_set_epi32(int32_t(g.right), int32_t(g.left), int32_t(g.right), int32_t(g.left)),
        s.pair2);
    g.left += 2 * g.stepLeft;
    g.right += 2 * g.stepRight;
    return DivPow2<12>(run);
}

// Mixes as many whole batches as fit in n frames; returns the frames mixed. Inlined also into
// the AVX2 kernels, which finish their runs with it.
template <class Interp, int SampleWidth, bool Ramp, bool Split, int OutWidth, bool Wrap>
KAVOXM_INLINE int32_t MixBatches(LoopState<Wrap>& s, Gains<Ramp, Split>& gains, int32_t n,
                                 const int32_t* table) {
    if constexpr (!Interp::Batched || (SampleWidth == 2 && OutWidth == 1)) {
        return 0;
    } else {
        const GainSteps steps = MakeSteps(gains);
        int32_t i = 0;
        if constexpr (SampleWidth == 1) {
            for (; i + 4 <= n; i += 4) {
                uint64_t p[4];
                s.Next(p);
                const __m128i values = MonoValues4(s.data, p, table);
                __m128i gainLeft, gainRight;
                MonoGains(gains, steps, gainLeft, gainRight);
                const __m128i left = MulLo(values, gainLeft);
                if constexpr (OutWidth == 2) {
                    const __m128i right = Split ? MulLo(values, gainRight) : left;
                    AddTo(s.out, _mm_unpacklo_epi32(left, right));
                    AddTo(s.out + 4, _mm_unpackhi_epi32(left, right));
                } else {
                    AddTo(s.out, left);
                }
                s.out += 4 * OutWidth;
            }
        } else {
            for (; i + 2 <= n; i += 2) {
                uint64_t p[2];
                s.Next(p);
                const __m128i values = StereoValues2(s.data, p, table);
                AddTo(s.out, MulLo(values, StereoGains(gains, steps)));
                s.out += 4;
            }
        }
        return i;
    }
}

#endif

template <class Interp, int SampleWidth, bool Ramp, bool Split, int OutWidth, bool Wrap>
void MixRun(int32_t*& mix, int32_t n, TKavoXMChannel& voice, const int32_t* table) {
    LoopState<Wrap> s(voice, mix);
    Gains<Ramp, Split> gains(voice);
    int32_t done = 0;
#if defined(__SSE2__)
    done = MixBatches<Interp, SampleWidth, Ramp, Split, OutWidth>(s, gains, n, table);
#endif
    MixFrames<Interp, SampleWidth, Ramp, Split, OutWidth>(s, gains, n - done, table);
    Finish<Interp, SampleWidth, OutWidth>(s, gains, table, voice, mix);
}

// The SSE2 kernel: batches, then the remaining frames one at a time.
template <class Interp, int SampleWidth, bool Ramp, bool Split, int OutWidth>
void MixLoop(int32_t*& mix, int32_t n, TKavoXMChannel& voice, const int32_t* table) {
    MixPrepared<MixRun<Interp, SampleWidth, Ramp, Split, OutWidth, false>,
                MixRun<Interp, SampleWidth, Ramp, Split, OutWidth, true>>(mix, n, voice, table);
}

} // namespace kavoxm::mixer::sse2
