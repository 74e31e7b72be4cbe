// The tool's post-mix stage and output formats, on mix values chosen by hand.
#include "KavoXM/player/PostMix.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

namespace {

struct StereoCase {
    std::string name;
    double gainDb;
    int32_t separation;
    int32_t left, right;
    int32_t wantLeft, wantRight;
};

class PostMixStereo : public ::testing::TestWithParam<StereoCase> {};

TEST_P(PostMixStereo, MovesTheFrameAsSaid) {
    const StereoCase& c = GetParam();
    int32_t frame[2] = {c.left, c.right};
    PostMix{c.gainDb, c.separation}.Apply(frame, 1, 2);
    EXPECT_EQ(frame[0], c.wantLeft);
    EXPECT_EQ(frame[1], c.wantRight);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, PostMixStereo,
    ::testing::Values(
        StereoCase{"Unchanged", 0, 100, 12345, -678, 12345, -678},
        StereoCase{"Mono", 0, 0, 1000, 0, 500, 500},
        StereoCase{"MonoRoundsHalves", 0, 0, 3, 0, 2, 2}, // 1.5 rounds away from zero
        StereoCase{"HalfWidth", 0, 50, 1000, 0, 750, 250},
        StereoCase{"DoubleWidth", 0, 200, 1000, 0, 1500, -500},
        StereoCase{"PlusSixDbDoubles", 20 * 0.30102999566398120, 100, 1000, -1000, 2000, -2000},
        StereoCase{"MinusSixDbHalves", -20 * 0.30102999566398120, 100, 1001, -3, 501, -2},
        StereoCase{"SaturatesAtTheMixRange", 24, 100, INT32_MAX / 2, INT32_MIN / 2, INT32_MAX,
                   INT32_MIN}),
    [](const ::testing::TestParamInfo<StereoCase>& info) { return info.param.name; });

TEST(PostMixMono, GainOnlyAndSeparationIgnored) {
    int32_t values[2] = {1000, -1000};
    PostMix{20 * 0.30102999566398120, 0}.Apply(values, 2, 1);
    EXPECT_EQ(values[0], 2000);
    EXPECT_EQ(values[1], -2000);
}

std::vector<uint8_t> Convert(std::vector<int32_t> mix, SampleFormat format, bool clip) {
    std::vector<uint8_t> out(mix.size() * ConvertBytesPerSample(format));
    ConvertMix(mix.data(), mix.size(), format, clip, out.data());
    out.resize(mix.size() * size_t(BytesPerSample(format)));
    return out;
}

TEST(ConvertMix, TwentyFourBitsTruncateTowardZeroAndSaturateOrWrap) {
    // 4096 is one 16-bit step, 256 24-bit steps; -17 / 16 truncates to -1.
    EXPECT_EQ(Convert({4096, -17, 15}, SampleFormat::S24, true),
              (std::vector<uint8_t>{0x00, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00}));
    const int32_t over = (1 << 23) * 16; // one step past the largest 24-bit value
    EXPECT_EQ(Convert({over, -over - 16}, SampleFormat::S24, true),
              (std::vector<uint8_t>{0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80}));
    EXPECT_EQ(Convert({over}, SampleFormat::S24, false), (std::vector<uint8_t>{0x00, 0x00, 0x80}));
}

TEST(ConvertMix, FloatIsTheMixOverFullScaleAndNeverClips) {
    const std::vector<uint8_t> bytes =
        Convert({32768 * 4096, -16384 * 4096, INT32_MAX}, SampleFormat::F32, true);
    float values[3];
    std::memcpy(values, bytes.data(), sizeof values);
    EXPECT_EQ(values[0], 1.0f);
    EXPECT_EQ(values[1], -0.5f);
    EXPECT_GT(values[2], 15.99f);
}

TEST(ConvertMix, EightAndSixteenBitsAreTheEnginesOwn) {
    EXPECT_EQ(Convert({4096 * 300, -4096 * 300}, SampleFormat::S16, true),
              (std::vector<uint8_t>{0x2C, 0x01, 0xD4, 0xFE}));
    EXPECT_EQ(Convert({0, 4096 * 256}, SampleFormat::U8, true), (std::vector<uint8_t>{128, 129}));
}

TEST(PeakLevel, IsTheLargestMagnitudeOverFullScale) {
    const std::vector<int32_t> mix = {100, -16384 * 4096, 8192 * 4096};
    EXPECT_DOUBLE_EQ(PeakLevel(mix.data(), mix.size()), 0.5);
}

} // namespace
