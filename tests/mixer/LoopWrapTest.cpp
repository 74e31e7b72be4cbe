// Runs through short loops: MixChannel lets a kernel wrap through a forward loop inside one
// run, and the result must equal mixing run by run, each run ending at the loop's end and the
// position settled before the next (the frames, the position and direction left after the call,
// the last output and the gains). Ping-pong loops, which MixChannel cuts at every turn, are held
// to the same reference.
#include "MixerTestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace {
using namespace mixertest;

struct WrapCase {
    std::string name;
    int32_t loopStart, loopLength, sampleFrames;
    bool pingPong;
    double increment, position;
    int32_t frames;
    int32_t stereoSample = 0, outWidth = 2, mode = 2;
    bool ramp = false;
    bool silent = false;
};

void PrintTo(const WrapCase& c, std::ostream* os) {
    *os << c.name;
}

// Values that differ from frame to frame and from side to side, so that any frame read from
// the wrong place shows.
std::unique_ptr<TKavoXMSample> Jagged(const WrapCase& c) {
    std::vector<int32_t> values(size_t(c.sampleFrames * (c.stereoSample + 1)));
    for (size_t i = 0; i < values.size(); ++i) values[i] = int32_t((i * 7919) % 65536) - 32768;
    return MakeSample(values, c.stereoSample + 1, {true, c.pingPong, c.loopStart, c.loopLength});
}

std::unique_ptr<TKavoXMChannel> VoiceFor(const WrapCase& c, const TKavoXMSample& sample) {
    auto voice = MakeVoice(sample, Frames(std::abs(c.position)), Frames(c.increment));
    if (c.position < 0) { // starts backwards
        voice->Backwards = true;
        voice->Step = -voice->Increment;
    }
    voice->TargetVolumeLeft = 3000;
    voice->TargetVolumeRight = 1200;
    voice->RampVolumeLeft = 3000 * 4096;
    voice->RampVolumeRight = 1200 * 4096;
    voice->RampTargetLeft = voice->RampVolumeLeft;
    voice->RampTargetRight = voice->RampVolumeRight;
    if (c.silent) { // advanced without a kernel
        voice->TargetVolumeLeft = voice->TargetVolumeRight = 0;
        voice->RampVolumeLeft = voice->RampVolumeRight = 0;
        voice->RampTargetLeft = voice->RampTargetRight = 0;
    }
    if (c.ramp) { // a ramp that outlasts the call, so one kernel serves every run
        voice->RampStepLeft = -7;
        voice->RampStepRight = 11;
        voice->RampRemaining = c.frames + 1;
    }
    return voice;
}

// The voice mixed one run at a time as PrepareRun cuts them, none wrapping inside a kernel.
void MixByRuns(const TKavoXMMixTarget& target, TKavoXMChannel& voice, int32_t count) {
    const TKavoXMKernelChoice choice = SelectKernel(target, voice);
    int32_t* mix = target.MixPos;
    int32_t left = count;
    while (left > 0) {
        const int32_t n = int32_t(PrepareRun(voice, left));
        ASSERT_GT(n, 0);
        ASSERT_EQ(voice.WrapLength, 0);
        voice.Step = voice.Backwards ? -voice.Increment : voice.Increment;
        choice.Kernel(mix, n, voice, choice.Table);
        left -= n;
    }
    if (voice.RampRemaining > 0) voice.RampRemaining -= count;
}

class LoopWrapTest : public ::testing::TestWithParam<WrapCase> {};

TEST_P(LoopWrapTest, EqualsMixingRunByRun) {
    const WrapCase& c = GetParam();
    auto sample = Jagged(c);
    auto wrapped = VoiceFor(c, *sample), byRuns = VoiceFor(c, *sample);
    MixFixture a(c.frames, c.outWidth, c.mode), b(c.frames, c.outWidth, c.mode);
    MixChannel(a.target, *wrapped, 0, c.frames);
    MixByRuns(b.target, *byRuns, c.frames);
    EXPECT_EQ(a.buffer, b.buffer);
    EXPECT_EQ(wrapped->SamplePosition, byRuns->SamplePosition);
    EXPECT_EQ(wrapped->Backwards, byRuns->Backwards);
    EXPECT_EQ(wrapped->LastOutputLeft, byRuns->LastOutputLeft);
    EXPECT_EQ(wrapped->LastOutputRight, byRuns->LastOutputRight);
    EXPECT_EQ(wrapped->RampVolumeLeft, byRuns->RampVolumeLeft);
    EXPECT_EQ(wrapped->RampVolumeRight, byRuns->RampVolumeRight);
    EXPECT_TRUE(wrapped->Active);
}

