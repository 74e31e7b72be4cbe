// Rules of a row's note, instrument and effect cells that real songs depend on: what brings a
// released note back, which cells start nothing, cuts on the row tick and the sample offset's
// memory. Each song is built as an XM image and traced tick by tick.
#include "SongTrace.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace songtrace;

constexpr int32_t Speed = 6;
constexpr int32_t Full = FinalVolume(65536, 64, 64, SampleVolume, DefaultMaster);

// On an instrument without a volume envelope a key-off silences the note: a later volume-column
// volume on the same note brings it back, whatever released it, and so does a note with a
// volume (in the volume column or as Cxx). Cxx or a slide alone, or a note alone, leave it
// silent.
struct RecallCase {
    const char* name;
    xmbuilder::XMCell release; // on row 1
    int32_t releaseTick;       // tick of row 1 that silences
    xmbuilder::XMCell recall;  // on row 2
    bool sounds = true;        // row 2 sounds at volume 0x20
};

class VolumeAfterKeyOff : public testing::TestWithParam<RecallCase> {};

TEST_P(VolumeAfterKeyOff, BringsTheNoteBackOnlyWithAVolume) {
    const RecallCase& c = GetParam();
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0)).Put(1, 0, c.release).Put(2, 0, c.recall);
    const Trace trace = song.Play(3 * Speed);
    std::vector<int32_t> expected;
    for (int32_t t = 0; t < 3 * Speed; ++t) {
        if (t >= 2 * Speed)
            expected.push_back(c.sounds ? FinalVolume(65536, 64, 64, 0x20, DefaultMaster) : 0);
        else
            expected.push_back(t >= Speed + c.releaseTick ? 0 : Full);
    }
    EXPECT_EQ(Column(trace, &ChannelTick::FinalVolume), expected);
}

INSTANTIATE_TEST_SUITE_P(
    RowRulesSong, VolumeAfterKeyOff,
    testing::Values(
        RecallCase{"KeyOffThenVolumeColumn", Cell(KeyOffNote, 0, 0, 0, 0), 0,
                   Cell(0, 0, 0x30, 0, 0)},
        RecallCase{"K03ThenVolumeColumn", Effect(Fx('K'), 3), 3, Cell(0, 0, 0x30, 0, 0)},
        RecallCase{"KeyOffThenNoteWithVolume", Cell(KeyOffNote, 0, 0, 0, 0), 0,
                   Cell(NoteC4 + 2, 0, 0x30, 0, 0)},
        RecallCase{"KeyOffThenNoteWithC20", Cell(KeyOffNote, 0, 0, 0, 0), 0,
                   Cell(NoteC4 + 2, 0, 0, Fx('C'), 0x20)},
        RecallCase{"KeyOffThenC20", Cell(KeyOffNote, 0, 0, 0, 0), 0, Effect(Fx('C'), 0x20), false},
        RecallCase{"K00ThenC20", Effect(Fx('K'), 0), 0, Effect(Fx('C'), 0x20), false},
        RecallCase{"KeyOffThenFineVolumeUp", Cell(KeyOffNote, 0, 0, 0, 0), 0, Effect(Fx('E'), 0xAF),
                   false},
        RecallCase{"KeyOffThenVolumeColumnSlideUp", Cell(KeyOffNote, 0, 0, 0, 0), 0,
                   Cell(0, 0, 0x7F, 0, 0), false},
        RecallCase{"KeyOffThenNote", Cell(KeyOffNote, 0, 0, 0, 0), 0, Cell(NoteC4, 0, 0, 0, 0),
                   false}),
    [](const auto& info) { return std::string(info.param.name); });

// K00 releases before the row's volume column: a volume there keeps the note sounding.
TEST(RowRulesSong, K00WithAVolumeColumnVolumeKeepsSounding) {
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0)).Put(1, 0, Effect(Fx('K'), 0, 0x30));
    const Trace trace = song.Play(2 * Speed);
    for (int32_t t = Speed; t < 2 * Speed; ++t) EXPECT_EQ(trace[size_t(t)].Volume, 0x20) << t;
    EXPECT_TRUE(song.module->PatternChannels[0]->KeyOff);
}

