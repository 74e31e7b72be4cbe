#pragma once
// AVX2 batches of the spline kernels: eight frames of a mono sample or four of a stereo sample
// per step, with the arithmetic of the plain loop (see KernelSse2.h for the packing). Compiled
// for AVX2 and BMI2 by function attributes only; Kernels.cpp offers these kernels when the CPU
// has both.
#include "KavoXM/mixer/KernelSse2.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__) && !defined(_WIN64)
#define KAVOXM_HAVE_AVX2_KERNELS 1
#include <immintrin.h>
#define KAVOXM_AVX2 __attribute__((target("avx2,bmi2")))

namespace kavoxm::mixer::avx2 {

KAVOXM_AVX2 KAVOXM_INLINE __m256i Load2(const int32_t* low, const int32_t* high) {
    return _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

KAVOXM_AVX2 KAVOXM_INLINE void AddTo(int32_t* out, __m256i values) {
    __m256i* at = reinterpret_cast<__m256i*>(out);
    _mm256_storeu_si256(at, _mm256_add_epi32(_mm256_loadu_si256(at), values));
}

template <int Bits> KAVOXM_AVX2 KAVOXM_INLINE __m256i DivPow2(__m256i v) {
    const __m256i bias = _mm256_srli_epi32(_mm256_srai_epi32(v, 31), 32 - Bits);
    return _mm256_srai_epi32(_mm256_add_epi32(v, bias), Bits);
}

// Shift counts held in registers: with BMI2 a 64-bit shift by a register count is one
// instruction that leaves its source alone, where a shift by a constant needs a copy first.
// A 32-bit build keeps constants, which spare it a shift of a register pair.
struct Shifts {
#if defined(__x86_64__)
    uint32_t whole = 32, row = 18;
    Shifts() {
        asm("" : "+r"(whole), "+r"(row));
    } // hides the values from the optimiser
#else
    static constexpr uint32_t whole = 32, row = 18;
#endif
};

// Frames k-1 .. k+2 of a mono sample, and the table row of a position (16 bytes a row, at the
// top 10 fraction bits).
KAVOXM_AVX2 KAVOXM_INLINE const int32_t* TapsAt(const int32_t* data, uint64_t p, const Shifts& s) {
    return data + (int64_t(p) >> s.whole) - 1;
}
KAVOXM_AVX2 KAVOXM_INLINE const int32_t* RowAt(const int32_t* table, uint64_t p, const Shifts& s) {
    return reinterpret_cast<const int32_t*>(reinterpret_cast<const char*>(table) +
                                            ((p >> s.row) & 0x3FF0));
}

// Pair sums of four positions of a mono sample; lane half 0 holds those of a and b, half 1
// those of c and d.
KAVOXM_AVX2 KAVOXM_INLINE __m256i MonoQuad(const int32_t* data, const int32_t* table,
                                           const Shifts& s, uint64_t a, uint64_t b, uint64_t c,
                                           uint64_t d) {
    const __m256i taps = _mm256_packs_epi32(Load2(TapsAt(data, a, s), TapsAt(data, c, s)),
                                            Load2(TapsAt(data, b, s), TapsAt(data, d, s)));
    const __m256i rows = _mm256_packs_epi32(Load2(RowAt(table, a, s), RowAt(table, c, s)),
                                            Load2(RowAt(table, b, s), RowAt(table, d, s)));
    return _mm256_madd_epi16(taps, rows);
}

// Interpolated values of eight frames of a mono sample. Interleaved (for stereo output) they
// come in the order 0 1 4 5 | 2 3 6 7, so that unpacking with the right side gives frames
// 0..3 and 4..7; otherwise in order.
template <bool Interleaved>
KAVOXM_AVX2 KAVOXM_INLINE __m256i MonoValues8(const int32_t* data, const uint64_t (&p)[8],
                                              const int32_t* table, const Shifts& s) {
    constexpr int32_t x = Interleaved ? 2 : 4, y = Interleaved ? 4 : 2;
    const __m256i first = MonoQuad(data, table, s, p[0], p[1], p[x], p[x + 1]);
    const __m256i second = MonoQuad(data, table, s, p[y], p[y + 1], p[6], p[7]);
    return DivPow2<14>(_mm256_hadd_epi32(first, second));
}

// Weighted halves of two positions of a stereo sample (as sse2::StereoHalves), a in lane half
// 0 and b in half 1.
KAVOXM_AVX2 KAVOXM_INLINE __m256i StereoHalves(const int32_t* data, const int32_t* table,
                                               const Shifts& s, uint64_t a, uint64_t b) {
    const int32_t* ta = data + 2 * ((int64_t(a) >> s.whole) - 1);
    const int32_t* tb = data + 2 * ((int64_t(b) >> s.whole) - 1);
    const __m256i near = _mm256_shuffle_epi32(Load2(ta, tb), _MM_SHUFFLE(3, 1, 2, 0));
    const __m256i far = _mm256_shuffle_epi32(Load2(ta + 4, tb + 4), _MM_SHUFFLE(3, 1, 2, 0));
    const __m256i rows = Load2(RowAt(table, a, s), RowAt(table, b, s));
    const __m256i weights =
        _mm256_shuffle_epi32(_mm256_packs_epi32(rows, rows), _MM_SHUFFLE(3, 1, 2, 0));
    return _mm256_madd_epi16(_mm256_packs_epi32(near, far), weights);
}

// Interpolated left and right values of four frames of a stereo sample, in output order.
KAVOXM_AVX2 KAVOXM_INLINE __m256i StereoValues4(const int32_t* data, const uint64_t (&p)[4],
                                                const int32_t* table, const Shifts& s) {
    const __m256 a = _mm256_castsi256_ps(StereoHalves(data, table, s, p[0], p[2]));
    const __m256 b = _mm256_castsi256_ps(StereoHalves(data, table, s, p[1], p[3]));
    return DivPow2<14>(
        _mm256_add_epi32(_mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(1, 0, 1, 0))),
                         _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 2, 3, 2)))));
}

