// EDy on a row without a note, played through the whole engine: the delayed row plays the
// channel's last note again.
#include "SongTrace.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace songtrace;

constexpr int32_t Speed = 6;
constexpr int32_t Marked = 1000; // the frame the trace moves the voice to after every tick
constexpr uint8_t NoteE4 = NoteC4 + 4;
constexpr uint8_t Quiet = 0x10 + 16; // volume column: volume 16

struct DelayCase {
    const char* name;
    std::vector<std::pair<int32_t, xmbuilder::XMCell>> rows; // after row 0's C-4, volume 16
    std::vector<int32_t> restarts;                           // ticks that start the sample
    int32_t period;                                          // on the last tick
    int32_t volume;                                          // on the last tick
};

void PrintTo(const DelayCase& c, std::ostream* os) {
    *os << c.name;
}

class NoteDelaySong : public testing::TestWithParam<DelayCase> {};

TEST_P(NoteDelaySong, RestartsAndPitch) {
    const DelayCase& c = GetParam();
    SongImage song;
    song.MarkFrame = Marked;
    song.Put(0, 0, Cell(NoteC4, 1, Quiet, 0, 0));
    for (const auto& [row, cell] : c.rows) song.Put(row, 0, cell);
    const Trace trace = song.Play(4 * Speed);
    ASSERT_EQ(trace.size(), size_t(4 * Speed));
    std::vector<int32_t> restarts;
    for (size_t t = 0; t < trace.size(); ++t)
        if (trace[t].Frame == 0) restarts.push_back(int32_t(t));
    EXPECT_EQ(restarts, c.restarts);
    EXPECT_EQ(trace.back().Period, c.period);
    EXPECT_EQ(trace.back().Volume, c.volume);
}

INSTANTIATE_TEST_SUITE_P(
    NoteDelaySong, NoteDelaySong,
    testing::Values(
        // The last note starts again on tick 3 of row 1, at the running volume; the empty rows
        // after it restart nothing.
        DelayCase{"EmptyCellPlaysTheLastNote",
                  {{1, Effect(Fx('E'), 0xD3)}},
                  {0, Speed + 3},
                  PeriodC4,
                  16},
        // With an instrument number the note starts again at the sample's volume.
        DelayCase{"InstrumentOnlyPlaysTheLastNote",
                  {{1, Cell(0, 1, 0, Fx('E'), 0xD3)}},
                  {0, Speed + 3},
                  PeriodC4,
                  SampleVolume},
        // The last note is the one the channel played most recently, without an instrument.
        DelayCase{"LaterNoteIsPlayedAgain",
                  {{1, Cell(NoteE4, 0, 0, 0, 0)}, {2, Effect(Fx('E'), 0xD2)}},
                  {0, Speed, 2 * Speed + 2},
                  LinearPeriod(NoteE4),
                  16},
        // ED0 is no delay: a row without a note stays a row without a note.
        DelayCase{"ED0DoesNothing", {{1, Effect(Fx('E'), 0xD0)}}, {0}, PeriodC4, 16},
        // A delayed key-off releases the note and starts nothing; without a volume envelope
        // the release silences it through its volume.
        DelayCase{"DelayedKeyOffStartsNothing",
                  {{1, Cell(KeyOffNote, 0, 0, Fx('E'), 0xD2)}},
                  {0},
                  PeriodC4,
                  0}),
    [](const auto& info) { return std::string(info.param.name); });

// A volume envelope held at 64 on its sustain point (tick 0) while the key is down; released, it
// falls to 0 by tick 6.
void SustainedEnvelope(SongImage& song) {
    xmbuilder::XMEnvelope& envelope = song.Instrument().VolumeEnvelope;
    envelope.Points = {{0, 64}, {4, 64}, {6, 0}};
    envelope.Sustain = 0;
    envelope.Type = 1 | 2;
}

// A delayed key-off without an instrument number gives the note its sample's volume and panning
// again and starts its envelope afresh with the key down: the note silenced by its volume and
// panned aside sounds on, held on the sustain point, where a plain key-off releases it.
TEST(DelayedNoteSong, KeyOffWithAnEnvelopeSoundsOnAtTheSampleDefaults) {
    SongImage song;
    SustainedEnvelope(song);
    song.Put(0, 0, Cell(NoteC4, 1, 0x10, Fx('8'), 0xFF))
        .Put(1, 0, Cell(KeyOffNote, 0, 0, Fx('E'), 0xD2));
    const Trace trace = song.Play(4 * Speed);
    ASSERT_EQ(trace.size(), size_t(4 * Speed));
    EXPECT_EQ(trace[Speed + 1].Volume, 0);
    EXPECT_EQ(trace[Speed + 1].Panning, 0xFF);
    for (size_t t = Speed + 2; t < trace.size(); ++t) {
        EXPECT_EQ(trace[t].Volume, SampleVolume) << "tick " << t;
        EXPECT_EQ(trace[t].Panning, 128) << "tick " << t;
        EXPECT_EQ(trace[t].EnvelopeVolume, 64) << "tick " << t;
        EXPECT_EQ(trace[t].FinalVolume, FinalVolume(65536, 64, 64, SampleVolume, DefaultMaster))
            << "tick " << t;
    }
}