// K00 on a row with a note and an instrument is a key-off with that instrument: the old note
// goes on at the instrument's volume, neither restarted nor moved to the new pitch.
TEST(RowRulesSong, K00TurnsTheRowsNoteIntoAKeyOff) {
    constexpr int32_t Marked = 1000;
    SongImage song;
    song.MarkFrame = Marked;
    song.Put(0, 0, Cell(NoteC4, 1, 0x20, 0, 0)).Put(1, 0, Cell(NoteC4 + 5, 1, 0, Fx('K'), 0));
    const Trace trace = song.Play(2 * Speed);
    ASSERT_EQ(trace.size(), size_t(2 * Speed));
    for (int32_t t = Speed; t < 2 * Speed; ++t) {
        const ChannelTick& tick = trace[size_t(t)];
        EXPECT_EQ(tick.Period, PeriodC4) << "tick " << t;
        EXPECT_EQ(tick.Frame, Marked) << "tick " << t;
        EXPECT_EQ(tick.FinalVolume, Full) << "tick " << t;
    }
    EXPECT_TRUE(song.module->PatternChannels[0]->KeyOff);
}

// A key-off with an instrument number (a key-off note, or K00) releases the note and resets its
// volume, but the volume envelope runs on where it was instead of starting again.
class KeyOffWithInstrumentNumber : public testing::TestWithParam<RecallCase> {};

TEST_P(KeyOffWithInstrumentNumber, LeavesTheEnvelopeRunning) {
    SongImage song;
    xmbuilder::XMInstrument& instrument = song.Instrument();
    instrument.VolumeEnvelope.Points = {{0, 64}, {16, 0}};
    instrument.VolumeEnvelope.Type = 1;
    song.Put(0, 0, Cell(NoteC4, 1, 0x20, 0, 0)).Put(1, 0, GetParam().release);
    const Trace trace = song.Play(2 * Speed);
    ASSERT_EQ(trace.size(), size_t(2 * Speed));
    for (int32_t t = 0; t < 2 * Speed; ++t) {
        EXPECT_EQ(trace[size_t(t)].EnvelopeVolume, 64 - 4 * t) << "tick " << t;
        EXPECT_EQ(trace[size_t(t)].Volume, t < Speed ? 0x10 : SampleVolume) << "tick " << t;
    }
    EXPECT_TRUE(song.module->PatternChannels[0]->KeyOff);
}