// Integer increments land exactly on the loop end; an eighth of the loop is the largest
// increment wrapped in the kernel, and one 2^-32 frame more goes run by run. A negative position
// starts backwards.
INSTANTIATE_TEST_SUITE_P(
    ShortLoops, LoopWrapTest,
    ::testing::Values(
        WrapCase{"LoopFromZeroWholeFrames", 0, 16, 20, false, 1.0, 0.0, 203},
        WrapCase{"LoopInTheMiddle", 5, 16, 40, false, 1.25, 6.5, 301},
        WrapCase{"StartBeforeTheLoop", 30, 24, 60, false, 0.75, 2.0, 257},
        WrapCase{"IncrementOfAnEighth", 5, 16, 30, false, 2.0, 20.0, 199},
        WrapCase{"JustOverAnEighth", 5, 16, 30, false, 2.0 + 1.0 / 4294967296.0, 20.0, 199},
        WrapCase{"IncrementOfThreeEighths", 5, 16, 30, false, 6.0, 20.0, 199},
        WrapCase{"ThreeFrameLoop", 3, 3, 9, false, 0.37, 5.9, 250},
        WrapCase{"OneFrameLoop", 4, 1, 6, false, 0.125, 4.0, 77},
        WrapCase{"LastFrameOnTheLoopEnd", 0, 16, 16, false, 1.0, 0.0, 17},
        WrapCase{"StereoSample", 7, 40, 60, false, 1.3, 10.0, 333, 1},
        WrapCase{"MonoOutput", 2, 33, 40, false, 1.1, 3.0, 300, 0, 1},
        WrapCase{"StereoSampleMonoOutput", 2, 33, 40, false, 1.1, 3.0, 300, 1, 1},
        WrapCase{"Ramping", 5, 16, 40, false, 1.25, 6.5, 301, 0, 2, 2, true},
        WrapCase{"RampingStereoSample", 5, 16, 40, false, 1.25, 6.5, 301, 1, 2, 2, true},
        WrapCase{"Linear", 5, 16, 40, false, 1.25, 6.5, 301, 0, 2, 1},
        WrapCase{"Nearest", 5, 16, 40, false, 1.25, 6.5, 301, 0, 2, 0},
        WrapCase{"PingPong", 5, 16, 40, true, 1.25, 6.5, 301},
        WrapCase{"PingPongStartingBackwards", 5, 16, 40, true, 1.25, -19.0, 301},
        WrapCase{"PingPongWholeFramesOnBothEnds", 0, 16, 16, true, 1.0, 0.0, 203},
        WrapCase{"PingPongEndingBeforeTheSampleEnd", 3, 16, 30, true, 1.0, 4.0, 203},
        WrapCase{"PingPongAtAnEighth", 5, 16, 30, true, 2.0, 20.0, 199},
        WrapCase{"PingPongOverAnEighth", 5, 16, 30, true, 6.0, 20.0, 199},
        WrapCase{"PingPongStereoSample", 7, 40, 60, true, 1.3, 10.0, 333, 1},
        WrapCase{"PingPongMonoOutput", 2, 33, 40, true, 1.1, 3.0, 300, 0, 1},
        WrapCase{"PingPongRamping", 5, 16, 40, true, 1.25, 6.5, 301, 0, 2, 2, true},
        WrapCase{"PingPongLinear", 5, 16, 40, true, 1.25, 6.5, 301, 0, 2, 1},
        WrapCase{"PingPongSilent", 5, 16, 40, true, 1.25, 6.5, 301, 0, 2, 2, false, true},
        WrapCase{"Silent", 5, 16, 40, false, 1.25, 6.5, 301, 0, 2, 2, false, true},
        WrapCase{"SilentFromBeforeTheLoop", 30, 24, 60, false, 0.75, 2.0, 257, 0, 2, 2, false,
                 true},
        WrapCase{"SilentLastFrameOnTheLoopEnd", 0, 16, 16, false, 1.0, 0.0, 17, 0, 2, 2, false,
                 true},
        WrapCase{"SilentStillBeforeTheLoopEnd", 30, 24, 60, false, 0.75, 2.0, 20, 0, 2, 2, false,
                 true},
        WrapCase{"SilentOneFrameLoop", 4, 1, 6, false, 0.125, 4.0, 77, 0, 2, 2, false, true}),
    [](const auto& info) { return info.param.name; });
} // namespace