// Step multiples per lane of a batch: frame j of the batch (counted from 1) is stepped j times.
// Mono frames interleaved: 1 2 5 6 | 3 4 7 8; in order: 1 .. 8. Stereo frames: the two sides
// of frames 1 .. 4, left then right.
template <bool Ramp, bool Split, int SampleWidth, bool Interleaved> struct RampSteps {
    __m256i left{}, right{};

    KAVOXM_AVX2 explicit RampSteps(const Gains<Ramp, Split>& g) {
        if constexpr (Ramp) {
            uint32_t sl = 0, sr = 0;
            if constexpr (Split) {
                sl = g.stepLeft;
                sr = g.stepRight;
            } else {
                sl = sr = g.step;
            }
            if constexpr (SampleWidth == 2) {
                left = right = _mm256_mullo_epi32(
                    _mm256_set_epi32(int32_t(sr), int32_t(sl), int32_t(sr), int32_t(sl),
                                     int32_t(sr), int32_t(sl), int32_t(sr), int32_t(sl)),
                    _mm256_setr_epi32(1, 1, 2, 2, 3, 3, 4, 4));
            } else {
                const __m256i times = Interleaved ? _mm256_setr_epi32(1, 2, 5, 6, 3, 4, 7, 8)
                                                  : _mm256_setr_epi32(1, 2, 3, 4, 5, 6, 7, 8);
                left = _mm256_mullo_epi32(_mm256_set1_epi32(int32_t(sl)), times);
                right = _mm256_mullo_epi32(_mm256_set1_epi32(int32_t(sr)), times);
            }
        }
    }
};

// Gains of the next batch of `frames` frames; ramps move on by that many steps.
template <bool Split, class Steps>
KAVOXM_AVX2 KAVOXM_INLINE void NextGains(Gains<false, Split>& g, const Steps&, int32_t,
                                         __m256i& left, __m256i& right) {
    left = _mm256_set1_epi32(g.Left());
    right = _mm256_set1_epi32(g.Right());
}
template <class Steps>
KAVOXM_AVX2 KAVOXM_INLINE void NextGains(Gains<true, false>& g, const Steps& s, int32_t frames,
                                         __m256i& left, __m256i& right) {
    left = right = DivPow2<12>(_mm256_add_epi32(_mm256_set1_epi32(int32_t(g.running)), s.left));
    g.running += uint32_t(frames) * g.step;
}
template <class Steps>
KAVOXM_AVX2 KAVOXM_INLINE void NextGains(Gains<true, true>& g, const Steps& s, int32_t frames,
                                         __m256i& left, __m256i& right) {
    left = DivPow2<12>(_mm256_add_epi32(_mm256_set1_epi32(int32_t(g.left)), s.left));
    right = DivPow2<12>(_mm256_add_epi32(_mm256_set1_epi32(int32_t(g.right)), s.right));
    g.left += uint32_t(frames) * g.stepLeft;
    g.right += uint32_t(frames) * g.stepRight;
}

