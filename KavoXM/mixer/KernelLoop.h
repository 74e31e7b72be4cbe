#pragma once
// The one mixing loop behind every kernel, specialised by small policy types: how a value is
// interpolated, how wide a sample frame is, how the gains run and how wide an output frame is.
// Mixer-internal; the rest of the engine reaches the kernels through the kernel tables.
#include "KavoXM/mixer/Kernels.h"
#include "KavoXM/module/Sample.h"
#include "KavoXM/sequencer/Channel.h"
#include <cstddef>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kavoxm::mixer {

// Interpolation policies: value of one sample channel at fraction frac after the value at s
// (values of one channel are `stride` apart).

// Nearest frame: the frame the position is in.
struct Nearest {
    static constexpr bool Batched = false;
    static int32_t Value(const int32_t* s, ptrdiff_t /*stride*/, uint32_t /*frac*/,
                         const int32_t* /*table*/) {
        return s[0];
    }
};

// Linear: s(k) + ((s(k+1) - s(k)) x (frac >> 17)) >> 15, the product in 64 bits and the shift
// arithmetic (it rounds toward minus infinity). The result lies between s(k) and s(k+1).
struct Linear {
    static constexpr bool Batched = false;
    static int32_t Value(const int32_t* s, ptrdiff_t stride, uint32_t frac,
                         const int32_t* /*table*/) {
        const int64_t diff = int64_t(s[stride]) - s[0];
        return int32_t(s[0] + ((diff * int64_t(frac >> 17)) >> 15));
    }
};

// Four-point cubic spline: the table row of the top 10 fraction bits weighs frames k-1 .. k+2;
// the weighted sum is taken modulo 2^32 (the sum of 16-bit range values always fits in 32 bits)
// and divided by 16384, truncating toward zero.
struct Spline {
    static int32_t Value(const int32_t* s, ptrdiff_t stride, uint32_t frac, const int32_t* table) {
        const int32_t* w = table + (frac >> 22) * 4;
        const uint32_t acc =
            uint32_t(w[0]) * uint32_t(s[-stride]) + uint32_t(w[1]) * uint32_t(s[0]) +
            uint32_t(w[2]) * uint32_t(s[stride]) + uint32_t(w[3]) * uint32_t(s[2 * stride]);
        return int32_t(acc) / 16384;
    }

#if defined(__SSE2__)
    // Four frames of a mono sample at once: frame taps and table rows packed to 16 bits (both
    // are of 16-bit range, so packing is exact) and summed pairwise by pmaddwd; the sums equal
    // the 32-bit sums of Value, and the shifts divide them by 16384 toward zero.
    static constexpr bool Batched = true;

    static __m128i Pair(const int32_t* data, uint64_t p0, uint64_t p1, const int32_t* table) {
        const auto taps = [&](uint64_t p) {
            return _mm_loadu_si128(
                reinterpret_cast<const __m128i*>(data + ptrdiff_t(int64_t(p) >> 32) - 1));
        };
        const auto row = [&](uint64_t p) {
            return _mm_loadu_si128(
                reinterpret_cast<const __m128i*>(table + (uint32_t(p) >> 22) * 4));
        };
        return _mm_madd_epi16(_mm_packs_epi32(taps(p0), taps(p1)),
                              _mm_packs_epi32(row(p0), row(p1)));
    }

    static __m128i Values4(const int32_t* data, uint64_t pos, uint64_t step, const int32_t* table) {
        const __m128 a = _mm_castsi128_ps(Pair(data, pos, pos + step, table));
        const __m128 b = _mm_castsi128_ps(Pair(data, pos + 2 * step, pos + 3 * step, table));
        const __m128i sum =
            _mm_add_epi32(_mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0))),
                          _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1))));
        const __m128i bias = _mm_srli_epi32(_mm_srai_epi32(sum, 31), 18); // 16383 when negative
        return _mm_srai_epi32(_mm_add_epi32(sum, bias), 14);
    }
#else
    static constexpr bool Batched = false;
#endif
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
inline void AddProduct(int32_t& out, int32_t value, int32_t gain) {
    out = int32_t(uint32_t(out) + uint32_t(value) * uint32_t(gain));
}

#if defined(__SSE2__)
// Four 32-bit products modulo 2^32: the low halves of the unsigned 64-bit products.
inline __m128i MulLo(__m128i a, __m128i b) {
    const __m128i even = _mm_mul_epu32(a, b);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
    return _mm_or_si128(_mm_and_si128(even, _mm_set1_epi64x(0xFFFFFFFF)), _mm_slli_epi64(odd, 32));
}

inline void AddTo(int32_t* out, __m128i values) {
    __m128i* at = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(at, _mm_add_epi32(_mm_loadu_si128(at), values));
}

