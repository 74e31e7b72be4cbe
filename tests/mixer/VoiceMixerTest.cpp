// Voice mixing: run lengths and loop settling (PrepareRun), and whole MixChannel calls with
// sample ends, silent voices, ramps and the end of voices that die away.
#include "MixerTestSupport.h"

#include <gtest/gtest.h>
#include <string>

namespace {
using namespace mixertest;

// A constant sample looping over all of its frames.
std::unique_ptr<TKavoXMSample> LoopedConstant(int32_t value, int32_t frames) {
    return MakeSample(std::vector<int32_t>(size_t(frames), value), 1, {true, false, 0, frames});
}

TEST(PrepareRunTest, SampleEndLimitsTheFirstRunThenEndsTheVoice) {
    auto sample = RampSample(100);
    auto voice = MakeVoice(*sample, 0, Frame);
    EXPECT_EQ(PrepareRun(*voice, 150), 100);
    voice->SamplePosition = 100 * Frame;
    EXPECT_EQ(PrepareRun(*voice, 150), 0);
}

TEST(PrepareRunTest, ForwardLoopWrapsByTheOvershoot) {
    auto sample = RampSample(40, {true, false, 10, 10});
    auto voice = MakeVoice(*sample, Frames(19.6), Frames(1.5));
    EXPECT_EQ(PrepareRun(*voice, 10), 1); // the frame at 19.6 is the run's last
    voice->SamplePosition += voice->Increment;
    EXPECT_EQ(voice->SamplePosition, Frames(19.6) + Frames(1.5));
    const int64_t run = PrepareRun(*voice, 10);
    EXPECT_EQ(voice->SamplePosition, Frames(19.6) + Frames(1.5) - 10 * Frame); // 11.1 frames
    EXPECT_FALSE(voice->Backwards);
    EXPECT_EQ(run, 6); // 11.1, 12.6, 14.1, 15.6, 17.1, 18.6
}

struct TurnCase {
    double position;
    bool backwards;
    double expected;
    bool expectedBackwards;
};

class PingPongTest : public ::testing::TestWithParam<TurnCase> {};

TEST_P(PingPongTest, TurnsMirrorTheOvershoot) {
    const TurnCase c = GetParam();
    auto sample = RampSample(40, {true, true, 10, 10});
    auto voice = MakeVoice(*sample, Frames(c.position), Frames(1));
    voice->Backwards = c.backwards;
    EXPECT_GE(PrepareRun(*voice, 4), 1);
    EXPECT_EQ(voice->SamplePosition, Frames(c.expected));
    EXPECT_EQ(voice->Backwards, c.expectedBackwards);
}

INSTANTIATE_TEST_SUITE_P(BothWays, PingPongTest,
                         ::testing::Values(TurnCase{20.5, false, 19.5, true},
                                           TurnCase{9.5, true, 10.5, false},
                                           TurnCase{15.0, true, 15.0, true},
                                           TurnCase{15.0, false, 15.0, false}),
                         [](const auto& info) {
                             const TurnCase& c = info.param;
                             return "At" + std::to_string(int(c.position)) + "_" +
                                    std::to_string(int(c.position * 10) % 10) +
                                    (c.backwards ? "Backwards" : "Forwards");
                         });

TEST(PrepareRunTest, BackwardsWithoutLoopEndsBelowZero) {
    auto sample = RampSample(20);
    auto voice = MakeVoice(*sample, Frames(2.5), Frame);
    voice->Backwards = true;
    EXPECT_EQ(PrepareRun(*voice, 10), 3); // 2.5, 1.5, 0.5
    voice->SamplePosition = Frames(-0.5);
    EXPECT_EQ(PrepareRun(*voice, 10), 0);
}

TEST(PrepareRunTest, HugeIncrementKeepsRunsAtTwoFrames) {
    auto sample = RampSample(100000);
    auto voice = MakeVoice(*sample, 0, 20000 * Frame);
    EXPECT_EQ(PrepareRun(*voice, 100), 2);
}

TEST(PrepareRunTest, RunStopsBeforeTheLoopEnd) {
    auto sample = RampSample(40, {true, false, 5, 5});
    auto voice = MakeVoice(*sample, 0, Frames(1.5));
    EXPECT_EQ(PrepareRun(*voice, 100), 7); // 0, 1.5, 3, 4.5, 6, 7.5, 9
    MixFixture mix(7);
    MixChannel(mix.target, *voice, 0, 7);
    EXPECT_EQ(voice->SamplePosition, Frames(10.5));
}

TEST(PrepareRunTest, LoopOutsideTheSampleIsCutToIt) {
    auto sample = RampSample(100, {true, false, 90, 50});
    auto voice = MakeVoice(*sample, Frames(95), Frames(3));
    EXPECT_EQ(PrepareRun(*voice, 100), 2); // 95, 98: the loop ends at the sample end
    voice->SamplePosition = Frames(101);
    EXPECT_EQ(PrepareRun(*voice, 100), 3);
    EXPECT_EQ(voice->SamplePosition, Frames(91));
}

TEST(PrepareRunTest, VoiceWithoutMotionOrDataHasEnded) {
    auto sample = RampSample(10);
    auto voice = MakeVoice(*sample, 0, 0);
    EXPECT_EQ(PrepareRun(*voice, 5), 0);
    TKavoXMSample empty;
    voice->Sample = &empty;
    voice->Increment = Frame;
    EXPECT_EQ(PrepareRun(*voice, 5), 0);
}

TEST(MixChannelTest, SampleEndHandsTheLastOutputToClickRemoval) {
    auto sample = RampSample(100);
    auto voice = MakeVoice(*sample, 0, Frame, nullptr);
    MixFixture mix(150);
    MixChannel(mix.target, *voice, 0, 150);
    for (int32_t f = 0; f < 100; ++f) ASSERT_EQ(mix.buffer[size_t(f * 2)], f * 100 * 4096) << f;
    for (int32_t f = 100; f < 150; ++f) ASSERT_EQ(mix.buffer[size_t(f * 2 + 1)], 0) << f;
    EXPECT_FALSE(voice->Active);
    EXPECT_EQ(mix.module.ClickRemovalLeft, 99 * 100 * 4096);
    EXPECT_EQ(mix.module.ClickRemovalRight, 99 * 100 * 4096);
    EXPECT_EQ(voice->LastOutputLeft, 0);
    EXPECT_EQ(voice->LastOutputRight, 0);
}

TEST(MixChannelTest, LastOutputIsTheVoiceOwnContribution) {
    auto sample = LoopedConstant(1000, 64);
    auto voice = MakeVoice(*sample, 0, Frame);
    voice->TargetVolumeRight = 2048;
    voice->RampVolumeRight = voice->RampTargetRight = 2048 * 4096;
    MixFixture mix(10);
    std::fill(mix.buffer.begin(), mix.buffer.end(), 77);
    MixChannel(mix.target, *voice, 2, 8);
    EXPECT_EQ(mix.buffer[0], 77);
    EXPECT_EQ(mix.buffer[4], 77 + 1000 * 4096);
    EXPECT_EQ(voice->LastOutputLeft, 1000 * 4096);
    EXPECT_EQ(voice->LastOutputRight, 1000 * 2048);
}

TEST(MixChannelTest, SilentVoiceAdvancesAndWrapsWithoutMixing) {
    auto sample = RampSample(40, {true, false, 10, 10});
    auto voice = MakeVoice(*sample, 0, Frame);
    voice->RampVolumeLeft = voice->RampVolumeRight = 0;
    voice->LastOutputLeft = 5;
    MixFixture mix(30);
    MixChannel(mix.target, *voice, 0, 30);
    EXPECT_TRUE(voice->Active);
    EXPECT_EQ(voice->SamplePosition, 20 * Frame); // 0..19, then 10..19 after the wrap
    EXPECT_EQ(voice->LastOutputLeft, 0);
    for (int32_t v : mix.buffer) ASSERT_EQ(v, 0);
}

TEST(MixChannelTest, RampSplitAcrossTwoCallsLandsOnItsTarget) {
    auto sample = LoopedConstant(1000, 64);
    auto voice = MakeVoice(*sample, 0, Frame);
    voice->RampVolumeLeft = voice->RampVolumeRight = 0;
    voice->RampStepLeft = voice->RampStepRight = 4096 * 4096 / 128;
    voice->RampRemaining = 128;
    MixFixture first(100), second(200);
    MixChannel(first.target, *voice, 0, 100);
    EXPECT_EQ(voice->RampRemaining, 28);
    EXPECT_EQ(voice->RampVolumeLeft, 100 * (4096 * 4096 / 128));
    EXPECT_EQ(first.buffer[0], 1000 * 32);
    EXPECT_EQ(first.buffer[99 * 2], 1000 * 100 * 32);
    MixChannel(second.target, *voice, 0, 200);
    EXPECT_EQ(voice->RampRemaining, 0);
    EXPECT_EQ(voice->RampStepLeft, 0);
    EXPECT_EQ(voice->RampVolumeLeft, 4096 * 4096);
    for (int32_t j = 0; j < 200; ++j) {
        const int32_t gain = j < 28 ? (101 + j) * 32 : 4096;
        ASSERT_EQ(second.buffer[size_t(j * 2)], 1000 * gain) << j;
        ASSERT_EQ(second.buffer[size_t(j * 2 + 1)], 1000 * gain) << j;
    }
}

// A ramp down to silence over 8 frames, then 12 more frames.
void RampToSilence(TKavoXMChannel& voice) {
    voice.RampVolumeLeft = voice.RampVolumeRight = 10 * 4096;
    voice.RampTargetLeft = voice.RampTargetRight = 0;
    voice.TargetVolumeLeft = voice.TargetVolumeRight = 0;
    voice.RampStepLeft = voice.RampStepRight = -(10 * 4096) / 8;
    voice.RampRemaining = 8;
}

TEST(MixChannelTest, ZeroVolumeKeepsANormalVoiceButStopsABackgroundOne) {
    auto sample = LoopedConstant(1000, 64);
    for (bool background : {false, true}) {
        SCOPED_TRACE(background);
        auto voice = MakeVoice(*sample, 0, Frame);
        voice->Background = background;
        RampToSilence(*voice);
        MixFixture mix(20);
        MixChannel(mix.target, *voice, 0, 20);
        EXPECT_EQ(voice->Active, !background);
        EXPECT_EQ(mix.buffer[7 * 2], 0);        // the ramp's last frame is already silent
        EXPECT_EQ(mix.buffer[6 * 2], 1000 * 1); // gain (40960 - 7 x 5120) / 4096 = 1
        for (int32_t f = 8; f < 20; ++f) ASSERT_EQ(mix.buffer[size_t(f * 2)], 0) << f;
        EXPECT_EQ(mix.module.ClickRemovalLeft, 0);
    }
}

// A finished fade-out stops a voice that has ramped to silence. One whose volume envelope has
// died, or that waits at 0 for its envelope to rise or leave the sustain, runs on silently: an
// instrument number that restarts the envelope finds the sample where it has played to.
TEST(MixChannelTest, OnlyAFinishedFadeOutStopsASilentVoice) {
    auto sample = LoopedConstant(1000, 64);
    TKavoXMEnvelope envelope;
    envelope.Enabled = true;
    envelope.NumPoints = 2;
    envelope.Points[1].Position = 10;
    auto died = MakeVoice(*sample, 0, Frame);
    RampToSilence(*died);
    died->VolumeEnvelopeHandler.Envelope = &envelope;
    died->VolumeEnvelopeHandler.CurrentPoint = 1; // at rest on the last point
    died->EnvelopeVolume = 0;
    // At 0 on its first point the envelope is still to rise: the voice stays.
    auto rising = MakeVoice(*sample, 0, Frame);
    RampToSilence(*rising);
    rising->VolumeEnvelopeHandler.Envelope = &envelope;
    rising->EnvelopeVolume = 0;
    auto faded = MakeVoice(*sample, 0, Frame);
    RampToSilence(*faded);
    faded->FadeOutVolume = 0;
    auto sustained = MakeVoice(*sample, 0, Frame);
    RampToSilence(*sustained);
    TKavoXMEnvelope held = envelope;
    held.SustainEnabled = true;
    held.SustainPoint = 1;
    sustained->VolumeEnvelopeHandler.Envelope = &held;
    sustained->VolumeEnvelopeHandler.CurrentPoint = 1;
    sustained->EnvelopeVolume = 0;
    MixFixture mix(20);
    MixChannel(mix.target, *died, 0, 20);
    MixChannel(mix.target, *faded, 0, 20);
    MixChannel(mix.target, *sustained, 0, 20);
    MixChannel(mix.target, *rising, 0, 20);
    EXPECT_TRUE(died->Active);
    EXPECT_EQ(died->SamplePosition, 20 * Frame);
    EXPECT_FALSE(faded->Active);
    EXPECT_TRUE(sustained->Active);
    EXPECT_TRUE(rising->Active);
}

TEST(MixChannelTest, ZeroOrNegativeIncrementEndsTheVoiceQuietly) {
    auto sample = RampSample(10);
    for (int64_t increment : {int64_t(0), -Frame}) {
        auto voice = MakeVoice(*sample, Frame, increment);
        voice->LastOutputLeft = 123;
        MixFixture mix(4);
        MixChannel(mix.target, *voice, 0, 4);
        EXPECT_FALSE(voice->Active);
        EXPECT_EQ(mix.module.ClickRemovalLeft, 0);
        for (int32_t v : mix.buffer) ASSERT_EQ(v, 0);
    }
}

TEST(MixChannelTest, MonoOutputUsesTheLeftGainOnly) {
    auto sample = LoopedConstant(1000, 64);
    auto voice = MakeVoice(*sample, 0, Frame);
    voice->TargetVolumeRight = 0;
    voice->RampVolumeRight = voice->RampTargetRight = 0;
    MixFixture mix(10, 1);
    MixChannel(mix.target, *voice, 3, 7);
    EXPECT_EQ(mix.buffer[2], 0);
    for (int32_t f = 3; f < 10; ++f) ASSERT_EQ(mix.buffer[size_t(f)], 1000 * 4096) << f;
    EXPECT_EQ(voice->LastOutputLeft, 1000 * 4096);
    EXPECT_EQ(voice->LastOutputRight, 0);
}

TEST(MixChannelTest, KernelChoiceFollowsModeLayoutRampAndSplit) {
    MixFixture stereoOut(1), monoOut(1, 1, 7);
    auto sample = MakeSample({1, 2, 3, 4}, 2);
    auto voice = MakeVoice(*sample, 0, Frame);
    TKavoXMKernelChoice choice = SelectKernel(stereoOut.target, *voice);
    EXPECT_EQ(choice.Kernel, KernelTable[size_t(KernelIndex(2, 1, 0, 0, 0))]);
    voice->RampStepRight = 1;
    UpdateKernel(stereoOut.target, *voice, choice);
    EXPECT_EQ(choice.Kernel, KernelTable[size_t(KernelIndex(2, 1, 1, 0, 1))]);
    choice = SelectKernel(monoOut.target, *voice); // mode 7 counts as spline
    EXPECT_EQ(choice.Kernel, MonoKernelTable[size_t(KernelIndex(2, 1, 1, 0, 0))]);
    voice->VariantEnabled = true;
    voice->VariantMode = 1;
    EXPECT_EQ(SelectKernel(stereoOut.target, *voice).Variant, 2);
}
} // namespace

