// Song-end detection: a wrap past the last order entry, or a position jump or pattern break
// that lands on a row already played; pattern loops never end the song.
#include "SongBuilder.h"

#include <gtest/gtest.h>

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
    // on until the same jump lands there a second time.
    const std::vector<OrderRow> expected = {{0, 0}, {0, 1}, {1, 0}, {0, 2}, {0, 3}, {1, 0}};
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

class LoopAndBreak : public testing::TestWithParam<bool> {};

TEST_P(LoopAndBreak, RowWithALoopJumpIsNeverASongEnd) {
    const int32_t loopChannel = GetParam() ? 0 : 1;
    SongBuilder song(2, 1);
    song.Pattern(0, 3);
    song.Pattern(1, 2);
    song.Cell(0, 0, loopChannel, Effect(EffectE, 0x60));
    song.Cell(0, 2, loopChannel, Effect(EffectE, 0x61));
    song.Cell(0, 2, 1 - loopChannel, Effect(EffectD, 0x00));
    song.Orders({0, 1});
    song.Start();
    const std::vector<OrderRow> expected = {{0, 0}, {0, 1}, {0, 2}, {0, 0},
                                            {0, 1}, {0, 2}, {1, 0}, {1, 1}};
    EXPECT_EQ(RowsUntilEnd(song), expected);
}

INSTANTIATE_TEST_SUITE_P(SongEnd, LoopAndBreak, testing::Bool());

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

} // namespace
