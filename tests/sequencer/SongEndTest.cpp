// Song-end detection: a wrap past the last order entry, a position jump or pattern break
// that lands on a row already played, or a return to a sequencing state met before in the
// pass (pattern loops that never finish); finite pattern loops never end the song.
#include "SongBuilder.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <tuple>

using namespace seqtest;

namespace {

// Plays until the next song end and returns the rows read before it.
std::vector<OrderRow> RowsUntilEnd(SongBuilder& song, int32_t maxCalls = 1000) {
    std::vector<OrderRow> rows;
    const uint32_t ends = song.module->SongEndCount;
    for (int32_t call = 0; call < maxCalls; ++call) {
        song.module->ProcessTick();
        if (song.module->SongEndCount > ends) return rows;
        if (song.module->TickCounter == 0 && song.module->PlayingOrder >= 0)
            rows.push_back({song.module->PlayingOrder, song.module->PlayingRow});
    }
    ADD_FAILURE() << "no song end within " << maxCalls << " ticks";
    return rows;
}

TEST(SongEnd, WrapPastTheLastOrderEndsThePassAndStartsANewOne) {
    SongBuilder song(1, 1);
    song.Pattern(0, 3);
    song.Orders({0, 0});
    song.Start();
    EXPECT_EQ(RowsUntilEnd(song).size(), 6u);
    EXPECT_EQ(song.module->PlayingOrder, 0); // the row of the new pass is read on that tick
    EXPECT_EQ(RowsUntilEnd(song).size(), 5u);
    EXPECT_EQ(song.module->SongEndCount, 2u);
}

TEST(SongEnd, BackwardPositionJumpEndsTheSong) {
    SongBuilder song(2, 1);
    song.Pattern(0, 2);
    song.Pattern(1, 4);
    song.Cell(1, 2, 1, Effect(EffectB, 1));
    song.Orders({0, 0, 1, 0});
    song.Start();
    const std::vector<OrderRow> expected = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {2, 2}};
    EXPECT_EQ(RowsUntilEnd(song), expected);
    EXPECT_EQ(song.module->PlayingOrder, 1);
}

TEST(SongEnd, ForwardJumpDoesNotEndTheSong) {
    SongBuilder song(1, 1);
    song.Pattern(0, 2);
    song.Cell(0, 0, 0, Effect(EffectB, 2));
    song.Orders({0, 0, 0, 0});
    song.Start();
    // Order 0 jumps to order 2, which also jumps forward, to order 2 again: a played row.
    const std::vector<OrderRow> expected = {{0, 0}, {2, 0}};
    EXPECT_EQ(RowsUntilEnd(song), expected);
}

TEST(SongEnd, BreakIntoAnUnplayedRowOfAPlayedOrderGoesOn) {
    SongBuilder song(2, 1);
    song.Pattern(0, 4);
    song.Pattern(1, 2);
    song.Cell(0, 1, 0, Effect(EffectD, 0x00));
    song.Cell(1, 0, 0, Effect(EffectB, 0));
    song.Cell(1, 0, 1, Effect(EffectD, 0x02));
    song.Orders({0, 1});
    song.Start();
    // Order 0 breaks after row 1; the jump back lands on its unplayed row 2 and the song goes
    // on until order 1 comes round again, in the state it had the first time.
    const std::vector<OrderRow> expected = {{0, 0}, {0, 1}, {1, 0}, {0, 2}, {0, 3}};
    EXPECT_EQ(RowsUntilEnd(song), expected);
}

TEST(SongEnd, PatternLoopsDoNotEndTheSong) {
    SongBuilder song(1, 1);
    song.Pattern(0, 4);
    song.Cell(0, 1, 0, Effect(EffectE, 0x60));
    song.Cell(0, 2, 0, Effect(EffectE, 0x62));
    song.Orders({0});
    song.Start();
    const std::vector<OrderRow> expected = {{0, 0}, {0, 1}, {0, 2}, {0, 1},
                                            {0, 2}, {0, 1}, {0, 2}, {0, 3}};
    EXPECT_EQ(RowsUntilEnd(song), expected);
}

// A pattern loop's jump and a Dxx on the same row: a later channel's request wins. The break
// goes on to the next order and, landing where the song has been, ends it; the loop's jump
// back is never a song end.
class LoopAndBreak : public testing::TestWithParam<bool> {};

