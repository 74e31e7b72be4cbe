// Exact boundaries of voice mixing: where a loop turn or wrap puts the position, how long a run
// may be when its last position meets the loop end, and where a ramp that does not divide evenly
// leaves the running gains.
#include "MixerTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace {
using namespace mixertest;

struct SettleCase {
    const char* name;
    bool pingPong;
    double position;
    bool backwards;
    double expected;
    bool expectedBackwards;
};

void PrintTo(const SettleCase& c, std::ostream* os) {
    *os << c.name;
}

class SettleTest : public ::testing::TestWithParam<SettleCase> {};

// Loop 10..20 of a 40-frame sample, so that the sample's last frame (39) differs from the
// loop's last frame.
TEST_P(SettleTest, PutsThePositionBackIntoPlay) {
    const SettleCase c = GetParam();
    auto sample = RampSample(40, {true, c.pingPong, 10, 10});
    auto voice = MakeVoice(*sample, Frames(c.position), Frames(1));
    voice->Backwards = c.backwards;
    EXPECT_GE(PrepareRun(*voice, 4), 1);
    EXPECT_EQ(voice->SamplePosition, Frames(c.expected));
    EXPECT_EQ(voice->Backwards, c.expectedBackwards);
}

INSTANTIATE_TEST_SUITE_P(
    Loops, SettleTest,
    ::testing::Values(
        // Forward past a ping-pong end by more than the loop: the mirror lands below the loop,
        // so play goes on from the sample's last frame with the mirrored fraction, which keeps
        // its sign (truncating remainder): 40 - 32.25 = 7.75, 40 - 45.5 = -5.5.
        SettleCase{"PingPongEndOvershootAbove", true, 32.25, false, 39.75, true},
        SettleCase{"PingPongEndOvershootNegative", true, 45.5, false, 38.5, true},
        // Exactly on the loop end: the mirror is the loop end itself, outside the loop.
        SettleCase{"PingPongExactlyAtEnd", true, 20.0, false, 39.0, true},
        SettleCase{"PingPongMirrorOntoStart", true, 30.0, false, 10.0, true},
        // Backwards past a ping-pong start: a mirror at or beyond the loop's mid-point
        // (15) restarts at the loop start; one just below it stays.
        SettleCase{"PingPongStartOvershootLongerThanLoop", true, -2.5, true, 10.0, false},
        SettleCase{"PingPongStartMirrorAtMidPoint", true, 5.0, true, 10.0, false},
        SettleCase{"PingPongStartMirrorBelowMidPoint", true, 5.25, true, 14.75, false},
        // A forward loop: exactly at its end wraps to its start; backwards below its start
        // continues from its end.
        SettleCase{"ForwardExactlyAtEnd", false, 20.0, false, 10.0, false},
        SettleCase{"ForwardBackwardsBelowStart", false, 9.5, true, 19.5, true}),
    [](const auto& info) { return std::string(info.param.name); });

struct RunCase {
    const char* name;
    bool backwards;
    double position;
    double increment;
    int64_t limit;
    int64_t expected;
};

void PrintTo(const RunCase& c, std::ostream* os) {
    *os << c.name;
}

class RunLengthTest : public ::testing::TestWithParam<RunCase> {};

// Forward loop 5..10 of a 40-frame sample. A run forward stops before a frame that would fall on
// the loop end; a run backwards may end exactly on the loop start.
TEST_P(RunLengthTest, StopsAtTheFirstPositionOutsideTheLoop) {
    const RunCase c = GetParam();
    auto sample = RampSample(40, {true, false, 5, 5});
    auto voice = MakeVoice(*sample, Frames(c.position), Frames(c.increment));
    voice->Backwards = c.backwards;
    EXPECT_EQ(PrepareRun(*voice, c.limit), c.expected);
    EXPECT_EQ(voice->SamplePosition, Frames(c.position));
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, RunLengthTest,
    ::testing::Values(
        // P + Increment x (limit - 1) == loop end: the last frame would sit on it.
        RunCase{"ForwardLastFrameOnLoopEnd", false, 5.0, 1.25, 5, 4},
        RunCase{"ForwardLastFrameJustBeforeLoopEnd", false, 5.0, 1.25 - 1.0 / 1024, 5, 5},
        RunCase{"ForwardWholeFramesOnLoopEnd", false, 6.0, 1.0, 5, 4},
        // P - Increment x (limit - 1) == loop start: the frame on it is still inside.
        RunCase{"BackwardsLastFrameOnLoopStart", true, 9.0, 1.0, 5, 5},
        RunCase{"BackwardsLastFrameJustBelowLoopStart", true, 9.0, 1.0 + 1.0 / 1024, 5, 4}),
    [](const auto& info) { return std::string(info.param.name); });