// A delayed row restarts the volume envelope, also without an instrument number; the same note
// without a delay leaves the envelope where it is. The envelope here falls from 64 to 0 over
// ticks 4..6 and stays there.
struct EnvelopeRestartCase {
    const char* name;
    xmbuilder::XMCell cell; // on row 3, after row 0's C-4
    int32_t restartTick;    // -1: none
};

void PrintTo(const EnvelopeRestartCase& c, std::ostream* os) {
    *os << c.name;
}

class DelayedEnvelopeRestart : public testing::TestWithParam<EnvelopeRestartCase> {};

TEST_P(DelayedEnvelopeRestart, FromItsFirstPoint) {
    const EnvelopeRestartCase& c = GetParam();
    SongImage song;
    SustainedEnvelope(song);
    song.Instrument().VolumeEnvelope.Type = 1; // no sustain: the envelope runs down
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0)).Put(3, 0, c.cell);
    const Trace trace = song.Play(5 * Speed);
    ASSERT_EQ(trace.size(), size_t(5 * Speed));
    for (int32_t t = 3 * Speed; t < 5 * Speed; ++t) {
        const bool restarted = c.restartTick >= 0 && t >= c.restartTick;
        const int32_t since = t - c.restartTick;
        const int32_t expected = !restarted ? 0 : since <= 4 ? 64 : since == 5 ? 32 : 0;
        EXPECT_EQ(trace[size_t(t)].EnvelopeVolume, expected) << "tick " << t;
    }
}

INSTANTIATE_TEST_SUITE_P(
    DelayedNoteSong, DelayedEnvelopeRestart,
    testing::Values(EnvelopeRestartCase{"NoteWithoutInstrument", Cell(NoteC4, 0, 0, Fx('E'), 0xD1),
                                        3 * Speed + 1},
                    EnvelopeRestartCase{"EmptyCell", Effect(Fx('E'), 0xD2), 3 * Speed + 2},
                    EnvelopeRestartCase{"UndelayedNoteKeepsIt", Cell(NoteC4, 0, 0, 0, 0), -1}),
    [](const auto& info) { return std::string(info.param.name); });

// After a key-off with an instrument number the note fades out at its volume; a delayed row
// without a note or instrument plays it again with the fade-out reset.
TEST(DelayedNoteSong, EmptyDelayedRowResetsTheFadeOut) {
    constexpr int32_t FadeOut = 1024, Delay = 3;
    SongImage song;
    song.Instrument().FadeOut = FadeOut;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0))
        .Put(1, 0, Cell(KeyOffNote, 1, 0, 0, 0))
        .Put(2, 0, Effect(Fx('E'), 0xD0 + Delay));
    const Trace trace = song.Play(3 * Speed);
    ASSERT_EQ(trace.size(), size_t(3 * Speed));
    for (int32_t t = Speed; t < 3 * Speed; ++t) {
        const int32_t resetTick = 2 * Speed + Delay;
        const int32_t fade = t < resetTick ? 65536 - 2 * FadeOut * (t - Speed + 1) : 65536;
        EXPECT_EQ(trace[size_t(t)].FinalVolume,
                  FinalVolume(fade, 64, 64, SampleVolume, DefaultMaster))
            << "tick " << t;
    }
}

// A note delay of a whole row or more never comes, also when a pattern delay repeats the row
// past that tick: the note does not start and the volume column does not act.
TEST(DelayedNoteSong, DelayOfAWholeRowNeverComesInAPatternDelay) {
    for (const uint8_t delay : {0xD6, 0xD8}) {
        SongImage song;
        song.MarkFrame = Marked;
        song.Put(0, 0, Cell(NoteC4, 1, Quiet, 0, 0))
            .Put(1, 0, Cell(NoteE4, 1, 0x10, Fx('E'), delay))
            .Put(1, 1, Effect(Fx('E'), 0xE1));
        const Trace trace = song.Play(4 * Speed);
        ASSERT_EQ(trace.size(), size_t(4 * Speed));
        for (size_t t = 1; t < trace.size(); ++t) {
            EXPECT_NE(trace[t].Frame, 0) << "delay " << int(delay & 15) << " tick " << t;
            EXPECT_EQ(trace[t].Volume, 16) << "delay " << int(delay & 15) << " tick " << t;
            EXPECT_EQ(trace[t].Period, PeriodC4) << "delay " << int(delay & 15) << " tick " << t;
        }
    }
}

} // namespace
