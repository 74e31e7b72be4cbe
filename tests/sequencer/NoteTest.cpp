// Row processing of a channel: notes, instruments, key-off, note delay, tone-portamento notes
// and the hand-over of cut voices to the background bank.
#include "SongBuilder.h"

#include <climits>
#include <gtest/gtest.h>
#include <string>

using namespace seqtest;

namespace {

constexpr int32_t KeyOff = 97;
constexpr int64_t Frame = int64_t(1) << 32;

class Notes : public testing::Test {
  protected:
    Notes() : song(2, 1) {
        TKavoXMSample& sample = song.Instrument(1);
        sample.Volume = 50;
        sample.Panning = 200;
        song.Pattern(0, 8);
        song.Orders({0});
    }

    TKavoXMChannel& BackgroundVoice() { return *song.module->BackgroundChannels[0]; }

    SongBuilder song;
    TKavoXMChannel& channel = song.Channel(0);
};

TEST_F(Notes, MiddleCStartsAtPeriod4608) {
    song.Cell(0, 0, 0, NoteOn(49, 1));
    song.Start();
    song.module->ProcessTick();
    EXPECT_TRUE(channel.Active);
    EXPECT_EQ(channel.RealNote, 48);
    EXPECT_EQ(channel.Period, 4608);
    EXPECT_EQ(channel.TargetPeriod, 0); // only a tone-portamento note sets the target
    EXPECT_EQ(channel.Volume, 50);
    EXPECT_EQ(channel.Panning, 200);
    EXPECT_EQ(channel.Frequency, 8363);
}

TEST_F(Notes, RelativeNoteAndAmigaPeriods) {
    song.Instrument(2, 12);
    song.Cell(0, 0, 0, NoteOn(49, 2));
    song.module->LinearFrequencies = false;
    song.Start();
    song.module->ProcessTick();
    EXPECT_EQ(channel.RealNote, 60);
    EXPECT_EQ(channel.Period, 856);
}

TEST_F(Notes, EmptyInstrumentSlotSilencesWithoutHandOver) {
    song.Cell(0, 0, 0, NoteOn(49, 1));
    song.Cell(0, 1, 0, NoteOn(49, 2));
    song.Start();
    song.module->ProcessTick();
    channel.LastOutputLeft = 300; // as the mixer leaves them
    channel.LastOutputRight = -200;
    song.module->ProcessTick();
    EXPECT_EQ(channel.Instrument, nullptr);
    EXPECT_FALSE(channel.Active);
    EXPECT_FALSE(BackgroundVoice().Active);
    // The cut voice's last output goes to click removal instead.
    EXPECT_EQ(song.module->ClickRemovalLeft, 300);
    EXPECT_EQ(song.module->ClickRemovalRight, -200);
}

TEST_F(Notes, InstrumentOnlyRowRestartsTheInstrumentOnTheRunningSample) {
    song.Cell(0, 0, 0, NoteOn(49, 1));
    song.Cell(0, 1, 0, NoteOn(0, 1));
    song.Start();
    song.module->ProcessTick();
    channel.SamplePosition = 40 * Frame;
    channel.Volume = 10;
    channel.RampVolumeLeft = 900 * 4096;
    channel.LastOutputLeft = 50;
    channel.VolumeEnvelopeHandler.KeyOn = false;
    song.module->ProcessTick();
    // The old state fades out in the background ...
    EXPECT_TRUE(BackgroundVoice().Active);
    EXPECT_EQ(BackgroundVoice().FadeOutVolume, 0);
    EXPECT_EQ(BackgroundVoice().SamplePosition, 40 * Frame);
    EXPECT_EQ(BackgroundVoice().LastOutputLeft, 50);
    EXPECT_EQ(BackgroundVoice().FinalVolume, 0);
    // ... while the channel goes on from the same place with default volume, restarted
    // envelopes, and gains that fade in from silence.
    EXPECT_TRUE(channel.Active);
    EXPECT_EQ(channel.SamplePosition, 40 * Frame);
    EXPECT_EQ(channel.Volume, 50);
    EXPECT_TRUE(channel.VolumeEnvelopeHandler.KeyOn);
    EXPECT_EQ(channel.RampVolumeLeft, 0);
    EXPECT_EQ(channel.LastOutputLeft, 0);
    EXPECT_EQ(song.module->ClickRemovalLeft, 0);
}

TEST_F(Notes, NoteAfterKeyOffStaysReleased) {
    song.Cell(0, 0, 0, NoteOn(49, 1));
    song.Cell(0, 1, 0, NoteOn(KeyOff, 0));
    song.Cell(0, 2, 0, NoteOn(53, 0));
    song.Start();
    song.module->ProcessTick();
    song.module->ProcessTick();
    EXPECT_TRUE(channel.KeyOff);
    channel.FadeOutVolume = 30000;
    song.module->ProcessTick();
    EXPECT_TRUE(channel.Active);
    EXPECT_EQ(channel.Period, 4608 - 4 * 64);
    EXPECT_TRUE(channel.KeyOff);
    EXPECT_FALSE(channel.VolumeEnvelopeHandler.KeyOn);
    EXPECT_FALSE(channel.PanningEnvelopeHandler.KeyOn);
    EXPECT_EQ(channel.FadeOutVolume, 30000);
}

TEST_F(Notes, TonePortamentoNoteOnlyRetargets) {
    song.Cell(0, 0, 0, NoteOn(49, 1));
    song.Cell(0, 1, 0, NoteOn(53, 0, 3, 0));
    song.Start();
    song.module->ProcessTick();
    channel.SamplePosition = 7 * Frame;
    song.module->ProcessTick();
    EXPECT_FALSE(BackgroundVoice().Active);
    EXPECT_EQ(channel.Period, 4608);
    EXPECT_EQ(channel.TargetPeriod, 4608 - 4 * 64);
    EXPECT_EQ(channel.RealNote, 52);
    EXPECT_EQ(channel.SamplePosition, 7 * Frame);
}

struct DelayCase {
    int32_t delay;
    std::vector<bool> activeByTick; // ticks 0..5 of the row at speed 6
};

class NoteDelay : public testing::TestWithParam<DelayCase> {};

TEST_P(NoteDelay, FiresOnItsTickOrNever) {
    SongBuilder song(1, 6);
    song.Instrument(1);
    song.Pattern(0, 2);
    song.Cell(0, 0, 0, NoteOn(49, 1, EffectE, 0xD0 | GetParam().delay));
    song.Orders({0});
    song.Start();
    std::vector<bool> active;
    for (int32_t tick = 0; tick < 6; ++tick) {
        song.module->ProcessTick();
        active.push_back(song.Channel(0).Active);
    }
    EXPECT_EQ(active, GetParam().activeByTick);
}

INSTANTIATE_TEST_SUITE_P(Notes, NoteDelay,
                         testing::Values(DelayCase{0, {1, 1, 1, 1, 1, 1}},
                                         DelayCase{3, {0, 0, 0, 1, 1, 1}},
                                         DelayCase{7, {0, 0, 0, 0, 0, 0}}),
                         [](const auto& info) {
                             return "Delay" + std::to_string(info.param.delay);
                         });

TEST_F(Notes, NewNoteHandsTheOldVoiceToTheBackground) {
    song.Cell(0, 0, 0, NoteOn(49, 1));
    song.Cell(0, 1, 0, NoteOn(61, 1));
    song.Start();
    song.module->ProcessTick();
    channel.SamplePosition = 20 * Frame;
    song.module->ProcessTick();
    EXPECT_TRUE(BackgroundVoice().Active);
    EXPECT_EQ(BackgroundVoice().Period, 4608);
    EXPECT_EQ(BackgroundVoice().SamplePosition, 20 * Frame);
    EXPECT_EQ(BackgroundVoice().RampTargetLeft, 0);
    EXPECT_EQ(BackgroundVoice().RampRemaining, song.module->BackgroundRampLength);
    EXPECT_EQ(channel.Period, 4608 - 12 * 64);
    EXPECT_EQ(channel.SamplePosition, 0);
    // Ticks and the mixer visit the background channels that have taken over a voice.
    EXPECT_EQ(song.module->BackgroundInUse, 1);
    song.module->ResetPlayback();
    EXPECT_EQ(song.module->BackgroundInUse, 0);
}

TEST_F(Notes, FullBackgroundBankReplacesTheQuietestVoice) {
    song.Start();
    for (auto& voice : song.module->BackgroundChannels) {
        voice->Active = true;
        voice->FinalVolume = 100;
    }
    TKavoXMChannel& quietest = *song.module->BackgroundChannels[100];
    quietest.FinalVolume = 5;
    quietest.LastOutputLeft = 7;
    quietest.LastOutputRight = 9;
    song.module->BackgroundChannels[200]->FinalVolume = 5; // a tie goes to the lower index
    song.module->ClickRemovalLeft = INT32_MAX;             // the sum wraps
    channel.Active = true;
    channel.Instrument = song.module->Instruments[1].get();
    channel.Period = 1234;
    channel.TriggerNote(NoteOn(49, 1));
    EXPECT_EQ(quietest.Period, 1234);
    EXPECT_EQ(quietest.FadeOutVolume, 0);
    EXPECT_TRUE(quietest.Background);
    EXPECT_TRUE(quietest.Passive);
    EXPECT_EQ(song.module->ClickRemovalLeft, INT32_MIN + 6);
    EXPECT_EQ(song.module->ClickRemovalRight, 9);
    EXPECT_EQ(song.module->BackgroundChannels[200]->FadeOutVolume, 65536);
    EXPECT_EQ(song.module->BackgroundInUse, 101);
}

TEST_F(Notes, PassiveChannelsNeverStartNotes) {
    song.Start();
    TKavoXMChannel& reserve = *song.module->ReserveChannels[0];
    reserve.TriggerNote(NoteOn(49, 1));
    EXPECT_FALSE(reserve.Active);
    EXPECT_EQ(reserve.Instrument, nullptr);
}

} // namespace