// The gains of the next four frames of a running ramp: stepped, then divided by 4096 toward
// zero; the running gain moves on by four steps.
inline __m128i RampGains4(uint32_t& running, uint32_t step) {
    const __m128i run = _mm_add_epi32(
        _mm_set1_epi32(int32_t(running)),
        _mm_set_epi32(int32_t(4 * step), int32_t(3 * step), int32_t(2 * step), int32_t(step)));
    running += 4 * step;
    const __m128i bias = _mm_srli_epi32(_mm_srai_epi32(run, 31), 20); // 4095 when negative
    return _mm_srai_epi32(_mm_add_epi32(run, bias), 12);
}

template <bool Split> void NextGains4(Gains<false, Split>& g, __m128i& left, __m128i& right) {
    left = _mm_set1_epi32(g.Left());
    right = _mm_set1_epi32(g.Right());
}
inline void NextGains4(Gains<true, false>& g, __m128i& left, __m128i& right) {
    left = right = RampGains4(g.running, g.step);
}
inline void NextGains4(Gains<true, true>& g, __m128i& left, __m128i& right) {
    left = RampGains4(g.left, g.stepLeft);
    right = RampGains4(g.right, g.stepRight);
}
#endif

// The loop. SampleWidth: values per sample frame (1 mono, 2 stereo). OutWidth: values per output
// frame (2 stereo; 1 mono, which takes the left gain and, for a stereo sample, the mean of both
// sides truncated toward zero).
template <class Interp, int SampleWidth, bool Ramp, bool Split, int OutWidth>
void MixLoop(int32_t*& mix, int32_t n, TKavoXMChannel& voice, const int32_t* table) {
    if (n <= 0) return;
    const int32_t* data = voice.Sample->Data;
    uint64_t pos = uint64_t(voice.SamplePosition); // unsigned: one wrapping 64-bit addition
    const uint64_t step = uint64_t(voice.Step);
    Gains<Ramp, Split> gains(voice);
    int32_t* out = mix;
    // One output frame from the interpolated value(s) of the sample frame.
    const auto emit = [&](int32_t left, int32_t right) {
        gains.Advance();
        if constexpr (OutWidth == 2) {
            AddProduct(out[0], left, gains.Left());
            AddProduct(out[1], right, gains.Right());
        } else if constexpr (SampleWidth == 2) {
            AddProduct(out[0], int32_t((int64_t(left) + right) / 2), gains.Left());
        } else {
            AddProduct(out[0], left, gains.Left());
        }
        out += OutWidth;
    };
    int32_t i = 0;
#if defined(__SSE2__)
    if constexpr (Interp::Batched && SampleWidth == 1) {
        // Mono samples: values, gains, products and additions four frames at a time.
        for (; i + 4 <= n; i += 4) {
            const __m128i values = Interp::Values4(data, pos, step, table);
            pos += 4 * step;
            __m128i gainLeft, gainRight;
            NextGains4(gains, gainLeft, gainRight);
            const __m128i left = MulLo(values, gainLeft);
            if constexpr (OutWidth == 2) {
                const __m128i right = Split ? MulLo(values, gainRight) : left;
                AddTo(out, _mm_unpacklo_epi32(left, right));
                AddTo(out + 4, _mm_unpackhi_epi32(left, right));
            } else {
                AddTo(out, left);
            }
            out += 4 * OutWidth;
        }
    }
#endif
    for (; i < n; ++i) {
        const int32_t k = int32_t(int64_t(pos) >> 32);
        const uint32_t frac = uint32_t(pos);
        const int32_t* frame = data + ptrdiff_t(k) * SampleWidth;
        const int32_t left = Interp::Value(frame, SampleWidth, frac, table);
        int32_t right = left;
        if constexpr (SampleWidth == 2) right = Interp::Value(frame + 1, SampleWidth, frac, table);
        emit(left, right);
        pos += step;
    }
    voice.SamplePosition = int64_t(pos);
    gains.Store(voice);
    mix = out;
}

// The eight cubic-spline kernels for stereo output.
inline constexpr TKavoXMKernel MixSplineMono = &MixLoop<Spline, 1, false, false, 2>;
inline constexpr TKavoXMKernel MixSplineMonoPan = &MixLoop<Spline, 1, false, true, 2>;
inline constexpr TKavoXMKernel MixSplineMonoRamp = &MixLoop<Spline, 1, true, false, 2>;
inline constexpr TKavoXMKernel MixSplineMonoRampPan = &MixLoop<Spline, 1, true, true, 2>;
inline constexpr TKavoXMKernel MixSplineStereo = &MixLoop<Spline, 2, false, false, 2>;
inline constexpr TKavoXMKernel MixSplineStereoPan = &MixLoop<Spline, 2, false, true, 2>;
inline constexpr TKavoXMKernel MixSplineStereoRamp = &MixLoop<Spline, 2, true, false, 2>;
inline constexpr TKavoXMKernel MixSplineStereoRampPan = &MixLoop<Spline, 2, true, true, 2>;

} // namespace kavoxm::mixer