INSTANTIATE_TEST_SUITE_P(
    RowRulesSong, KeyOffWithInstrumentNumber,
    testing::Values(RecallCase{"KeyOffNote", Cell(KeyOffNote, 1, 0, 0, 0), 0, {}},
                    RecallCase{"K00WithNote", Cell(NoteC4 + 5, 1, 0, Fx('K'), 0), 0, {}},
                    RecallCase{"K00WithoutNote", Cell(0, 1, 0, Fx('K'), 0), 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// An instrument number with no instrument behind it is ignored without a note; with a note it
// silences the channel.
struct MissingInstrumentCase {
    const char* name;
    uint8_t note;
    bool sounds;
};

class MissingInstrument : public testing::TestWithParam<MissingInstrumentCase> {};

TEST_P(MissingInstrument, OnlyANoteMakesItCount) {
    const MissingInstrumentCase& c = GetParam();
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0)).Put(1, 0, Cell(c.note, 13, 0, 0, 0));
    const Trace trace = song.Play(2 * Speed);
    ASSERT_EQ(trace.size(), size_t(2 * Speed));
    for (int32_t t = Speed; t < 2 * Speed; ++t) {
        EXPECT_EQ(trace[size_t(t)].Active, c.sounds) << "tick " << t;
        if (c.sounds) {
            EXPECT_EQ(trace[size_t(t)].FinalVolume, Full) << "tick " << t;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RowRulesSong, MissingInstrument,
                         testing::Values(MissingInstrumentCase{"WithoutNote", 0, true},
                                         MissingInstrumentCase{"WithNote", NoteC4, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Without a note, an instrument number with no instrument behind it still gives the note its
// sample's volume again, and only that: the panning stays. A key-off with one keeps the note
// sounding at that volume, also on a delayed tick.
struct StrayInstrumentCase {
    const char* name;
    xmbuilder::XMCell cell; // on row 1, after a C-4 at volume 0 panned hard right
    int32_t dueTick;        // of row 1
};

void PrintTo(const StrayInstrumentCase& c, std::ostream* os) {
    *os << c.name;
}

class StrayInstrument : public testing::TestWithParam<StrayInstrumentCase> {};

TEST_P(StrayInstrument, RestoresTheSampleVolumeOnly) {
    const StrayInstrumentCase& c = GetParam();
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0x10, Fx('8'), 0xFF)).Put(1, 0, c.cell);
    const Trace trace = song.Play(2 * Speed);
    ASSERT_EQ(trace.size(), size_t(2 * Speed));
    for (int32_t t = Speed; t < 2 * Speed; ++t) {
        const ChannelTick& tick = trace[size_t(t)];
        EXPECT_EQ(tick.Volume, t < Speed + c.dueTick ? 0 : SampleVolume) << "tick " << t;
        EXPECT_EQ(tick.Panning, 0xFF) << "tick " << t;
        EXPECT_TRUE(tick.Active) << "tick " << t;
    }
    EXPECT_EQ(trace.back().FinalVolume, Full);
}

INSTANTIATE_TEST_SUITE_P(
    RowRulesSong, StrayInstrument,
    testing::Values(StrayInstrumentCase{"Alone", Cell(0, 13, 0, 0, 0), 0},
                    StrayInstrumentCase{"WithKeyOff", Cell(KeyOffNote, 13, 0, 0, 0), 0},
                    StrayInstrumentCase{"WithDelayedKeyOff", Cell(KeyOffNote, 13, 0, Fx('E'), 0xD2),
                                        2}),
    [](const auto& info) { return std::string(info.param.name); });

// An instrument number alone resets the volume of a sounding voice but starts none: after a
// note with a missing instrument has cut the channel, it stays silent until the next note.
TEST(RowRulesSong, InstrumentAloneDoesNotRestartACutVoice) {
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0x20, 0, 0))
        .Put(1, 0, Cell(NoteC4, 13, 0, 0, 0))
        .Put(2, 0, Cell(0, 1, 0, 0, 0))
        .Put(3, 0, Cell(NoteC4, 0, 0, 0, 0));
    const Trace trace = song.Play(4 * Speed);
    ASSERT_EQ(trace.size(), size_t(4 * Speed));
    for (int32_t t = Speed; t < 3 * Speed; ++t) EXPECT_FALSE(trace[size_t(t)].Active) << t;
    EXPECT_TRUE(trace[size_t(3 * Speed)].Active);
    EXPECT_EQ(trace[size_t(3 * Speed)].Volume, SampleVolume);
}

// A voice the mixer has stopped as silent (a volume envelope that died) goes on when a
// tone-portamento note with an instrument number restarts its envelope: it slides on from its
// pitch instead of starting the new note.
TEST(RowRulesSong, InstrumentNumberWakesAVoiceTheMixerStopped) {
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0)).Put(1, 0, Cell(NoteC4 + 7, 1, 0, 3, 0x05));
    song.AfterTick = [](TKavoXMChannel& channel, int32_t tick) {
        if (tick == 3) channel.Active = false;
    };
    const Trace trace = song.Play(2 * Speed);
    ASSERT_EQ(trace.size(), size_t(2 * Speed));
    EXPECT_FALSE(trace[size_t(Speed - 1)].Active);
    EXPECT_TRUE(trace[size_t(Speed)].Active);
    EXPECT_EQ(trace[size_t(Speed)].Period, PeriodC4);
    EXPECT_EQ(trace[size_t(Speed + 1)].Period, PeriodC4 - 4 * 5);
}

// A tone-portamento note on a channel that has not played a note starts nothing; the next
// plain note plays.
struct FreshPortaCase {
    const char* name;
    xmbuilder::XMCell cell;
};

class TonePortamentoOnAFreshChannel : public testing::TestWithParam<FreshPortaCase> {};

TEST_P(TonePortamentoOnAFreshChannel, StaysSilent) {
    SongImage song;
    song.Put(0, 0, GetParam().cell).Put(2, 0, Cell(NoteC4, 1, 0, 0, 0));
    const Trace trace = song.Play(3 * Speed);
    ASSERT_EQ(trace.size(), size_t(3 * Speed));
    for (int32_t t = 0; t < 2 * Speed; ++t) EXPECT_FALSE(trace[size_t(t)].Active) << "tick " << t;
    EXPECT_TRUE(trace[size_t(2 * Speed)].Active);
    EXPECT_EQ(trace[size_t(2 * Speed)].Period, PeriodC4);
}

INSTANTIATE_TEST_SUITE_P(RowRulesSong, TonePortamentoOnAFreshChannel,
                         testing::Values(FreshPortaCase{"Effect3F0", Cell(NoteC4, 1, 0, 3, 0xF0)},
                                         FreshPortaCase{"Effect5", Cell(NoteC4, 1, 0, 5, 0x01)},
                                         FreshPortaCase{"VolumeColumnF8",
                                                        Cell(NoteC4, 1, 0xF8, 0, 0)}),
                         [](const auto& info) { return std::string(info.param.name); });