TEST_P(LoopAndBreak, TheLaterChannelWins) {
    const bool loopFirst = GetParam();
    const int32_t loopChannel = loopFirst ? 0 : 1;
    SongBuilder song(2, 1);
    song.Pattern(0, 3);
    song.Pattern(1, 2);
    song.Cell(0, 0, loopChannel, Effect(EffectE, 0x60));
    song.Cell(0, 2, loopChannel, Effect(EffectE, 0x61));
    song.Cell(0, 2, 1 - loopChannel, Effect(EffectD, 0x00));
    song.Orders({0, 1});
    song.Start();
    const std::vector<OrderRow> breakWins = {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}};
    const std::vector<OrderRow> loopWins = {{0, 0}, {0, 1}, {0, 2}, {0, 0},
                                            {0, 1}, {0, 2}, {1, 0}, {1, 1}};
    EXPECT_EQ(RowsUntilEnd(song), loopFirst ? breakWins : loopWins);
}

INSTANTIATE_TEST_SUITE_P(SongEnd, LoopAndBreak, testing::Bool(), [](const auto& info) {
    return info.param ? "LoopOnTheFirstChannel" : "LoopOnTheSecondChannel";
});

// A Bxx after a pattern loop's jump on the same row is a song jump: back onto a played row, it
// ends the song, although the loop has changed its state since.
TEST(SongEnd, PositionJumpOverALoopJumpEndsTheSong) {
    SongBuilder song(2, 1);
    song.Pattern(0, 3);
    song.Cell(0, 0, 0, Effect(EffectE, 0x60));
    song.Cell(0, 2, 0, Effect(EffectE, 0x61));
    song.Cell(0, 2, 1, Effect(EffectB, 0));
    song.Orders({0});
    song.Start();
    const std::vector<OrderRow> expected = {{0, 0}, {0, 1}, {0, 2}};
    EXPECT_EQ(RowsUntilEnd(song), expected);
}

TEST(SongEnd, ResetPlaybackClearsTheRecord) {
    SongBuilder song(1, 1);
    song.Pattern(0, 2);
    song.Orders({0});
    song.Start();
    RowsUntilEnd(song);
    ASSERT_EQ(song.module->SongEndCount, 1u);
    song.Start();
    EXPECT_EQ(song.module->SongEndCount, 0u);
    EXPECT_EQ(RowsUntilEnd(song).size(), 2u);
}

// Everything that decides how a song goes on from the row about to be read, compared whole.
using ExactState = std::tuple<int32_t, int32_t, int32_t, int32_t, int32_t,
                              std::vector<std::tuple<int32_t, int32_t, bool>>>;

ExactState StateBeforeRow(const TKavoXMModule& m) {
    std::vector<std::tuple<int32_t, int32_t, bool>> loops;
    for (int32_t i = 0; i < m.ChannelCount; ++i) {
        const TKavoXMChannel& c = *m.PatternChannels[size_t(i)];
        loops.emplace_back(c.PatternLoopRow, c.PatternLoopCount, c.PatternLoopActive);
    }
    return {m.CurrentOrder, m.CurrentRow, m.Speed, m.Tempo, m.GlobalVolume, loops};
}

struct FirstEnd {
    int32_t call = 0;    // the ProcessTick call that starts the next pass
    bool repeat = false; // a state came back (else the song wrapped)
};

bool WrapsBeforeTheRow(const TKavoXMModule& m) {
    if (m.CurrentOrder >= m.SongLength) return true;
    const int32_t rows = m.Patterns[m.Orders[size_t(m.CurrentOrder)]]->RowCount;
    return m.CurrentRow >= rows && m.CurrentOrder + 1 >= m.SongLength;
}

// Where the song should end, found by keeping every state met before a row tick (the songs
// below have no jumps and no empty patterns): the first wrap or the first state met again.
FirstEnd ExpectedEnd(TKavoXMModule& m, int32_t maxCalls) {
    std::set<ExactState> seen;
    for (int32_t call = 1; call <= maxCalls; ++call) {
        if (int32_t(m.Speed) * (m.PatternDelay + 1) <= m.TickCounter + 1) {
            if (WrapsBeforeTheRow(m)) return {call, false};
            if (!seen.insert(StateBeforeRow(m)).second) return {call, true};
        }
        m.ProcessTick();
    }
    return {};
}

int32_t CallOfFirstEnd(TKavoXMModule& m, int32_t maxCalls) {
    for (int32_t call = 1; call <= maxCalls; ++call) {
        m.ProcessTick();
        if (m.SongEndCount > 0) return call;
    }
    return 0;
}

struct LoopSong {
    const char* name;
    bool forever;
    std::function<void(SongBuilder&)> build; // on a song of 3 channels and speed 2
};

