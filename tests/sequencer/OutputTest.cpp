// Output values of a channel: clamps, final volume and panning, output gains, the volume ramp.
#include "SongBuilder.h"

#include "KavoXM/sequencer/Pitch.h"

#include <gtest/gtest.h>
#include <string>

using namespace seqtest;

namespace {

class Output : public testing::Test {
  protected:
    Output() : song(1) {
        song.Instrument(1);
        channel.Instrument = song.module->Instruments[1].get();
        channel.Active = true;
        channel.Volume = 64;
        channel.Period = 4608;
        song.module->GlobalVolume = 64;
        song.module->MasterVolume = 230;
    }

    SongBuilder song;
    TKavoXMChannel& channel = song.Channel(0);
};

TEST_F(Output, FullVolumeAtMaster230AndCentrePanning) {
    channel.Panning = 128;
    channel.UpdateOutput();
    EXPECT_EQ(channel.FinalVolume, 3680);
    EXPECT_EQ(channel.FinalPanning, 128);
    EXPECT_EQ(channel.TargetVolumeLeft, 1825);
    EXPECT_EQ(channel.TargetVolumeRight, 1840);
}

// A panning envelope value beyond 0..64 moves the panning no further than to the edge: the
// final panning stays within 0..256 and the gains cannot overflow, whatever the value.
TEST_F(Output, PanningEnvelopeBeyondItsRangeStopsAtTheEdge) {
    struct Case {
        int32_t panning, envelope, finalPanning;
    };
    const Case cases[] = {{128, 96, 256}, {200, 255, 256}, {128, 30000, 256},
                          {64, 96, 128},  {128, -40, 0},   {128, -30000, 0}};
    TKavoXMEnvelope& env = *song.module->Instruments[1]->PanningEnvelope;
    env.Enabled = true;
    env.NumPoints = 1;
    channel.PanningEnvelopeHandler.Envelope = &env;
    for (const Case& c : cases) {
        env.Points[0] = {0, c.envelope};
        channel.PanningEnvelopeHandler.SetPosition(0);
        channel.Panning = c.panning;
        channel.UpdateOutput();
        EXPECT_EQ(channel.FinalPanning, c.finalPanning) << c.envelope;
        EXPECT_EQ(channel.TargetVolumeRight, 3680 * c.finalPanning / 256) << c.envelope;
        EXPECT_EQ(channel.TargetVolumeLeft, 3680 * (255 - c.finalPanning) / 256) << c.envelope;
    }
}

TEST_F(Output, Master256GivesFullScale) {
    song.module->MasterVolume = 256;
    channel.UpdateOutput();
    EXPECT_EQ(channel.FinalVolume, 4096);
}

TEST_F(Output, ClampsAreStoredBack) {
    channel.Volume = 80;
    channel.Panning = 300;
    channel.Period = 60000;
    song.module->GlobalVolume = -5;
    song.module->MasterVolume = 400;
    channel.UpdateOutput();
    EXPECT_EQ(channel.Volume, 64);
    EXPECT_EQ(channel.Panning, 255);
    EXPECT_EQ(channel.Period, MaxPeriod);
    EXPECT_EQ(song.module->GlobalVolume, 0);
    EXPECT_EQ(song.module->MasterVolume, 256);
    EXPECT_EQ(channel.FinalVolume, 0);
    channel.Period = 3;
    channel.UpdateOutput();
    EXPECT_EQ(channel.Period, MinPeriod);
}

TEST_F(Output, VolumeDeltaIsClampedWithoutTouchingTheVolume) {
    channel.Volume = 40;
    channel.VolumeDelta = -50;
    channel.UpdateOutput();
    EXPECT_EQ(channel.FinalVolume, 0);
    EXPECT_EQ(channel.Volume, 40);
}

TEST_F(Output, SurroundInvertsTheRightSide) {
    channel.Surround = true;
    channel.UpdateOutput();
    EXPECT_EQ(channel.TargetVolumeLeft, 3680);
    EXPECT_EQ(channel.TargetVolumeRight, -3680);
    EXPECT_EQ(channel.RampTargetRight, -3680 * 4096);
}

TEST_F(Output, HardPanningSendsEverythingToOneSide) {
    song.module->MasterVolume = 256;
    channel.Panning = 0;
    channel.UpdateOutput();
    EXPECT_EQ(channel.TargetVolumeLeft, (4096 * 255) / 256);
    EXPECT_EQ(channel.TargetVolumeRight, 0);
}

TEST_F(Output, ChannelWithoutInstrumentFallsSilent) {
    channel.Instrument = nullptr;
    channel.Sample = song.module->Instruments[1]->Samples[0].get();
    channel.UpdateOutput();
    EXPECT_FALSE(channel.Active);
}

TEST_F(Output, InactiveVoiceKeepsItsOutputs) {
    channel.UpdateOutput();
    channel.Active = false;
    channel.Volume = 0;
    channel.UpdateOutput();
    EXPECT_EQ(channel.FinalVolume, 3680);
}

TEST_F(Output, ZeroSampleRateGivesZeroIncrement) {
    song.module->SampleRate = 0;
    channel.UpdateOutput();
    EXPECT_EQ(channel.Increment, 0);
}

struct RampCase {
    int32_t rampLength, backgroundRampLength, tickLength;
    bool background;
    int32_t expectedFrames;
};

class Ramp : public testing::TestWithParam<RampCase> {};

TEST_P(Ramp, RunsOverTheRampLengthOrTheTickIfShorter) {
    const RampCase& c = GetParam();
    SongBuilder song(1);
    song.Instrument(1);
    song.module->RampLength = c.rampLength;
    song.module->BackgroundRampLength = c.backgroundRampLength;
    song.module->TickLength = c.tickLength;
    song.module->MasterVolume = 256;
    TKavoXMChannel& channel = c.background ? *song.module->BackgroundChannels[0] : song.Channel(0);
    channel.Instrument = song.module->Instruments[1].get();
    channel.Active = true;
    channel.Volume = 64;
    channel.Period = 4608;
    channel.RampVolumeLeft = 1000 * 4096;
    channel.UpdateOutput();
    EXPECT_EQ(channel.RampRemaining, c.expectedFrames);
    EXPECT_EQ(channel.RampTargetLeft, channel.TargetVolumeLeft * 4096);
    EXPECT_EQ(channel.RampStepLeft, (channel.RampTargetLeft - 1000 * 4096) / c.expectedFrames);
    EXPECT_EQ(channel.RampStepRight, channel.RampTargetRight / c.expectedFrames);
}

std::string RampName(const testing::TestParamInfo<RampCase>& info) {
    static const char* const names[] = {"FullRate", "HalfRate", "ShortTick", "Background"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(Output, Ramp,
                         testing::Values(RampCase{128, 128, 882, false, 128}, // 44100 Hz
                                         RampCase{64, 64, 441, false, 64},    // 22050 Hz
                                         RampCase{128, 128, 50, false, 50},   // short tick
                                         RampCase{128, 32, 882, true, 32}),   // background
                         RampName);

TEST(OutputRamp, NoRampLengthLeavesTheWholeStep) {
    SongBuilder song(1);
    song.Instrument(1);
    song.module->TickLength = 0;
    TKavoXMChannel& channel = song.Channel(0);
    channel.Instrument = song.module->Instruments[1].get();
    channel.Active = true;
    channel.Volume = 64;
    channel.UpdateOutput();
    EXPECT_EQ(channel.RampRemaining, 0);
    EXPECT_EQ(channel.RampStepLeft, channel.RampTargetLeft);
}

} // namespace