// Gains of four stereo frames in output order (left0 right0 .. left3 right3).
template <bool Ramp, bool Split, class Steps>
KAVOXM_AVX2 KAVOXM_INLINE __m256i StereoGains(Gains<Ramp, Split>& g, const Steps& s) {
    if constexpr (Ramp && Split) {
        const __m256i run = _mm256_add_epi32(
            _mm256_set_epi32(int32_t(g.right), int32_t(g.left), int32_t(g.right), int32_t(g.left),
                             int32_t(g.right), int32_t(g.left), int32_t(g.right), int32_t(g.left)),
            s.left);
        g.left += 4 * g.stepLeft;
        g.right += 4 * g.stepRight;
        return DivPow2<12>(run);
    } else {
        __m256i left, right;
        NextGains(g, s, 4, left, right);
        return _mm256_blend_epi32(left, right, 0xAA);
    }
}

template <class Interp, int SampleWidth, bool Ramp, bool Split, int OutWidth, bool Wrap>
KAVOXM_AVX2 KAVOXM_INLINE int32_t MixBatches(LoopState<Wrap>& s, Gains<Ramp, Split>& gains,
                                             int32_t n, const int32_t* table) {
    if constexpr (!Interp::Batched || (SampleWidth == 2 && OutWidth == 1)) {
        return 0;
    } else {
        constexpr bool interleaved = OutWidth == 2;
        const RampSteps<Ramp, Split, SampleWidth, interleaved> steps(gains);
        int32_t i = 0;
        const Shifts shifts;
        if constexpr (SampleWidth == 1) {
            for (; i + 8 <= n; i += 8) {
                uint64_t p[8];
                s.Next(p);
                const __m256i values = MonoValues8<interleaved>(s.data, p, table, shifts);
                __m256i gainLeft, gainRight;
                NextGains(gains, steps, 8, gainLeft, gainRight);
                const __m256i left = _mm256_mullo_epi32(values, gainLeft);
                if constexpr (OutWidth == 2) {
                    const __m256i right = Split ? _mm256_mullo_epi32(values, gainRight) : left;
                    AddTo(s.out, _mm256_unpacklo_epi32(left, right));
                    AddTo(s.out + 8, _mm256_unpackhi_epi32(left, right));
                } else {
                    AddTo(s.out, left);
                }
                s.out += 8 * OutWidth;
            }
        } else {
            for (; i + 4 <= n; i += 4) {
                uint64_t p[4];
                s.Next(p);
                const __m256i values = StereoValues4(s.data, p, table, shifts);
                AddTo(s.out, _mm256_mullo_epi32(values, StereoGains(gains, steps)));
                s.out += 8;
            }
        }
        return i;
    }
}

template <class Interp, int SampleWidth, bool Ramp, bool Split, int OutWidth, bool Wrap>
KAVOXM_AVX2 void MixRun(int32_t*& mix, int32_t n, TKavoXMChannel& voice, const int32_t* table) {
    LoopState<Wrap> s(voice, mix);
    Gains<Ramp, Split> gains(voice);
    int32_t done = MixBatches<Interp, SampleWidth, Ramp, Split, OutWidth>(s, gains, n, table);
    done += sse2::MixBatches<Interp, SampleWidth, Ramp, Split, OutWidth>(s, gains, n - done, table);
    MixFrames<Interp, SampleWidth, Ramp, Split, OutWidth>(s, gains, n - done, table);
    Finish<Interp, SampleWidth, OutWidth>(s, gains, table, voice, mix);
}

// The AVX2 kernel: batches of eight (four stereo) frames, then one SSE2 batch, then the
// remaining frames one at a time.
template <class Interp, int SampleWidth, bool Ramp, bool Split, int OutWidth>
KAVOXM_AVX2 void MixLoop(int32_t*& mix, int32_t n, TKavoXMChannel& voice, const int32_t* table) {
    MixPrepared<MixRun<Interp, SampleWidth, Ramp, Split, OutWidth, false>,
                MixRun<Interp, SampleWidth, Ramp, Split, OutWidth, true>>(mix, n, voice, table);
}

} // namespace kavoxm::mixer::avx2

#undef KAVOXM_AVX2
#endif
