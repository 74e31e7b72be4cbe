// The kernel tables: every interpolation mode and every combination of sample layout, ramping
// and split volume, for stereo and for mono output, on each computing path.
#include "KavoXM/mixer/Kernels.h"

#include "KavoXM/mixer/KernelAvx2.h"
#include "KavoXM/mixer/KernelLoop.h"
#include "KavoXM/mixer/KernelSse2.h"

// A build for size (the standalone players) carries the kernels of one path only, whatever
// path is asked for: the plain loop, whose code is a third smaller than the SSE2 kernels' and
// still mixes many times faster than real time. Every path computes the same samples.
#if defined(KAVOXM_SINGLE_KERNEL_PATH)
#undef KAVOXM_HAVE_AVX2_KERNELS
#endif

namespace {
using namespace kavoxm::mixer;
using Table = TKavoXMKernelTable;

// The kernel template of a path.
template <TKavoXMKernelPath Path, class Interp, int SampleWidth, bool Ramp, bool Split,
          int OutWidth>
constexpr TKavoXMKernel Kernel() {
#if defined(KAVOXM_SINGLE_KERNEL_PATH)
    return &MixLoopScalar<Interp, SampleWidth, Ramp, Split, OutWidth>;
#endif
#if defined(KAVOXM_HAVE_AVX2_KERNELS)
    if constexpr (Path == TKavoXMKernelPath::Avx2)
        return &avx2::MixLoop<Interp, SampleWidth, Ramp, Split, OutWidth>;
#endif
    if constexpr (Path == TKavoXMKernelPath::Sse2)
        return &sse2::MixLoop<Interp, SampleWidth, Ramp, Split, OutWidth>;
    return &MixLoopScalar<Interp, SampleWidth, Ramp, Split, OutWidth>;
}

// The eight kernels of one interpolation and output width, indexed stereoSample x 4 + ramping
// x 2 + split. Mono output has one gain only, so its split entries repeat the shared ones.
template <TKavoXMKernelPath Path, class Interp, int OutWidth>
constexpr std::array<TKavoXMKernel, 8> Family() {
    constexpr bool canSplit = OutWidth == 2;
    return {Kernel<Path, Interp, 1, false, false, OutWidth>(),
            Kernel<Path, Interp, 1, false, canSplit, OutWidth>(),
            Kernel<Path, Interp, 1, true, false, OutWidth>(),
            Kernel<Path, Interp, 1, true, canSplit, OutWidth>(),
            Kernel<Path, Interp, 2, false, false, OutWidth>(),
            Kernel<Path, Interp, 2, false, canSplit, OutWidth>(),
            Kernel<Path, Interp, 2, true, false, OutWidth>(),
            Kernel<Path, Interp, 2, true, canSplit, OutWidth>()};
}

// Fills the 48 entries of one mode: each kernel twice (the odd twin is never selected), and
// the same group for each of the three variants.
constexpr void FillMode(Table& table, int32_t mode, const std::array<TKavoXMKernel, 8>& family) {
    for (int32_t stereo = 0; stereo < 2; ++stereo)
        for (int32_t ramping = 0; ramping < 2; ++ramping)
            for (int32_t variant = 0; variant < 3; ++variant)
                for (int32_t split = 0; split < 2; ++split) {
                    const int32_t at = KernelIndex(mode, stereo, ramping, variant, split);
                    const TKavoXMKernel kernel = family[size_t(stereo * 4 + ramping * 2 + split)];
                    table[size_t(at)] = kernel;
                    table[size_t(at + 1)] = kernel;
                }
}

template <TKavoXMKernelPath Path, int OutWidth> constexpr Table BuildTable() {
    Table table{};
    FillMode(table, 0, Family<Path, Nearest, OutWidth>());
    FillMode(table, 1, Family<Path, Linear, OutWidth>());
    FillMode(table, 2, Family<Path, Spline, OutWidth>());
    FillMode(table, 3, Family<Path, Spline, OutWidth>());
    return table;
}

constexpr Table ScalarTables[2] = {BuildTable<TKavoXMKernelPath::Scalar, 1>(),
                                   BuildTable<TKavoXMKernelPath::Scalar, 2>()};
constexpr Table Sse2Tables[2] = {BuildTable<TKavoXMKernelPath::Sse2, 1>(),
                                 BuildTable<TKavoXMKernelPath::Sse2, 2>()};
#if defined(KAVOXM_HAVE_AVX2_KERNELS)
constexpr Table Avx2Tables[2] = {BuildTable<TKavoXMKernelPath::Avx2, 1>(),
                                 BuildTable<TKavoXMKernelPath::Avx2, 2>()};
#endif
} // namespace

static_assert(std::tuple_size_v<Table> == 192, "4 interpolation modes of 48 kernels");
static_assert(KernelIndex(3, 1, 1, 2, 1) + 1 == 191, "the last index is the table's last entry");

bool KernelPathAvailable(TKavoXMKernelPath path) {
    switch (path) {
    case TKavoXMKernelPath::Scalar:
        return true;
    case TKavoXMKernelPath::Sse2:
#if defined(__SSE2__)
        return true;
#else
        return false;
#endif
    case TKavoXMKernelPath::Avx2:
#if defined(KAVOXM_HAVE_AVX2_KERNELS)
        __builtin_cpu_init(); // the tables below are chosen before main
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2");
#else
        return false;
#endif
    }
    return false;
}

const Table& KernelTableOf(TKavoXMKernelPath path, int32_t outWidth) {
    const size_t at = outWidth == 2 ? 1 : 0;
    if (!KernelPathAvailable(path)) return ScalarTables[at];
#if defined(KAVOXM_HAVE_AVX2_KERNELS)
    if (path == TKavoXMKernelPath::Avx2) return Avx2Tables[at];
#endif
    if (path == TKavoXMKernelPath::Sse2) return Sse2Tables[at];
    return ScalarTables[at];
}

TKavoXMKernelPath BestKernelPath() {
    for (TKavoXMKernelPath path : {TKavoXMKernelPath::Avx2, TKavoXMKernelPath::Sse2})
        if (KernelPathAvailable(path)) return path;
    return TKavoXMKernelPath::Scalar;
}

const Table KernelTable = KernelTableOf(BestKernelPath(), 2);
const Table MonoKernelTable = KernelTableOf(BestKernelPath(), 1);
