// Effects played through the whole engine: each song is built as an XM image, loaded, and run
// tick by tick; one channel's trace is compared with values worked out from the effect rules.
#include "SongTrace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

using namespace songtrace;

constexpr int32_t Speed = 6;

// Volume slides: Axy slides up by x, or down by y when x is 0, on every effect tick; A00
// repeats the last slide, and a slide that overshoots goes on from the limit.
struct SlideRow {
    uint8_t parameter;
    int32_t setVolume; // volume column set on the row, or -1
    int32_t slide;     // what the rules make of the parameter
};

TEST(EffectSong, VolumeSlides) {
    const SlideRow rows[] = {
        {0x01, 40, -1}, {0x00, -1, -1}, {0x45, 20, 4}, {0x30, -1, 3},
        {0x0F, 2, -15}, {0x1F, -1, 1},  {0x00, 60, 1}, {0x00, -1, 1},
    };
    SongImage song;
    for (int32_t r = 0; r < int32_t(std::size(rows)); ++r) {
        const uint8_t column = rows[r].setVolume < 0 ? 0 : uint8_t(0x10 + rows[r].setVolume);
        song.Put(r, 0,
                 Cell(r == 0 ? NoteC4 : 0, r == 0 ? 1 : 0, column, Fx('A'), rows[r].parameter));
    }
    std::vector<int32_t> expected;
    int32_t volume = SampleVolume;
    for (const SlideRow& row : rows) {
        if (row.setVolume >= 0) volume = row.setVolume;
        for (int32_t t = 0; t < Speed; ++t) {
            if (t > 0) volume = std::clamp(volume + row.slide, 0, 64);
            expected.push_back(volume);
        }
    }
    const Trace trace = song.Play(int32_t(expected.size()));
    EXPECT_EQ(Column(trace, &ChannelTick::Volume), expected);
    EXPECT_EQ(Column(trace, &ChannelTick::Period), std::vector<int32_t>(expected.size(), PeriodC4));
}

int32_t SineVibrato(int32_t position) {
    return int32_t(std::lround(127.0 * std::sin(2.0 * std::numbers::pi * position / 64.0)));
}

// 447 vibrates on every tick; the position advances by 4 on each effect tick, while the row
// tick applies it without moving it. 400 on the next row goes on with the same speed, depth and
// position.
TEST(EffectSong, Vibrato447AtSpeedSix) {
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 4, 0x47)).Put(1, 0, Effect(4, 0x00));
    std::vector<int32_t> expected;
    for (int32_t tick = 0, position = 0; tick < 2 * Speed; ++tick) {
        expected.push_back(PeriodC4 + ((SineVibrato(position) * 2 * 7) / 128) * 4);
        if (tick % Speed != 0) position = (position + 4) & 63;
    }
    const Trace trace = song.Play(2 * Speed);
    ASSERT_EQ(trace.size(), size_t(2 * Speed));
    EXPECT_EQ(Column(trace, &ChannelTick::Period), expected);
    EXPECT_EQ(trace[Speed].Period, trace[Speed + 1].Period);
    EXPECT_NE(trace[Speed - 1].Period, trace[Speed].Period);
}

