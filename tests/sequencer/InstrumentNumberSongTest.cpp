// What an instrument number does where no note starts with it: a number without an instrument
// behind it, a number on a channel with nothing to play, and a delayed key-off with a number.
// Each song is built as an XM image and traced tick by tick; the expected behaviour is what
// both reference players do with the same rows.
#include "SongTrace.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace songtrace;

constexpr int32_t Speed = 6;
constexpr uint8_t Missing = 13; // the song has one instrument

// Volume envelope falling one unit a tick from 64.
void FallingEnvelope(SongImage& song) {
    xmbuilder::XMInstrument& instrument = song.Instrument();
    instrument.VolumeEnvelope.Points = {{0, 64}, {64, 0}};
    instrument.VolumeEnvelope.Type = 1;
}

// `C-4 01`, then `... 0D` (no instrument 13) on row 1, which leaves the note sounding; rows 2
// and 3 as given. A later note without an instrument number plays with the missing one and
// cuts; a valid number in between, or a tone-portamento note, does not.
struct MissingCase {
    const char* name;
    xmbuilder::XMCell row2, row3;
    bool sounds; // at the end of row 3
};

class AfterAMissingInstrument : public testing::TestWithParam<MissingCase> {};

TEST_P(AfterAMissingInstrument, ALoneNoteCuts) {
    const MissingCase& c = GetParam();
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0))
        .Put(1, 0, Cell(0, Missing, 0, 0, 0))
        .Put(2, 0, c.row2)
        .Put(3, 0, c.row3);
    const Trace trace = song.Play(4 * Speed);
    ASSERT_EQ(trace.size(), size_t(4 * Speed));
    EXPECT_TRUE(trace[2 * Speed - 1].Active) << "the missing number alone keeps the note";
    EXPECT_EQ(trace.back().Active, c.sounds);
}

INSTANTIATE_TEST_SUITE_P(
    InstrumentNumberSong, AfterAMissingInstrument,
    testing::Values(MissingCase{"LoneNote", Cell(NoteC4 + 2, 0, 0, 0, 0), {}, false},
                    MissingCase{"LoneNoteLater", {}, Cell(NoteC4 + 2, 0, 0, 0, 0), false},
                    MissingCase{"ValidNumberThenLoneNote", Cell(0, 1, 0, 0, 0),
                                Cell(NoteC4 + 2, 0, 0, 0, 0), true},
                    MissingCase{"TonePortamentoNote", Cell(NoteC4 + 2, 0, 0, 3, 0x10), {}, true}),
    [](const auto& info) { return std::string(info.param.name); });

// After a note with a missing instrument has cut the channel, an instrument number alone starts
// nothing, and its envelope waits at its start for the next note instead of running on.
TEST(InstrumentNumberSong, EnvelopeWaitsOnAChannelWithNothingToPlay) {
    constexpr int32_t NoteRow = 4;
    SongImage song;
    FallingEnvelope(song);
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0))
        .Put(1, 0, Cell(NoteC4, Missing, 0, 0, 0))
        .Put(2, 0, Cell(0, 1, 0, 0, 0))
        .Put(NoteRow, 0, Cell(NoteC4, 0, 0, 0, 0));
    const Trace trace = song.Play((NoteRow + 1) * Speed);
    ASSERT_EQ(trace.size(), size_t((NoteRow + 1) * Speed));
    EXPECT_FALSE(trace[NoteRow * Speed - 1].Active);
    for (int32_t k = 0; k < Speed; ++k) {
        const ChannelTick& tick = trace[size_t(NoteRow * Speed + k)];
        EXPECT_TRUE(tick.Active) << "tick " << k;
        EXPECT_EQ(tick.EnvelopeVolume, 64 - k) << "tick " << k;
    }
}

// A delayed key-off with an instrument number is that number alone, on the delayed tick: the
// envelope starts again with the key down, and the sample goes on where it is.
TEST(InstrumentNumberSong, DelayedKeyOffWithANumberStartsTheEnvelopeAgain) {
    constexpr int32_t Marked = 1000, Row = 2, Delay = 2;
    SongImage song;
    FallingEnvelope(song);
    song.MarkFrame = Marked;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0))
        .Put(1, 0, Cell(KeyOffNote, 0, 0, 0, 0))
        .Put(Row, 0, Cell(KeyOffNote, 1, 0, Fx('E'), 0xD0 + Delay));
    const Trace trace = song.Play((Row + 1) * Speed);
    ASSERT_EQ(trace.size(), size_t((Row + 1) * Speed));
    for (int32_t t = Row * Speed; t < (Row + 1) * Speed; ++t) {
        const int32_t since = t - (Row * Speed + Delay);
        EXPECT_EQ(trace[size_t(t)].EnvelopeVolume, since < 0 ? 64 - t : 64 - since) << t;
        EXPECT_EQ(trace[size_t(t)].Frame, Marked) << t;
        EXPECT_TRUE(trace[size_t(t)].Active) << t;
    }
    EXPECT_FALSE(song.module->PatternChannels[0]->KeyOff);
}

} // namespace