// The song's restart resets its channels: on the second pass the tone-portamento note finds
// a channel that has not played again.
TEST(RowRulesSong, TonePortamentoAfterTheSongRestartsStaysSilent) {
    SongImage song;
    song.song.Patterns[0].Rows = 2;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 3, 0xF0)).Put(1, 0, Cell(NoteC4, 1, 0, 0, 0));
    const Trace trace = song.Play(4 * Speed);
    ASSERT_EQ(trace.size(), size_t(4 * Speed));
    for (int32_t pass = 0; pass < 2; ++pass) {
        const int32_t first = 2 * Speed * pass;
        EXPECT_FALSE(trace[size_t(first)].Active) << "pass " << pass;
        EXPECT_TRUE(trace[size_t(first + Speed)].Active) << "pass " << pass;
    }
}

// ECy cuts the volume on tick y of its row: EC0 on the row tick itself, y at or above the speed
// never.
class NoteCut : public testing::TestWithParam<int32_t> {};

TEST_P(NoteCut, OnTickY) {
    const int32_t y = GetParam();
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0)).Put(1, 0, Effect(Fx('E'), uint8_t(0xC0 | y)));
    const Trace trace = song.Play(2 * Speed);
    std::vector<int32_t> expected;
    for (int32_t t = 0; t < 2 * Speed; ++t)
        expected.push_back(y < Speed && t >= Speed + y ? 0 : SampleVolume);
    EXPECT_EQ(Column(trace, &ChannelTick::Volume), expected);
}

INSTANTIATE_TEST_SUITE_P(RowRulesSong, NoteCut, testing::Values(0, 1, 5, 6),
                         [](const auto& info) { return "EC" + std::to_string(info.param); });

// 900 starts the note at the channel's last non-zero offset, set with or without a note; a note
// without 9xx starts at 0.
TEST(RowRulesSong, SampleOffsetZeroUsesTheLastOffset) {
    constexpr int32_t Marked = 1000;
    SongImage song;
    song.MarkFrame = Marked;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 9, 0x04))
        .Put(1, 0, Cell(NoteC4, 1, 0, 9, 0x00))
        .Put(2, 0, Cell(NoteC4, 1, 0, 0, 0))
        .Put(3, 0, Effect(9, 0x06))
        .Put(4, 0, Cell(NoteC4, 1, 0, 9, 0x00));
    const Trace trace = song.Play(5 * Speed);
    ASSERT_EQ(trace.size(), size_t(5 * Speed));
    const int64_t expected[] = {0x400, 0x400, 0, Marked, 0x600};
    for (int32_t row = 0; row < 5; ++row)
        EXPECT_EQ(trace[size_t(row * Speed)].Frame, expected[row]) << "row " << row;
}

// 9xx on a tone-portamento row is ignored: the sliding voice is not moved and the memory keeps
// the last offset of a row that played a note (or had none).
TEST(RowRulesSong, SampleOffsetOnATonePortamentoRowIsIgnored) {
    constexpr int32_t Marked = 1000;
    SongImage song;
    song.MarkFrame = Marked;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 9, 0x04))
        .Put(1, 0, Cell(NoteC4 + 12, 1, 0xF8, 9, 0x08))
        .Put(2, 0, Cell(NoteC4, 1, 0, 9, 0x00));
    const Trace trace = song.Play(3 * Speed);
    ASSERT_EQ(trace.size(), size_t(3 * Speed));
    const int64_t expected[] = {0x400, Marked, 0x400};
    for (int32_t row = 0; row < 3; ++row)
        EXPECT_EQ(trace[size_t(row * Speed)].Frame, expected[row]) << "row " << row;
}

// An offset at or past the end of the sample stops the note, although the sample loops; one
// frame block short of the end plays. The song's sample has SampleFrames (2048) frames.
class SampleOffsetPastTheEnd : public testing::TestWithParam<uint8_t> {};

TEST_P(SampleOffsetPastTheEnd, StopsTheNote) {
    const uint8_t offset = GetParam();
    const bool sounds = offset * 256 < SampleFrames;
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 9, offset));
    const Trace trace = song.Play(Speed);
    ASSERT_EQ(trace.size(), size_t(Speed));
    for (int32_t t = 0; t < Speed; ++t) EXPECT_EQ(trace[size_t(t)].Active, sounds) << "tick " << t;
}

