// Block conversion of the mix: long blocks (converted several values at a time) agree value
// by value with the single-value conversion, for saturating and wrapping output.
#include "KavoXM/player/PcmConvert.h"

#include <climits>
#include <gtest/gtest.h>
#include <vector>

namespace {
class PcmBlockConversion : public ::testing::TestWithParam<bool> {};

TEST_P(PcmBlockConversion, EveryValueMatchesTheSingleConversion) {
    const bool clip = GetParam();
    std::vector<int32_t> mix = {
        INT32_MIN, INT32_MAX, -4095,        4095,          -4096,        4096,
        0,         -1,        32767 * 4096, -32768 * 4096, 32768 * 4096, -32769 * 4096};
    uint32_t seed = 99;
    while (mix.size() < 1003) { // an odd length: the tail after the last whole group
        seed = seed * 1664525u + 1013904223u;
        mix.push_back(int32_t(seed) >> (seed & 7u));
    }
    std::vector<uint8_t> out(mix.size() * 2, 0xAA);
    ConvertMixTo16(mix.data(), int32_t(mix.size()), clip, out.data());
    for (size_t i = 0; i < mix.size(); ++i) {
        const auto s = int16_t(uint16_t(out[2 * i] | (out[2 * i + 1] << 8)));
        ASSERT_EQ(s, MixTo16(mix[i], clip)) << i << " " << mix[i];
    }
}

INSTANTIATE_TEST_SUITE_P(ClipAndWrap, PcmBlockConversion, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Clip" : "Wrap"; });
} // namespace
