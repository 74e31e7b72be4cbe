#include "KavoXM/player/PcmConvert.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct MixCase {
    int32_t mix;
    bool clip;
    int16_t expected;
};

void PrintTo(const MixCase& c, std::ostream* os) {
    *os << c.mix << (c.clip ? " clip" : " wrap") << " -> " << c.expected;
}

class MixConversion : public ::testing::TestWithParam<MixCase> {};

TEST_P(MixConversion, TruncatesTowardZeroThenSaturatesOrWraps) {
    const MixCase c = GetParam();
    EXPECT_EQ(MixTo16(c.mix, c.clip), c.expected);
}

// The low 16 bits of 200000 and -200000, as a two's complement 16-bit value.
constexpr int16_t Low16(int32_t v) {
    return int16_t(uint16_t(uint32_t(v) & 0xFFFFu));
}

INSTANTIATE_TEST_SUITE_P(
    Values, MixConversion,
    ::testing::Values(MixCase{4095, true, 0}, MixCase{-4095, true, 0}, MixCase{-4096, true, -1},
                      MixCase{4096, true, 1}, MixCase{-8191, true, -1},
                      MixCase{32767 * 4096, true, 32767}, MixCase{-32768 * 4096, true, -32768},
                      MixCase{200000 * 4096, true, 32767}, MixCase{-200000 * 4096, true, -32768},
                      MixCase{200000 * 4096, false, Low16(200000)},
                      MixCase{-200000 * 4096, false, Low16(-200000)}, MixCase{4095, false, 0},
                      MixCase{-4096, false, -1}),
    [](const auto& info) {
        const int32_t m = info.param.mix;
        return std::string(m < 0 ? "Minus" : "Plus") + std::to_string(m < 0 ? -int64_t(m) : m) +
               (info.param.clip ? "Clip" : "Wrap");
    });

TEST(PcmConvert, WrappedValuesAreTheLow16Bits) {
    EXPECT_EQ(Low16(200000), 3392);
    EXPECT_EQ(Low16(-200000), -3392);
}

TEST(PcmConvert, EightBitMapping) {
    const std::pair<int16_t, uint8_t> cases[] = {{0, 128},  {-32768, 0}, {32767, 255},
                                                 {-1, 127}, {255, 128},  {256, 129}};
    for (const auto& [s, expected] : cases) EXPECT_EQ(Pcm16To8(s), expected) << s;
}

TEST(PcmConvert, BlockConversionIsLittleEndianAndEightBitInPlace) {
    const std::vector<int32_t> mix = {0, -4096, 32767 * 4096, -32768 * 4096, 256 * 4096};
    std::vector<uint8_t> out(mix.size() * 2, 0xAA);
    ConvertMixTo16(mix.data(), int32_t(mix.size()), true, out.data());
    for (size_t i = 0; i < mix.size(); ++i) {
        const auto s = int16_t(uint16_t(out[2 * i] | (out[2 * i + 1] << 8)));
        EXPECT_EQ(s, MixTo16(mix[i], true)) << i;
    }
    Convert16To8InPlace(out.data(), int32_t(mix.size()));
    for (size_t i = 0; i < mix.size(); ++i) EXPECT_EQ(out[i], Pcm16To8(MixTo16(mix[i], true))) << i;
}

} // namespace
