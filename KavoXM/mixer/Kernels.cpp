// The kernel tables: every interpolation mode and every combination of sample layout, ramping
// and split volume, for stereo and for mono output.
#include "KavoXM/mixer/Kernels.h"

#include "KavoXM/mixer/KernelLoop.h"

namespace {
using namespace kavoxm::mixer;
using Table = std::array<TKavoXMKernel, KernelModes * KernelsPerMode>;

// The eight kernels of one interpolation and output width, indexed stereoSample x 4 + ramping
// x 2 + split. Mono output has one gain only, so its split entries repeat the shared ones.
template <class Interp, int OutWidth> constexpr std::array<TKavoXMKernel, 8> Family() {
    constexpr bool canSplit = OutWidth == 2;
    return {
        &MixLoop<Interp, 1, false, false, OutWidth>, &MixLoop<Interp, 1, false, canSplit, OutWidth>,
        &MixLoop<Interp, 1, true, false, OutWidth>,  &MixLoop<Interp, 1, true, canSplit, OutWidth>,
        &MixLoop<Interp, 2, false, false, OutWidth>, &MixLoop<Interp, 2, false, canSplit, OutWidth>,
        &MixLoop<Interp, 2, true, false, OutWidth>,  &MixLoop<Interp, 2, true, canSplit, OutWidth>};
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

template <int OutWidth> constexpr Table BuildTable() {
    Table table{};
    FillMode(table, 0, Family<Nearest, OutWidth>());
    FillMode(table, 1, Family<Linear, OutWidth>());
    FillMode(table, 2, Family<Spline, OutWidth>());
    FillMode(table, 3, Family<Spline, OutWidth>());
    return table;
}
} // namespace

static_assert(std::tuple_size_v<Table> == 192, "4 interpolation modes of 48 kernels");
static_assert(KernelIndex(3, 1, 1, 2, 1) + 1 == 191, "the last index is the table's last entry");

const Table KernelTable = BuildTable<2>();
const Table MonoKernelTable = BuildTable<1>();
