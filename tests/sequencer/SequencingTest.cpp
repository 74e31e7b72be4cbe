// Tick and row sequencing: row ticks and effect ticks, the order search, jumps, pattern delay
// and loop, F00 and the restart of the song.
#include "SongBuilder.h"

#include <gtest/gtest.h>
#include <string>

using namespace seqtest;

namespace {

TEST(Sequencing, RowsAreReadOnCallsOneSevenThirteenAtSpeedSix) {
    SongBuilder song(1);
    song.Pattern(0, 8);
    song.Orders({0});
    song.Start();
    const std::vector<RowVisit> expected = {{1, 0, 0}, {7, 0, 1}, {13, 0, 2}};
    EXPECT_EQ(song.Run(13), expected);
}

TEST(Sequencing, PatternDelayStretchesTheRowToEighteenTicks) {
    SongBuilder song(2);
    song.Pattern(0, 4);
    song.Cell(0, 0, 1, Effect(EffectE, 0xE2));
    song.Orders({0});
    song.Start();
    song.module->ProcessTick();
    EXPECT_EQ(song.module->TickCounter, 0);
    for (int32_t tick = 1; tick <= 17; ++tick) {
        song.module->ProcessTick();
        EXPECT_EQ(song.Channel(0).CurrentTick, tick);
        EXPECT_EQ(song.Channel(1).CurrentTick, tick);
        EXPECT_EQ(song.module->PlayingRow, 0);
    }
    song.module->ProcessTick();
    EXPECT_EQ(song.module->TickCounter, 0);
    EXPECT_EQ(song.module->PlayingRow, 1);
    EXPECT_EQ(song.module->PatternDelay, 0);
}

TEST(Sequencing, OrdersWithEmptyPatternsAreSkipped) {
    SongBuilder song(1, 1);
    song.Pattern(0, 2);
    song.Pattern(1, 0);
    song.Pattern(2, 2);
    song.Orders({0, 1, 2});
    song.Start();
    const std::vector<OrderRow> expected = {{0, 0}, {0, 1}, {2, 0}, {2, 1}};
    EXPECT_EQ(song.Rows(4), expected);
}

// F00 is no speed: the rows after it keep the speed they had.
TEST(Sequencing, F00KeepsTheSpeed) {
    SongBuilder song(1);
    song.Pattern(0, 8);
    song.Cell(0, 0, 0, Effect(EffectF, 0x03));
    song.Cell(0, 1, 0, Effect(EffectF, 0x00));
    song.Orders({0});
    song.Start();
    const std::vector<RowVisit> expected = {{1, 0, 0}, {4, 0, 1}, {7, 0, 2}, {10, 0, 3}};
    EXPECT_EQ(song.Run(10), expected);
    EXPECT_EQ(song.module->Speed, 3);
}

TEST(Sequencing, SpeedAndTempoChangeOnTheirOwnRow) {
    SongBuilder song(1);
    song.Pattern(0, 4);
    song.Cell(0, 0, 0, Effect(EffectF, 0x02));
    song.Cell(0, 1, 0, Effect(EffectF, 0x21));
    song.Orders({0});
    song.Start();
    const std::vector<RowVisit> expected = {{1, 0, 0}, {3, 0, 1}, {5, 0, 2}};
    EXPECT_EQ(song.Run(5), expected);
    EXPECT_EQ(song.module->Speed, 2);
    EXPECT_EQ(song.module->Tempo, 33);
}

TEST(Sequencing, F1FIsTheHighestSpeedAndF20TheLowestTempo) {
    SongBuilder song(2);
    song.Pattern(0, 2);
    song.Cell(0, 0, 0, Effect(EffectF, 0x1F));
    song.Cell(0, 0, 1, Effect(EffectF, 0x20));
    song.Orders({0});
    song.Start();
    song.module->ProcessTick();
    EXPECT_EQ(song.module->Speed, 31);
    EXPECT_EQ(song.module->Tempo, 32);
}

struct JumpCase {
    int32_t jumpChannel;
    int32_t breakChannel;
    int32_t breakParameter;
    OrderRow expected;
};

class PositionJumpAndBreak : public testing::TestWithParam<JumpCase> {};

TEST_P(PositionJumpAndBreak, LandOnTheJumpOrderAtTheDecimalBreakRow) {
    const JumpCase& c = GetParam();
    SongBuilder song(4, 1);
    song.Pattern(0, 40);
    song.Pattern(1, 1);
    if (c.jumpChannel >= 0) song.Cell(1, 0, c.jumpChannel, Effect(EffectB, 5));
    song.Cell(1, 0, c.breakChannel, Effect(EffectD, c.breakParameter));
    song.Orders({1, 0, 0, 0, 0, 0, 0});
    song.Start();
    const std::vector<OrderRow> rows = song.Rows(2);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], c.expected);
}