// Tremolo and the volume-column vibrato $Bx follow the same rule: the row tick applies the
// position the previous row left, the effect ticks apply and advance it.
TEST(EffectSong, TremoloAndColumnVibratoApplyOnTheRowTick) {
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0x10 + 32, 7, 0x8F))
        .Put(1, 0, Effect(7, 0x00))
        .Put(2, 0, Effect(4, 0x80)) // vibrato speed 8, depth 0: only the position moves
        .Put(3, 0, Effect(0, 0, 0xBF));
    const Trace trace = song.Play(4 * Speed);
    ASSERT_EQ(trace.size(), size_t(4 * Speed));
    // Tremolo positions 0, 0, 8, 16, 24, 32 | 40, 40, 48, 56, 0, 8.
    const int32_t positions[] = {0, 0, 8, 16, 24, 32, 40, 40, 48, 56, 0, 8};
    for (int32_t t = 0; t < 2 * Speed; ++t) {
        const int32_t delta = (SineVibrato(positions[t]) * 2 * 15) / 64;
        EXPECT_EQ(trace[size_t(t)].Volume, std::clamp(32 + delta, 0, 64)) << "tick " << t;
    }
    // Vibrato positions 0, 0, 8, 16, 24, 32 on row 2 (depth 0), then 40, 40, 48, ... at depth 15.
    for (int32_t t = 3 * Speed; t < 4 * Speed; ++t) {
        const int32_t position = 40 + 8 * (t == 3 * Speed ? 0 : t - 3 * Speed - 1);
        const int32_t delta = ((SineVibrato(position & 63) * 2 * 15) / 128) * 4;
        EXPECT_EQ(trace[size_t(t)].Period, PeriodC4 + delta) << "tick " << t;
    }
}

// T23 sounds three effect ticks and is silent four; the row tick keeps the state of the last
// effect tick, and T00 carries the memory and the position on. These are the ticks both
// reference players sound.
TEST(EffectSong, TremorT23AtSpeedSix) {
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0, Fx('T'), 0x23))
        .Put(1, 0, Effect(Fx('T'), 0x00))
        .Put(2, 0, Effect(Fx('T'), 0x00));
    const Trace trace = song.Play(3 * Speed);
    const int32_t on = SampleVolume;
    std::vector<int32_t> expected(3 * Speed, 0);
    for (int32_t t : {0, 1, 2, 3, 9, 10, 11, 12, 17}) expected[size_t(t)] = on;
    EXPECT_EQ(Column(trace, &ChannelTick::Volume), expected);
}

// 9xx starts the row's note at the offset; on a row without a note it leaves the sounding
// voice where it is.
TEST(EffectSong, SampleOffsetActsOnlyWithANote) {
    constexpr int32_t Marked = 1000;
    SongImage song;
    song.MarkFrame = Marked;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0))
        .Put(1, 0, Effect(9, 0x04))
        .Put(2, 0, Cell(NoteC4 + 2, 0, 0, 9, 0x02));
    const Trace trace = song.Play(3 * Speed);
    ASSERT_EQ(trace.size(), size_t(3 * Speed));
    std::vector<int64_t> frames(3 * Speed, Marked);
    frames[0] = 0;
    frames[2 * Speed] = 2 * 256;
    EXPECT_EQ(Column(trace, &ChannelTick::Frame), frames);
    for (const ChannelTick& tick : trace) EXPECT_TRUE(tick.Active) << "tick " << tick.Tick;
    EXPECT_EQ(trace[2 * Speed].Period, LinearPeriod(NoteC4 + 2));
}

// Volume-column tone portamento: $F1 slides 16 x 4 period units a tick and reaches C-5 on tick
// 2 of the fourth row; the sliding voice is never restarted.
TEST(EffectSong, VolumeColumnTonePortamentoReachesTheNote) {
    constexpr int32_t Marked = 1000, Rows = 5;
    constexpr uint8_t NoteC5 = NoteC4 + 12;
    SongImage song;
    song.MarkFrame = Marked;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0)).Put(1, 0, Cell(NoteC5, 0, 0xF1, 0, 0));
    for (int32_t row = 2; row < Rows; ++row) song.Put(row, 0, Effect(0, 0, 0xF1));
    const Trace trace = song.Play(Rows * Speed);
    ASSERT_EQ(trace.size(), size_t(Rows * Speed));
    std::vector<int32_t> periods;
    for (int32_t t = 0, period = PeriodC4; t < Rows * Speed; ++t) {
        if (t > Speed && t % Speed != 0) period = std::max(period - 64, LinearPeriod(NoteC5));
        periods.push_back(period);
    }
    EXPECT_EQ(Column(trace, &ChannelTick::Period), periods);
    EXPECT_EQ(trace[3 * Speed + 2].Period, LinearPeriod(NoteC5));
    for (int32_t t = 1; t < Rows * Speed; ++t) EXPECT_EQ(trace[size_t(t)].Frame, Marked) << t;
}