std::string OffsetName(const testing::TestParamInfo<uint8_t>& info) {
    static const char* const digits = "0123456789ABCDEF";
    return std::string("9") + digits[info.param >> 4] + digits[info.param & 15];
}

INSTANTIATE_TEST_SUITE_P(RowRulesSong, SampleOffsetPastTheEnd,
                         testing::Values(uint8_t(0x07), uint8_t(0x08), uint8_t(0x20)), OffsetName);

// A note that the sample's relative note (here +30) takes above A#9 is no note: the voice
// plays on at its pitch, whether or not the row names the instrument, and a delayed row later
// plays the note before it again. A#9 itself plays.
struct HighestNoteCase {
    const char* name;
    uint8_t note; // on row 1, after C-4 on row 0
    uint8_t instrument;
    bool plays;
};

void PrintTo(const HighestNoteCase& c, std::ostream* os) {
    *os << c.name;
}

class HighestNote : public testing::TestWithParam<HighestNoteCase> {};

TEST_P(HighestNote, AboveA9IsNoNote) {
    constexpr int8_t Relative = 30;
    constexpr int32_t Marked = 1000;
    const HighestNoteCase& c = GetParam();
    SongImage song;
    song.MarkFrame = Marked;
    song.Instrument().Samples[0].RelativeNote = Relative;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0))
        .Put(1, 0, Cell(c.note, c.instrument, 0, 0, 0))
        .Put(2, 0, Effect(Fx('E'), 0xD1));
    const Trace trace = song.Play(3 * Speed);
    ASSERT_EQ(trace.size(), size_t(3 * Speed));
    const int32_t before = LinearPeriod(NoteC4 + Relative);
    const int32_t last = c.plays ? LinearPeriod(c.note + Relative) : before;
    EXPECT_EQ(trace[Speed].Frame, c.plays ? 0 : Marked);
    EXPECT_EQ(trace[Speed].Period, last);
    EXPECT_TRUE(trace[Speed].Active);
    EXPECT_EQ(trace[2 * Speed + 1].Frame, 0); // the delayed row's note starts
    EXPECT_EQ(trace[2 * Speed + 1].Period, last);
}

INSTANTIATE_TEST_SUITE_P(RowRulesSong, HighestNote,
                         testing::Values(HighestNoteCase{"A9Plays", 89, 0, true},
                                         HighestNoteCase{"B9IsNoNote", 90, 0, false},
                                         HighestNoteCase{"B9WithInstrumentIsNoNote", 90, 1, false},
                                         HighestNoteCase{"FarAboveIsNoNote", 96, 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// With an instrument number that names no instrument, no sample takes the note out of range:
// the note cuts the channel as any note with a missing instrument does.
TEST(RowRulesSong, HighNoteWithAMissingInstrumentCuts) {
    SongImage song;
    song.Instrument().Samples[0].RelativeNote = 30;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0)).Put(1, 0, Cell(96, 13, 0, 0, 0));
    const Trace trace = song.Play(2 * Speed);
    ASSERT_EQ(trace.size(), size_t(2 * Speed));
    EXPECT_TRUE(trace[Speed - 1].Active);
    EXPECT_FALSE(trace[Speed].Active);
}

// C-0 is the lowest note: with relative note 0, or reached from a higher note by a relative
// note, it plays one semitone below C#0.
struct LowestNoteCase {
    const char* name;
    uint8_t note;
    int8_t relativeNote;
};

class LowestNote : public testing::TestWithParam<LowestNoteCase> {};

TEST_P(LowestNote, PlaysC0) {
    SongImage song;
    song.Instrument().Samples[0].RelativeNote = GetParam().relativeNote;
    song.Put(0, 0, Cell(GetParam().note, 1, 0, 0, 0));
    const Trace trace = song.Play(1);
    ASSERT_EQ(trace.size(), 1u);
    EXPECT_EQ(trace[0].Period, LinearPeriod(1));
    EXPECT_EQ(song.module->PeriodToFrequency(trace[0].Period), 8363 / 16);
}

INSTANTIATE_TEST_SUITE_P(RowRulesSong, LowestNote,
                         testing::Values(LowestNoteCase{"C0", 1, 0},
                                         LowestNoteCase{"C1DownAnOctave", 13, -12}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