// Random runs against counting their positions one by one: forward, a run ends before the
// first position at or past the loop end; backwards, unless its last position reaches the loop
// start exactly, before the first position at or below it.
TEST(RunLengthCountTest, MatchesCountingThePositions) {
    uint64_t seed = 7;
    const auto next = [&seed](uint64_t below) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        return int64_t((seed >> 17) % below);
    };
    for (int32_t trial = 0; trial < 1000; ++trial) {
        const int32_t loopStart = int32_t(next(100)), loopLength = 1 + int32_t(next(3000));
        auto sample = RampSample(loopStart + loopLength + int32_t(next(50)),
                                 {true, false, loopStart, loopLength});
        const int64_t ls = loopStart * Frame, le = ls + loopLength * Frame;
        const int64_t pick = next(4);
        const int64_t inc = pick == 0   ? 1 + next(200)
                            : pick == 1 ? 1 + next(Frame / 16)
                                        : 1 + next(40 * Frame);
        const bool backwards = next(2) == 1;
        const int64_t limit = 1 + next(3000);
        const int64_t m = std::min(limit, std::max<int64_t>(16384 / ((inc >> 32) + 1), 2));
        int64_t p = ls + next(uint64_t(le - ls));
        if (pick == 0) // tiny increments: the boundary a whole number of steps (and one) away
            p = backwards ? ls + 1 + inc * next(uint64_t(m)) : le - 1 - inc * next(uint64_t(m));
        auto voice = MakeVoice(*sample, p, inc);
        voice->Backwards = backwards;
        int64_t expected = 0;
        if (backwards) {
            if (p - inc * (m - 1) >= ls)
                expected = m;
            else
                while (expected < m && p - expected * inc > ls) ++expected;
        } else {
            while (expected < m && p + expected * inc < le) ++expected;
        }
        expected = std::max<int64_t>(expected, 1);
        ASSERT_EQ(PrepareRun(*voice, limit), expected)
            << "trial " << trial << ": p " << p << ", increment " << inc << ", limit " << limit;
        ASSERT_EQ(voice->SamplePosition, p);
    }
}

// A ramp of 7 frames whose steps leave a remainder on both sides: the frames of the ramp use the
// stepped gains, then the running gains land on their targets and the steady gains take over.
TEST(RampLandingTest, UnevenStepsLandExactlyOnTheTargets) {
    auto sample = MakeSample(std::vector<int32_t>(64, 1000), 1, {true, false, 0, 64});
    auto voice = MakeVoice(*sample, 0, Frame);
    const int32_t start[2] = {100 * 4096 + 5, 2000 * 4096};
    const int32_t target[2] = {3000, -1};
    voice->RampVolumeLeft = start[0];
    voice->RampVolumeRight = start[1];
    voice->TargetVolumeLeft = target[0];
    voice->TargetVolumeRight = target[1];
    voice->RampTargetLeft = target[0] * 4096;
    voice->RampTargetRight = target[1] * 4096;
    int32_t step[2];
    for (int32_t side = 0; side < 2; ++side) {
        ASSERT_NE((target[side] * 4096 - start[side]) % 7, 0);
        step[side] = (target[side] * 4096 - start[side]) / 7;
    }
    voice->RampStepLeft = step[0];
    voice->RampStepRight = step[1];
    voice->RampRemaining = 7;
    MixFixture mix(12);
    MixChannel(mix.target, *voice, 0, 12);
    EXPECT_EQ(voice->RampVolumeLeft, target[0] * 4096);
    EXPECT_EQ(voice->RampVolumeRight, target[1] * 4096);
    EXPECT_EQ(voice->RampStepLeft, 0);
    EXPECT_EQ(voice->RampStepRight, 0);
    EXPECT_EQ(voice->RampRemaining, 0);
    for (int32_t f = 0; f < 12; ++f)
        for (int32_t side = 0; side < 2; ++side) {
            const int32_t gain = f < 7 ? (start[side] + (f + 1) * step[side]) / 4096 : target[side];
            EXPECT_EQ(mix.buffer[size_t(f * 2 + side)], 1000 * gain) << f << " " << side;
        }
    // The stepped gains of the ramp's last frame fall short of the targets.
    EXPECT_EQ(mix.buffer[6 * 2], 1000 * 2999);
    EXPECT_EQ(mix.buffer[6 * 2 + 1], 0);
}
} // namespace