const LoopSong LoopSongs[] = {
    {"RestartedLoopInOneChannel", true,
     [](SongBuilder& s) {
         s.Pattern(0, 6);
         s.Cell(0, 0, 0, Effect(EffectE, 0x61));
         s.Cell(0, 3, 0, Effect(EffectE, 0x62));
         s.Orders({0, 0});
     }},
    {"LoopInsideALoopThatNeverFinishes", true,
     [](SongBuilder& s) {
         s.Pattern(0, 8);
         s.Cell(0, 0, 0, Effect(EffectE, 0x61));
         s.Cell(0, 5, 0, Effect(EffectE, 0x62));
         s.Cell(0, 2, 1, Effect(EffectE, 0x60));
         s.Cell(0, 4, 1, Effect(EffectE, 0x63));
         s.Cell(0, 3, 2, Effect(EffectE, 0x60));
         s.Cell(0, 4, 2, Effect(EffectE, 0x62));
         s.Orders({0});
     }},
    {"FinishedLoopsInThreeChannels", false,
     [](SongBuilder& s) {
         s.Pattern(0, 8);
         s.Cell(0, 1, 0, Effect(EffectE, 0x60));
         s.Cell(0, 4, 0, Effect(EffectE, 0x62));
         s.Cell(0, 2, 1, Effect(EffectE, 0x60));
         s.Cell(0, 5, 1, Effect(EffectE, 0x63));
         s.Cell(0, 6, 2, Effect(EffectE, 0x61));
         s.Orders({0});
     }},
    {"GlobalVolumeFallsEveryRoundUntilSilent", true,
     [](SongBuilder& s) {
         s.Pattern(0, 4);
         s.Instrument(1); // a sounding voice keeps the global volume within 0..64
         s.Cell(0, 0, 1, NoteOn(49, 1));
         s.Cell(0, 0, 0, Effect(EffectE, 0x61));
         s.Cell(0, 2, 0, Effect(EffectE, 0x62));
         s.Cell(0, 1, 2, Effect(0x11, 0x0F)); // global volume slide down
         s.Orders({0});
     }},
    {"SpeedAlternatesInsideTheLoop", true,
     [](SongBuilder& s) {
         s.Pattern(0, 5);
         s.Cell(0, 0, 0, Effect(EffectE, 0x61));
         s.Cell(0, 3, 0, Effect(EffectE, 0x62));
         s.Cell(0, 1, 1, Effect(EffectF, 3));
         s.Cell(0, 2, 2, Effect(EffectF, 0x50)); // tempo 80
         s.Orders({0});
     }},
    {"NestedFiniteLoopsPlayToTheEnd", false,
     [](SongBuilder& s) {
         s.Pattern(0, 6);
         s.Cell(0, 0, 0, Effect(EffectE, 0x60));
         s.Cell(0, 1, 0, Effect(EffectE, 0x6F));
         s.Cell(0, 0, 1, Effect(EffectE, 0x60));
         s.Cell(0, 2, 1, Effect(EffectE, 0x6F));
         s.Cell(0, 0, 2, Effect(EffectE, 0x60));
         s.Cell(0, 3, 2, Effect(EffectE, 0x63));
         s.Orders({0, 0});
     }},
};

void PrintTo(const LoopSong& song, std::ostream* os) {
    *os << song.name;
}

class LoopForever : public testing::TestWithParam<LoopSong> {};

TEST_P(LoopForever, SongEndsAtTheFirstRepeatOfItsState) {
    constexpr int32_t MaxCalls = 200000;
    SongBuilder expected(3, 2), played(3, 2);
    GetParam().build(expected);
    GetParam().build(played);
    expected.Start();
    played.Start();
    const FirstEnd end = ExpectedEnd(*expected.module, MaxCalls);
    ASSERT_GT(end.call, 0) << "the song neither wraps nor repeats itself";
    EXPECT_EQ(end.repeat, GetParam().forever);
    EXPECT_EQ(CallOfFirstEnd(*played.module, MaxCalls), end.call);
}

INSTANTIATE_TEST_SUITE_P(SongEnd, LoopForever, testing::ValuesIn(LoopSongs),
                         [](const testing::TestParamInfo<LoopSong>& info) {
                             return std::string(info.param.name);
                         });

TEST(SongEnd, PassBeyondTheStateTableStillEnds) {
    SongBuilder song(3, 2), reference(3, 2);
    LoopSongs[1].build(song);
    LoopSongs[1].build(reference);
    song.Start();
    reference.Start();
    // A full table records nothing more: only the cycle check can see the repeat, a little
    // after it has begun (within two rounds of the cycle).
    song.module->PlayedStates.Count = TKavoXMStateRecord::Capacity;
    const FirstEnd first = ExpectedEnd(*reference.module, 100000);
    ASSERT_TRUE(first.repeat);
    const int32_t call = CallOfFirstEnd(*song.module, 100000);
    EXPECT_GE(call, first.call);
    EXPECT_LE(call, first.call + 2 * first.call);
    // The song goes on with the cycle: the next pass is one round of it, found by the table.
    const std::vector<OrderRow> round = RowsUntilEnd(song);
    EXPECT_FALSE(round.empty());
    EXPECT_EQ(RowsUntilEnd(song), round);
}

} // namespace