namespace {
TEST(MixChannelTest, StepWithoutRampFramesLandsOnTheTarget) {
    auto sample = MakeSample(std::vector<int32_t>(64, 1000), 1, {true, false, 0, 64});
    auto voice = MakeVoice(*sample, 0, Frame);
    voice->RampVolumeLeft = voice->RampVolumeRight = 0;
    voice->RampStepLeft = voice->RampStepRight = 4096 * 64;
    voice->RampRemaining = 0;
    MixFixture mix(10);
    MixChannel(mix.target, *voice, 0, 10);
    EXPECT_EQ(voice->RampStepLeft, 0);
    EXPECT_EQ(voice->RampVolumeLeft, 4096 * 4096);
    EXPECT_EQ(mix.buffer[18], 1000 * 4096);
}
} // namespace

namespace {
TEST(PrepareRunTest, NegativeLengthEndsTheVoice) {
    auto sample = RampSample(10, {true, false, 2, 4});
    sample->Length = -5; // a length the loader can leave negative
    auto voice = MakeVoice(*sample, 0, Frame);
    EXPECT_EQ(PrepareRun(*voice, 10), 0);
    sample->Length = 10;
}
} // namespace

namespace {
// A ramp whose step truncates to 0 still lands on its target at its end, on either side.
TEST(MixChannelTest, StandingRampShortOfItsTargetStillLandsOnIt) {
    for (const bool left : {true, false}) {
        auto sample = LoopedConstant(1000, 64);
        auto voice = MakeVoice(*sample, 0, Frame);
        voice->TargetVolumeLeft = voice->TargetVolumeRight = 100;
        voice->RampVolumeLeft = voice->RampVolumeRight = 100 * 4096;
        voice->RampTargetLeft = voice->RampTargetRight = 100 * 4096;
        (left ? voice->RampTargetLeft : voice->RampTargetRight) += 4;
        voice->RampRemaining = 8;
        MixFixture mix(20);
        MixChannel(mix.target, *voice, 0, 20);
        EXPECT_EQ(voice->RampVolumeLeft, voice->RampTargetLeft) << left;
        EXPECT_EQ(voice->RampVolumeRight, voice->RampTargetRight) << left;
        EXPECT_EQ(voice->RampRemaining, 0);
        for (int32_t v : mix.buffer) ASSERT_EQ(v, 1000 * 100);
    }
}
} // namespace

namespace {
// A step longer than the loop leaves the position past the loop end after one settling: the
// run is that one frame; the next settling lands at the sample end, and the voice has ended.
TEST(PrepareRunTest, StepLongerThanTheLoopGivesAOneFrameRun) {
    auto sample = RampSample(40, {true, false, 10, 10});
    auto voice = MakeVoice(*sample, 35 * Frame, 25 * Frame);
    EXPECT_EQ(PrepareRun(*voice, 10), 1);
    EXPECT_EQ(voice->SamplePosition, 25 * Frame);
    voice->SamplePosition += voice->Increment;
    EXPECT_EQ(PrepareRun(*voice, 10), 0);
}
} // namespace
