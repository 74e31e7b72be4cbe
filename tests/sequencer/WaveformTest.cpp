#include "KavoXM/sequencer/Waveforms.h"

#include <cmath>
#include <cstddef>
#include <gtest/gtest.h>

namespace {

constexpr double TwoPi = 6.283185307179586;

TEST(Waveforms, AutoVibratoSineFollowsItsDefinition) {
    for (size_t p = 0; p < 256; ++p)
        EXPECT_EQ(AutoVibratoSine[p], std::lround(-64.0 * std::sin(TwoPi * double(p) / 256)))
            << "p = " << p;
}

TEST(Waveforms, AutoVibratoSineKeyValues) {
    EXPECT_EQ(AutoVibratoSine[0], 0);
    EXPECT_EQ(AutoVibratoSine[1], -2);
    EXPECT_EQ(AutoVibratoSine[2], -3);
    EXPECT_EQ(AutoVibratoSine[3], -5);
    EXPECT_EQ(AutoVibratoSine[64], -64);
    EXPECT_EQ(AutoVibratoSine[128], 0);
    EXPECT_EQ(AutoVibratoSine[192], 64);
}

TEST(Waveforms, VibratoSineFollowsItsDefinition) {
    for (size_t i = 0; i < 64; ++i)
        EXPECT_EQ(VibratoWaveforms[0][i], std::lround(127.0 * std::sin(TwoPi * double(i) / 64)))
            << "i = " << i;
    EXPECT_EQ(VibratoWaveforms[0][0], 0);
    EXPECT_EQ(VibratoWaveforms[0][16], 127);
    EXPECT_EQ(VibratoWaveforms[0][48], -127);
}

TEST(Waveforms, RampAndSquare) {
    for (int32_t i = 0; i < 64; ++i) {
        const size_t at = size_t(i);
        EXPECT_EQ(VibratoWaveforms[1][at], i < 32 ? -4 * i : 127 - 4 * (i - 32)) << i;
        EXPECT_EQ(VibratoWaveforms[2][at], i < 32 ? 127 : -127) << i;
    }
    EXPECT_EQ(VibratoWaveforms[1][31], -124);
    EXPECT_EQ(VibratoWaveforms[1][32], 127);
    EXPECT_EQ(VibratoWaveforms[1][63], 3);
}

TEST(Waveforms, RandomIsTheFixedSequence) {
    EXPECT_EQ(VibratoWaveforms[3][0], 88);
    EXPECT_EQ(VibratoWaveforms[3][1], -127);
    EXPECT_EQ(VibratoWaveforms[3][39], -112);
    EXPECT_EQ(VibratoWaveforms[3][63], -95);
    int32_t sum = 0;
    for (int8_t v : VibratoWaveforms[3]) sum += v;
    EXPECT_EQ(sum, -53); // checksum of the listed values
}

} // namespace
