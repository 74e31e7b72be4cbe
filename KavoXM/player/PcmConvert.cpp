#include "KavoXM/player/PcmConvert.h"
#include "KavoXM/mixer/Kernels.h"

#include <cstddef>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

int16_t MixTo16(int32_t mix, bool clip) {
    const int32_t v = mix / 4096;
    if (clip) {
        if (v > 32767) return 32767;
        if (v < -32768) return -32768;
        return int16_t(v);
    }
    return int16_t(uint16_t(uint32_t(v)));
}

uint8_t Pcm16To8(int16_t sample) {
    return uint8_t((int32_t(sample) + 32768) / 256);
}

namespace {
#if defined(__SSE2__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// Eight mix values at a time: divided by 4096 toward zero, wrapped to 16 bits when not
// clipping, then packed with saturation (exact for wrapped values) and stored little-endian.
int32_t ConvertMixTo16Sse2(const int32_t* mix, int32_t count, bool clip, uint8_t* out) {
    const auto divide = [clip](__m128i v) {
        const __m128i bias = _mm_srli_epi32(_mm_srai_epi32(v, 31), 20); // 4095 when negative
        v = _mm_srai_epi32(_mm_add_epi32(v, bias), 12);
        return clip ? v : _mm_srai_epi32(_mm_slli_epi32(v, 16), 16);
    };
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i a = divide(_mm_loadu_si128(reinterpret_cast<const __m128i*>(mix + i)));
        const __m128i b = divide(_mm_loadu_si128(reinterpret_cast<const __m128i*>(mix + i + 4)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_packs_epi32(a, b));
    }
    return i;
}
#else
int32_t ConvertMixTo16Sse2(const int32_t*, int32_t, bool, uint8_t*) {
    return 0;
}
#endif

#if (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__) && !defined(_WIN64) &&         \
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// Sixteen values at a time on CPUs with AVX2 (compiled for it by attribute only), as the SSE2
// groups; the pack works per 128-bit half, so the halves are put back in order.
__attribute__((target("avx2"), always_inline)) inline __m256i Divide16(const int32_t* mix,
                                                                       bool clip) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mix));
    const __m256i bias = _mm256_srli_epi32(_mm256_srai_epi32(v, 31), 20); // 4095 when negative
    v = _mm256_srai_epi32(_mm256_add_epi32(v, bias), 12);
    return clip ? v : _mm256_srai_epi32(_mm256_slli_epi32(v, 16), 16);
}

__attribute__((target("avx2"))) int32_t ConvertMixTo16Avx2(const int32_t* mix, int32_t count,
                                                           bool clip, uint8_t* out) {
    int32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m256i a = Divide16(mix + i, clip);
        const __m256i b = Divide16(mix + i + 8, clip);
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * i), packed);
    }
    return i;
}
#else
int32_t ConvertMixTo16Avx2(const int32_t*, int32_t, bool, uint8_t*) {
    return 0;
}
#endif
} // namespace

void ConvertMixTo16(const int32_t* mix, int32_t count, bool clip, uint8_t* out) {
    static const bool avx2 = KernelPathAvailable(TKavoXMKernelPath::Avx2);
    int32_t done = avx2 ? ConvertMixTo16Avx2(mix, count, clip, out) : 0;
    done += ConvertMixTo16Sse2(mix + done, count - done, clip, out + 2 * ptrdiff_t(done));
    for (int32_t i = done; i < count; ++i) {
        const uint16_t bits = uint16_t(MixTo16(mix[i], clip));
        out[2 * i] = uint8_t(bits & 0xFF);
        out[2 * i + 1] = uint8_t(bits >> 8);
    }
}

void Convert16To8InPlace(uint8_t* data, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const uint16_t bits = uint16_t(data[2 * i] | (data[2 * i + 1] << 8));
        data[i] = Pcm16To8(int16_t(bits));
    }
}