// Arpeggio 037: the row tick plays the base note, and effect tick t of a row at speed S the
// entry (S - t) mod 3 of (base, +3, +7), t counting within each row-length of a pattern delay.
// The entries per tick are those both reference players play. Songs saved by MadTracker 2 or
// Skale Tracker (the exact names, NUL-padded) play entry t mod 3 instead.
struct ArpeggioCase {
    const char* name;
    bool linear;
    uint8_t speed;
    bool delayed; // EE1 on the first row
    std::vector<int32_t> entries;
    int32_t base, up3, up7;
    const char* tracker = "FastTracker v2.00   ";
};

class ArpeggioSong : public testing::TestWithParam<ArpeggioCase> {};

TEST_P(ArpeggioSong, StepsThroughTheThreeNotes) {
    const ArpeggioCase& c = GetParam();
    SongImage song(2, c.speed, c.linear);
    song.song.TrackerName = c.tracker;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0x37)).Put(1, 0, Effect(0, 0x37));
    if (c.delayed) song.Put(0, 1, Effect(Fx('E'), 0xE1));
    std::vector<int32_t> expected;
    for (int32_t entry : c.entries)
        expected.push_back(entry == 0 ? c.base : entry == 1 ? c.up3 : c.up7);
    EXPECT_EQ(Column(song.Play(int32_t(expected.size())), &ChannelTick::Period), expected);
}

// Amiga: 32 x the table entry of the semitone (C 856, D# 720, G 570) shifted by the octave.
constexpr int32_t AmigaC4 = (32 * 856) >> 4, AmigaDs4 = (32 * 720) >> 4, AmigaG4 = (32 * 570) >> 4;
constexpr int32_t LinearDs4 = PeriodC4 - 3 * 64, LinearG4 = PeriodC4 - 7 * 64;

INSTANTIATE_TEST_SUITE_P(EffectSong, ArpeggioSong,
                         testing::Values(ArpeggioCase{"LinearSpeed6",
                                                      true,
                                                      6,
                                                      false,
                                                      {0, 2, 1, 0, 2, 1, 0, 2, 1, 0, 2, 1},
                                                      PeriodC4,
                                                      LinearDs4,
                                                      LinearG4},
                                         ArpeggioCase{"AmigaSpeed6",
                                                      false,
                                                      6,
                                                      false,
                                                      {0, 2, 1, 0, 2, 1, 0, 2, 1, 0, 2, 1},
                                                      AmigaC4,
                                                      AmigaDs4,
                                                      AmigaG4},
                                         ArpeggioCase{"LinearSpeed4",
                                                      true,
                                                      4,
                                                      false,
                                                      {0, 0, 2, 1, 0, 0, 2, 1},
                                                      PeriodC4,
                                                      LinearDs4,
                                                      LinearG4},
                                         ArpeggioCase{"LinearSpeed5",
                                                      true,
                                                      5,
                                                      false,
                                                      {0, 1, 0, 2, 1, 0, 1, 0, 2, 1},
                                                      PeriodC4,
                                                      LinearDs4,
                                                      LinearG4},
                                         ArpeggioCase{"LinearSpeed4PatternDelay",
                                                      true,
                                                      4,
                                                      true,
                                                      {0, 0, 2, 1, 1, 0, 2, 1, 0, 0, 2, 1},
                                                      PeriodC4,
                                                      LinearDs4,
                                                      LinearG4},
                                         ArpeggioCase{"MadTrackerSpeed5",
                                                      true,
                                                      5,
                                                      false,
                                                      {0, 1, 2, 0, 1, 0, 1, 2, 0, 1},
                                                      PeriodC4,
                                                      LinearDs4,
                                                      LinearG4,
                                                      "MadTracker 2.0"},
                                         ArpeggioCase{"SkaleSpeed6",
                                                      true,
                                                      6,
                                                      false,
                                                      {0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2},
                                                      PeriodC4,
                                                      LinearDs4,
                                                      LinearG4,
                                                      "Skale Tracker"},
                                         ArpeggioCase{"MadTrackerNamePaddedWithSpaces",
                                                      true,
                                                      6,
                                                      false,
                                                      {0, 2, 1, 0, 2, 1, 0, 2, 1, 0, 2, 1},
                                                      PeriodC4,
                                                      LinearDs4,
                                                      LinearG4,
                                                      "MadTracker 2.0      "}),
                         [](const auto& info) { return std::string(info.param.name); });

