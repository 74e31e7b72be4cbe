// Tempo and pitch factors: ticks and voice steps scale by them from the next tick; at 1.0
// nothing changes; values outside 0.25..4.0 are refused.
#include "CapiSongs.h"
#include "KavoXM/player/TickLength.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using capisongs::Handle;

struct TickCase {
    std::string name;
    int32_t rate, tempo;
    double factor;
    int32_t frames;
};

class TickLength : public testing::TestWithParam<TickCase> {};

// rate x 2.5 / tempo / factor, truncated: at 1.0 exactly the tracker's rate x 640 / (tempo x
// 256); a rounding instead of a truncation, or a factor applied the wrong way, shows here.
TEST_P(TickLength, IsTheTickOfTheTempoScaledByTheFactor) {
    const TickCase& c = GetParam();
    EXPECT_EQ(TickFrames(c.rate, c.tempo, uint32_t(std::lround(c.factor * UnitFactor))), c.frames);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TickLength,
    testing::Values(TickCase{"Rate44100Tempo125", 44100, 125, 1.0, 882},
                    TickCase{"Rate48000Tempo125", 48000, 125, 1.0, 960},
                    TickCase{"Rate44100Tempo33", 44100, 33, 1.0, 3340}, // 3340.9
                    TickCase{"Rate8000Tempo255Fastest", 8000, 255, 4.0, 19},
                    TickCase{"Rate44100Tempo125Double", 44100, 125, 2.0, 441},
                    TickCase{"Rate44100Tempo150ThreeQuarters", 44100, 150, 0.75, 980},
                    TickCase{"Rate192000Tempo32Slowest", 192000, 32, 0.25, 60000}),
    [](const testing::TestParamInfo<TickCase>& info) { return info.param.name; });

// Zero crossings of the left channel over `frames` frames.
int32_t Crossings(const std::vector<int32_t>& mix, size_t from, size_t frames) {
    int32_t n = 0;
    for (size_t i = from + 1; i < from + frames && 2 * i < mix.size(); ++i)
        n += (mix[2 * (i - 1)] < 0) != (mix[2 * i] < 0) ? 1 : 0;
    return n;
}

class PitchFactor : public testing::TestWithParam<double> {};

TEST_P(PitchFactor, ScalesTheHeldTonesFrequencyAndKeepsTheLength) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(capisongs::Held());
    Handle plain = capisongs::Load(image);
    Handle pitched = capisongs::Load(image);
    ASSERT_EQ(kavoxm_set_channel_mute(plain.get(), 1, 1), KAVOXM_OK);
    ASSERT_EQ(kavoxm_set_channel_mute(pitched.get(), 1, 1), KAVOXM_OK);
    ASSERT_EQ(kavoxm_set_pitch_factor(pitched.get(), GetParam()), KAVOXM_OK);
    const std::vector<int32_t> a = capisongs::RenderAll(plain.get(), 44100);
    const std::vector<int32_t> b = capisongs::RenderAll(pitched.get(), 44100);
    EXPECT_EQ(a.size(), b.size());
    const double ratio = double(Crossings(b, 4000, 30000)) / Crossings(a, 4000, 30000);
    EXPECT_NEAR(ratio, GetParam(), 0.03 * GetParam());
}

INSTANTIATE_TEST_SUITE_P(Factors, PitchFactor, testing::Values(0.5, 1.5, 2.0),
                         [](const testing::TestParamInfo<double>& info) {
                             return "Times" + std::to_string(int(info.param * 10));
                         });

TEST(TempoFactor, ShortensTheSongByTheFactorAndKeepsThePitch) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(capisongs::Held());
    Handle plain = capisongs::Load(image);
    Handle fast = capisongs::Load(image);
    ASSERT_EQ(kavoxm_set_tempo_factor(fast.get(), 2.0), KAVOXM_OK);
    const std::vector<int32_t> a = capisongs::RenderAll(plain.get(), 44100);
    const std::vector<int32_t> b = capisongs::RenderAll(fast.get(), 44100);
    EXPECT_EQ(b.size() * 2, a.size()); // 441-frame ticks in place of 882
    EXPECT_NEAR(double(Crossings(b, 2000, 20000)), double(Crossings(a, 2000, 20000)), 4);
}

TEST(Factors, OneLeavesEveryByteAndOutOfRangeIsRefused) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(capisongs::Busy());
    Handle plain = capisongs::Load(image);
    Handle unit = capisongs::Load(image);
    ASSERT_EQ(kavoxm_set_tempo_factor(unit.get(), 1.0), KAVOXM_OK);
    ASSERT_EQ(kavoxm_set_pitch_factor(unit.get(), 1.0), KAVOXM_OK);
    EXPECT_EQ(capisongs::RenderAll(unit.get(), 48000), capisongs::RenderAll(plain.get(), 48000));
    for (double bad : {0.0, 0.2499, 4.001, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(kavoxm_set_tempo_factor(unit.get(), bad), KAVOXM_ERROR_INVALID_ARGUMENT);
        EXPECT_EQ(kavoxm_set_pitch_factor(unit.get(), bad), KAVOXM_ERROR_INVALID_ARGUMENT);
    }
    EXPECT_EQ(kavoxm_set_tempo_factor(nullptr, 1.0), KAVOXM_ERROR_INVALID_ARGUMENT);
}

} // namespace
