// Effects that depend on the row and tick timing, played through the whole engine from XM
// images: pattern loop, retriggers and note cut across a pattern delay, and note delay with
// the volume column.
#include "SongTrace.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace songtrace;

constexpr int32_t Speed = 6;
constexpr uint8_t PatternDelayOne = 0xE1; // EE1: the row lasts two row-lengths

// E60 marks row 1, E62 on row 3 jumps back: the section plays three times in all, and the
// fine volume slide inside it runs once a pass.
TEST(RowTimingSong, PatternLoopE62AfterE60PlaysTheSectionThreeTimes) {
    constexpr int32_t LoopStart = 1, LoopEnd = 3, Count = 2;
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0x10 + 32, 0, 0))
        .Put(2, 0, Effect(Fx('E'), 0xA1))
        .Put(LoopStart, 1, Effect(Fx('E'), 0x60))
        .Put(LoopEnd, 1, Effect(Fx('E'), 0x60 + Count));
    std::vector<int32_t> rows = {0};
    for (int32_t pass = 0; pass < Count + 1; ++pass)
        for (int32_t row = LoopStart; row <= LoopEnd; ++row) rows.push_back(row);
    rows.push_back(LoopEnd + 1);
    rows.push_back(LoopEnd + 2);
    const Trace trace = song.Play(int32_t(rows.size()) * Speed);
    EXPECT_EQ(RowsRead(trace), rows);
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back().Volume, 32 + Count + 1);
}

// Restart flags of a row of `ticks` ticks with a retrigger every `interval` ticks, counted by
// the module's tick counter (tick 0 = the row's own note).
std::vector<bool> Triggers(int32_t ticks, int32_t interval) {
    std::vector<bool> flags;
    for (int32_t tick = 0; tick < ticks; ++tick) flags.push_back(tick % interval == 0);
    return flags;
}

// E94 and R25 on rows lengthened by EE1 count through the whole doubled row: E94 restarts the
// sample on ticks 4 and 8, R25 on ticks 5 and 10 and lowers the volume by 2 each time.
TEST(RowTimingSong, RetriggersCountThroughAPatternDelay) {
    SongImage song;
    song.MarkFrame = 1000; // a frame of 0 in the trace shows a restart
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0))
        .Put(1, 0, Cell(NoteC4, 0, 0, Fx('E'), 0x94))
        .Put(1, 1, Effect(Fx('E'), PatternDelayOne))
        .Put(2, 0, Cell(NoteC4, 0, 0, Fx('R'), 0x25))
        .Put(2, 1, Effect(Fx('E'), PatternDelayOne));
    const Trace trace = song.Play(Speed + 4 * Speed);
    EXPECT_EQ(RowsRead(trace), (std::vector<int32_t>{0, 1, 2}));
    std::vector<bool> restarts = {true, false, false, false, false, false};
    for (int32_t interval : {4, 5}) {
        const std::vector<bool> row = Triggers(2 * Speed, interval);
        restarts.insert(restarts.end(), row.begin(), row.end());
    }
    std::vector<bool> restarted;
    for (const ChannelTick& tick : trace) restarted.push_back(tick.Frame == 0);
    EXPECT_EQ(restarted, restarts);
    std::vector<int32_t> volumes(Speed * 3, SampleVolume);
    for (int32_t tick = 0; tick < 2 * Speed; ++tick)
        volumes.push_back(SampleVolume - 2 * (tick / 5));
    EXPECT_EQ(Column(trace, &ChannelTick::Volume), volumes);
}

// ECy cuts on tick y of the module's counter: EC3 on tick 3, EC8 only because EE1 makes the
// row long enough, EC0 on the row tick, after the volume column has set the volume.
TEST(RowTimingSong, NoteCutOnItsTickIncludingAPatternDelay) {
    struct CutRow {
        uint8_t parameter;
        bool delayed;
    };
    const CutRow rows[] = {{0xC3, false}, {0xC8, true}, {0xC0, false}};
    SongImage song;
    std::vector<int32_t> expected;
    for (int32_t r = 0; r < 3; ++r) {
        song.Put(r, 0,
                 Cell(r == 0 ? NoteC4 : 0, r == 0 ? 1 : 0, 0x10 + 32, Fx('E'), rows[r].parameter));
        if (rows[r].delayed) song.Put(r, 1, Effect(Fx('E'), PatternDelayOne));
        const int32_t cutTick = rows[r].parameter & 15;
        const int32_t ticks = rows[r].delayed ? 2 * Speed : Speed;
        for (int32_t tick = 0; tick < ticks; ++tick) expected.push_back(tick >= cutTick ? 0 : 32);
    }
    EXPECT_EQ(Column(song.Play(int32_t(expected.size())), &ChannelTick::Volume), expected);
}

// EDy holds the whole row until tick y: the note, and the volume column entries that set the
// volume or panning at once (if due); the column's slides run from tick y on.
TEST(RowTimingSong, NoteDelayWithTheVolumeColumn) {
    constexpr uint8_t NoteD4 = NoteC4 + 2, NoteE4 = NoteC4 + 4;
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0x10 + 32, 0, 0))
        .Put(1, 0, Cell(NoteD4, 0, 0x10 + 16, Fx('E'), 0xD3)) // set volume 16 on tick 3
        .Put(2, 0, Cell(NoteE4, 0, 0x62, Fx('E'), 0xD2))      // slide down 2 from tick 2
        .Put(3, 0, Cell(0, 0, 0xC4, Fx('E'), 0xD4));          // panning 4 x 16 on tick 4
    const Trace trace = song.Play(4 * Speed);

    struct Expected {
        int32_t period, volume, panning;
    };
    std::vector<Expected> expected;
    for (int32_t tick = 0; tick < Speed; ++tick) expected.push_back({PeriodC4, 32, 128});
    for (int32_t tick = 0; tick < Speed; ++tick)
        expected.push_back(tick < 3 ? Expected{PeriodC4, 32, 128}
                                    : Expected{LinearPeriod(NoteD4), 16, 128});
    for (int32_t tick = 0; tick < Speed; ++tick)
        expected.push_back(tick < 2 ? Expected{LinearPeriod(NoteD4), 16, 128}
                                    : Expected{LinearPeriod(NoteE4), 16 - 2 * (tick - 1), 128});
    for (int32_t tick = 0; tick < Speed; ++tick)
        expected.push_back({LinearPeriod(NoteE4), 8, tick < 4 ? 128 : 64});

    ASSERT_EQ(trace.size(), expected.size());
    for (size_t t = 0; t < trace.size(); ++t) {
        EXPECT_EQ(trace[t].Period, expected[t].period) << "tick " << t;
        EXPECT_EQ(trace[t].Volume, expected[t].volume) << "tick " << t;
        EXPECT_EQ(trace[t].Panning, expected[t].panning) << "tick " << t;
    }
}

} // namespace