// Kxx releases the key on tick xx of its row; without an enabled volume envelope that silences
// the note at once. K00 acts on the row tick, xx at or above the speed never.
class KeyOffTick : public testing::TestWithParam<int32_t> {};

TEST_P(KeyOffTick, SilencesOnTickXx) {
    const int32_t xx = GetParam();
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0)).Put(1, 0, Effect(Fx('K'), uint8_t(xx)));
    const Trace trace = song.Play(3 * Speed);
    const int32_t full = FinalVolume(65536, 64, 64, SampleVolume, DefaultMaster);
    std::vector<int32_t> expected;
    for (int32_t t = 0; t < 3 * Speed; ++t)
        expected.push_back(xx < Speed && t >= Speed + xx ? 0 : full);
    EXPECT_EQ(Column(trace, &ChannelTick::FinalVolume), expected);
}

INSTANTIATE_TEST_SUITE_P(EffectSong, KeyOffTick, testing::Values(0, 1, 5, 6, 9),
                         [](const auto& info) { return "K0" + std::to_string(info.param); });

// K00 on a row that also names an instrument (with or without a note) releases the note and
// then sets the instrument's volume, as a key-off note with an instrument does: without a
// volume envelope the note keeps sounding and fades out from that tick. Only a bare K00
// silences it.
struct KeyOffWithInstrumentCase {
    const char* name;
    xmbuilder::XMCell cell;
};

class KeyOffWithInstrument : public testing::TestWithParam<KeyOffWithInstrumentCase> {};

TEST_P(KeyOffWithInstrument, KeepsTheNoteSoundingAndFadesItOut) {
    constexpr int32_t FadeOut = 1024;
    SongImage song;
    song.Instrument().FadeOut = FadeOut;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0)).Put(1, 0, GetParam().cell);
    const Trace trace = song.Play(3 * Speed);
    std::vector<int32_t> expected;
    for (int32_t t = 0; t < 3 * Speed; ++t) {
        const int32_t fade = t < Speed ? 65536 : 65536 - 2 * FadeOut * (t - Speed + 1);
        expected.push_back(FinalVolume(fade, 64, 64, SampleVolume, DefaultMaster));
    }
    EXPECT_EQ(Column(trace, &ChannelTick::FinalVolume), expected);
}

INSTANTIATE_TEST_SUITE_P(
    EffectSong, KeyOffWithInstrument,
    testing::Values(KeyOffWithInstrumentCase{"NoteAndInstrument", Cell(NoteC4, 1, 0, Fx('K'), 0)},
                    KeyOffWithInstrumentCase{"InstrumentOnly", Cell(0, 1, 0, Fx('K'), 0)},
                    KeyOffWithInstrumentCase{"KeyOffNoteAndInstrument",
                                             Cell(KeyOffNote, 1, 0, 0, 0)}),
    [](const auto& info) { return std::string(info.param.name); });