std::string JumpName(const testing::TestParamInfo<JumpCase>& info) {
    // A jump right of the break clears the break row; a break right of the jump sets it.
    static const char* const names[] = {"JumpRightOfBreak", "JumpLeftOfBreak", "BreakAlone32",
                                        "BreakAlone0F", "BreakAlone00"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(Sequencing, PositionJumpAndBreak,
                         testing::Values(JumpCase{3, 1, 0x10, {5, 0}},
                                         JumpCase{1, 3, 0x10, {5, 10}},
                                         JumpCase{-1, 0, 0x32, {1, 32}},
                                         JumpCase{-1, 0, 0x0F, {1, 15}},
                                         JumpCase{-1, 0, 0x00, {1, 0}}),
                         JumpName);

// A Bxx in a later channel than a pattern loop's jump wins, and lands on row 0 of its order,
// not on the loop's row.
TEST(Sequencing, PositionJumpAfterALoopJumpLandsOnRowZero) {
    SongBuilder song(2, 1);
    song.Pattern(0, 4);
    song.Pattern(1, 4);
    song.Cell(0, 1, 0, Effect(EffectE, 0x60));
    song.Cell(0, 2, 0, Effect(EffectE, 0x61));
    song.Cell(0, 2, 1, Effect(EffectB, 2));
    song.Orders({0, 1, 1});
    song.Start();
    const std::vector<OrderRow> expected = {{0, 0}, {0, 1}, {0, 2}, {2, 0}, {2, 1}};
    EXPECT_EQ(song.Rows(5), expected);
}

// A break row past the end of the next pattern starts that pattern at row 0; it is not skipped.
TEST(Sequencing, BreakBeyondThePatternStartsItAtRowZero) {
    SongBuilder song(1, 1);
    song.Pattern(0, 2);
    song.Pattern(1, 4);
    song.Cell(0, 0, 0, Effect(EffectD, 0x20));
    song.Orders({0, 0, 1});
    song.Start();
    const std::vector<OrderRow> expected = {{0, 0}, {1, 0}, {2, 0}, {2, 1}};
    EXPECT_EQ(song.Rows(4), expected);
}

TEST(Sequencing, BreakOnTheLastOrderWrapsAndRestartsTheSong) {
    SongBuilder song(2, 3);
    song.Instrument(1);
    song.Pattern(0, 2);
    song.Pattern(1, 2);
    song.Cell(0, 0, 0, NoteOn(49, 1));
    song.Cell(1, 0, 0, Effect(EffectF, 0x04));
    song.Cell(1, 0, 1, Effect(EffectD, 0x01));
    song.Orders({0, 1});
    song.module->InitialTempo = 100;
    song.Start();
    song.Rows(2 * 3 + 1); // rows (0,0), (0,1), (1,0)
    EXPECT_EQ(song.module->Speed, 4);
    song.module->Tempo = 150;
    song.module->GlobalVolume = 10;
    song.Channel(1).Panning = 7;
    ASSERT_TRUE(song.Channel(0).Active);
    const std::vector<OrderRow> expected = {{0, 0}};
    EXPECT_EQ(song.Rows(4), expected); // the break row is lost in the wrap
    EXPECT_EQ(song.module->GlobalVolume, 64);
    EXPECT_EQ(song.module->Speed, 3);
    EXPECT_EQ(song.module->Tempo, 100);
    EXPECT_EQ(song.Channel(1).Panning, 128);
    // Channel 0 was reset and then started its note again on the row just read.
    EXPECT_TRUE(song.Channel(0).Active);
    EXPECT_EQ(song.module->SongEndCount, 1u);
}

TEST(Sequencing, WrapToTheRestartPositionKeepsSongSettings) {
    SongBuilder song(1, 1);
    song.Pattern(0, 1);
    song.Pattern(1, 1);
    song.Orders({0, 1});
    song.module->RestartPosition = 1;
    song.Start();
    song.Rows(2);
    song.module->GlobalVolume = 20;
    const std::vector<OrderRow> expected = {{1, 0}, {1, 0}};
    EXPECT_EQ(song.Rows(2), expected);
    EXPECT_EQ(song.module->GlobalVolume, 20);
}

TEST(Sequencing, RestartPositionOutsideTheSongRestartsAtOrderZero) {
    for (int32_t restart : {2, 255, 300, -4}) {
        SongBuilder song(1, 1);
        song.Pattern(0, 1);
        song.Pattern(1, 1);
        song.Orders({0, 1});
        song.module->RestartPosition = restart;
        song.Start();
        const std::vector<OrderRow> expected = {{0, 0}, {1, 0}, {0, 0}};
        EXPECT_EQ(song.Rows(3), expected) << "restart position " << restart;
    }
}

TEST(Sequencing, SongLengthAbove256IsTreatedAs256) {
    SongBuilder song(1, 1);
    song.Pattern(0, 0);
    song.Pattern(1, 1);
    song.module->Orders.fill(0);
    song.module->Orders[255] = 1;
    song.module->SongLength = 1000;
    song.Start();
    const std::vector<OrderRow> expected = {{255, 0}, {255, 0}};
    EXPECT_EQ(song.Rows(2), expected);
}

TEST(Sequencing, SearchWithoutPlayableRowGivesUpAndStaysSilent) {
    SongBuilder song(1, 1);
    song.Instrument(1);
    song.Pattern(0, 1);
    song.Pattern(1, 0);
    song.Cell(0, 0, 0, NoteOn(49, 1));
    song.Orders({0, 1});
    song.module->RestartPosition = 1;
    song.Start();
    EXPECT_EQ(song.Rows(1).size(), 1u);
    ASSERT_TRUE(song.Channel(0).Active);
    for (int32_t i = 0; i < 5; ++i) song.module->ProcessTick();
    EXPECT_EQ(song.module->PlayingOrder, -1);
    EXPECT_FALSE(song.Channel(0).Active);
    // The cut voice fades out in the background.
    EXPECT_EQ(song.module->BackgroundChannels[0]->FadeOutVolume, 0);
}

TEST(Sequencing, EmptySongTicksWithoutReadingRows) {
    SongBuilder song(4);
    song.Start();
    EXPECT_TRUE(song.Rows(20).empty());
    song.module->SongLength = 3; // three orders naming empty pattern 0
    EXPECT_TRUE(song.Rows(20).empty());
}

struct LoopCase {
    int32_t count;
    std::vector<int32_t> rows;
};

class PatternLoop : public testing::TestWithParam<LoopCase> {};

TEST_P(PatternLoop, PlaysTheSectionCountPlusOneTimes) {
    SongBuilder song(2, 1);
    song.Pattern(0, 5);
    song.Cell(0, 1, 1, Effect(EffectE, 0x60));
    song.Cell(0, 2, 1, Effect(EffectE, 0x60 | GetParam().count));
    song.Orders({0});
    song.Start();
    std::vector<int32_t> rows;
    for (const OrderRow& r : song.Rows(int32_t(GetParam().rows.size()))) rows.push_back(r.row);
    EXPECT_EQ(rows, GetParam().rows);
    EXPECT_EQ(song.module->SongEndCount, 0u);
}

INSTANTIATE_TEST_SUITE_P(Sequencing, PatternLoop,
                         testing::Values(LoopCase{1, {0, 1, 2, 1, 2, 3, 4}},
                                         LoopCase{2, {0, 1, 2, 1, 2, 1, 2, 3, 4}},
                                         LoopCase{3, {0, 1, 2, 1, 2, 1, 2, 1, 2, 3}}),
                         [](const auto& info) {
                             return "Count" + std::to_string(info.param.count);
                         });

TEST(Sequencing, PatternLoopKeepsItsRowIntoTheNextPattern) {
    SongBuilder song(1, 1);
    song.Pattern(0, 3);
    song.Pattern(1, 4);
    song.Cell(0, 1, 0, Effect(EffectE, 0x60));
    song.Cell(1, 3, 0, Effect(EffectE, 0x61));
    song.Orders({0, 1});
    song.Start();
    const std::vector<OrderRow> expected = {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2},
                                            {1, 3}, {1, 1}, {1, 2}, {1, 3}, {0, 0}};
    EXPECT_EQ(song.Rows(11), expected);
}

// Once a pattern loop has jumped, a pattern that ends on its own hands the loop's start row on:
// the next pattern starts there, the one after it at row 0 again. A Bxx or Dxx ending the
// pattern, or a loop start that never jumped, leaves the next pattern at row 0.
struct NextPatternCase {
    const char* name;
    bool jumps;       // E61 on row 5, after E60 on row 2
    int32_t ending;   // effect on row 7: 0, EffectB or EffectD
    int32_t startRow; // where order 1 starts
};

class LoopIntoNextPattern : public testing::TestWithParam<NextPatternCase> {};

TEST_P(LoopIntoNextPattern, StartsAtTheLoopRow) {
    const NextPatternCase& c = GetParam();
    SongBuilder song(2, 1);
    song.Pattern(0, 8);
    song.Pattern(1, 8);
    song.Cell(0, 2, 0, Effect(EffectE, 0x60));
    if (c.jumps) song.Cell(0, 5, 0, Effect(EffectE, 0x61));
    if (c.ending == EffectB) song.Cell(0, 7, 1, Effect(EffectB, 1));
    if (c.ending == EffectD) song.Cell(0, 7, 1, Effect(EffectD, 0));
    song.Orders({0, 1, 1});
    song.Start();
    std::vector<OrderRow> expected;
    for (int32_t row = 0; row < (c.jumps ? 6 : 8); ++row) expected.push_back({0, row});
    if (c.jumps)
        for (int32_t row = 2; row < 8; ++row) expected.push_back({0, row});
    for (int32_t row = c.startRow; row < 8; ++row) expected.push_back({1, row});
    for (int32_t row = 0; row < 8; ++row) expected.push_back({2, row});
    EXPECT_EQ(song.Rows(int32_t(expected.size())), expected);
}

INSTANTIATE_TEST_SUITE_P(Sequencing, LoopIntoNextPattern,
                         testing::Values(NextPatternCase{"LoopJumped", true, 0, 2},
                                         NextPatternCase{"EndedByBreak", true, EffectD, 0},
                                         NextPatternCase{"EndedByJump", true, EffectB, 0},
                                         NextPatternCase{"NoJump", false, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// A loop's start row handed on past the end of the next pattern starts that pattern at row 0;
// a row that the pattern has is kept. The loop covers rows 4..6 of order 0.
struct ShortNextPatternCase {
    int32_t rows;     // of the next pattern
    int32_t startRow; // where it starts
};

class LoopRowIntoAShortPattern : public testing::TestWithParam<ShortNextPatternCase> {};

TEST_P(LoopRowIntoAShortPattern, StartsWithinIt) {
    const ShortNextPatternCase& c = GetParam();
    SongBuilder song(1, 1);
    song.Pattern(0, 8);
    song.Pattern(1, c.rows);
    song.Cell(0, 4, 0, Effect(EffectE, 0x60));
    song.Cell(0, 6, 0, Effect(EffectE, 0x61));
    song.Orders({0, 1, 0});
    song.Start();
    std::vector<OrderRow> expected = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5},
                                      {0, 6}, {0, 4}, {0, 5}, {0, 6}, {0, 7}};
    for (int32_t row = c.startRow; row < c.rows; ++row) expected.push_back({1, row});
    expected.push_back({2, 0});
    EXPECT_EQ(song.Rows(int32_t(expected.size())), expected);
}

INSTANTIATE_TEST_SUITE_P(Sequencing, LoopRowIntoAShortPattern,
                         testing::Values(ShortNextPatternCase{2, 0}, ShortNextPatternCase{4, 0},
                                         ShortNextPatternCase{5, 4}),
                         [](const auto& info) {
                             return "NextPatternOf" + std::to_string(info.param.rows) + "Rows";
                         });

} // namespace