// Kxx with a sustained volume envelope releases the sustain and starts the fade-out on the
// same tick.
TEST(EffectSong, KeyOffReleasesTheSustainAndStartsTheFadeOut) {
    constexpr int32_t KeyOffRow = 3, FadeOut = 2048;
    SongImage song;
    xmbuilder::XMInstrument& instrument = song.Instrument();
    instrument.VolumeEnvelope.Points = {{0, 64}, {8, 32}, {16, 0}};
    instrument.VolumeEnvelope.Sustain = 1;
    instrument.VolumeEnvelope.Type = 1 | 2;
    instrument.FadeOut = FadeOut;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0)).Put(KeyOffRow, 0, Effect(Fx('K'), 0x00));
    const Trace trace = song.Play(30);
    ASSERT_EQ(trace.size(), 30u);

    constexpr int32_t keyOffTick = KeyOffRow * Speed;
    for (int32_t t = 0; t < 30; ++t) {
        // Four units a tick down to the sustain point (32 at tick 8), held there while the key
        // is down, then on down to the last point.
        const int32_t envelope =
            t < keyOffTick ? std::max(64 - 4 * t, 32) : std::max(32 - 4 * (t - keyOffTick), 0);
        const int32_t fade =
            t < keyOffTick ? 65536 : std::max(65536 - 2 * FadeOut * (t - keyOffTick + 1), 0);
        const ChannelTick& tick = trace[size_t(t)];
        EXPECT_EQ(tick.EnvelopeVolume, envelope) << "tick " << t;
        EXPECT_EQ(tick.FinalVolume, FinalVolume(fade, envelope, 64, SampleVolume, DefaultMaster))
            << "tick " << t;
    }
}

// Lxx moves both envelopes: the volume envelope falls 4 units a tick, the panning envelope
// rises 4; L10 puts both on their last point.
TEST(EffectSong, EnvelopePositionMovesBothEnvelopes) {
    SongImage song;
    xmbuilder::XMInstrument& instrument = song.Instrument();
    instrument.VolumeEnvelope.Points = {{0, 64}, {16, 0}};
    instrument.VolumeEnvelope.Type = 1;
    instrument.PanningEnvelope.Points = {{0, 0}, {16, 64}};
    instrument.PanningEnvelope.Type = 1;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0))
        .Put(1, 0, Effect(Fx('L'), 0x05))
        .Put(2, 0, Effect(Fx('L'), 0x10));
    const Trace trace = song.Play(3 * Speed);
    ASSERT_EQ(trace.size(), size_t(3 * Speed));
    const int32_t rowPosition[] = {0, 5, 16};
    for (int32_t t = 0; t < 3 * Speed; ++t) {
        const int32_t position = std::min(rowPosition[t / Speed] + t % Speed, 16);
        EXPECT_EQ(trace[size_t(t)].EnvelopeVolume, 64 - 4 * position) << "tick " << t;
        EXPECT_EQ(trace[size_t(t)].EnvelopePanning, 4 * position) << "tick " << t;
    }
}

// X9F plays the voice backwards until the next note starts it forwards; X90 inverts the right
// side until X91.
TEST(EffectSong, SoundControlBackwardsAndSurround) {
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0))
        .Put(1, 0, Effect(Fx('X'), 0x9F))
        .Put(2, 0, Effect(Fx('X'), 0x90))
        .Put(3, 0, Effect(Fx('X'), 0x91))
        .Put(4, 0, Cell(NoteC4, 0, 0, 0, 0));
    const Trace trace = song.Play(5 * Speed);
    ASSERT_EQ(trace.size(), size_t(5 * Speed));
    const bool backwards[] = {false, true, true, true, false};
    const bool surround[] = {false, false, true, false, false};
    const int32_t full = FinalVolume(65536, 64, 64, SampleVolume, DefaultMaster);
    for (int32_t t = 0; t < 5 * Speed; ++t) {
        const ChannelTick& tick = trace[size_t(t)];
        const int32_t row = t / Speed;
        EXPECT_EQ(tick.Backwards, backwards[row]) << "tick " << t;
        EXPECT_EQ(tick.Surround, surround[row]) << "tick " << t;
        EXPECT_EQ(tick.FinalVolume, full) << "tick " << t;
        EXPECT_EQ(tick.TargetLeft, surround[row] ? full : full * (255 - 128) / 256);
        EXPECT_EQ(tick.TargetRight, surround[row] ? -full : full * 128 / 256);
    }
}

} // namespace
