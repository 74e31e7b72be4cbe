// Queued jumps: each lands where a position jump and pattern break written at the row it names
// would, and from there the output is that song's, byte for byte.
#include "capi/GameSongs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using namespace gamesongs;

struct JumpCase {
    const char* name;
    int32_t when;
    int32_t rows;
    int32_t renderFirst; // frames rendered before the jump is queued
    int32_t repeat;
    int32_t writtenPattern; // where the equivalent jump is written
    int32_t writtenRow;
    int32_t order; // target
    int32_t row;
};

const JumpCase JumpCases[] = {
    {"NextRowAtStart", KAVOXM_JUMP_NEXT_ROW, 1, 0, 0, 0, 0, 2, 5},
    {"NextRowMidPattern", KAVOXM_JUMP_NEXT_ROW, 1, 30000, 0, 0, 5, 1, 16},
    {"BeatOfEightRows", KAVOXM_JUMP_ROWS, 8, 0, 0, 0, 7, 2, 0},
    // Back to a row already played: the pass ends there, and the next one plays on (until
    // the written song meets its jump again and ends: its output is the beginning of the
    // queued jump's).
    {"BarOfSixteenRowsLater", KAVOXM_JUMP_ROWS, 16, 60000, 1, 0, 15, 0, 3},
    {"PatternEnd", KAVOXM_JUMP_PATTERN_END, 1, 0, 0, 0, 31, 2, 0},
    {"PatternEndOfSecondPattern", KAVOXM_JUMP_PATTERN_END, 1, 180000, 1, 1, 31, 0, 8},
    {"SongEndWithRepeat", KAVOXM_JUMP_SONG_END, 1, 0, 1, 2, 31, 1, 4},
};

class QueuedJumpTest : public ::testing::TestWithParam<JumpCase> {};

TEST_P(QueuedJumpTest, OutputEqualsTheSongWithTheJumpWritten) {
    const JumpCase& c = GetParam();
    auto queued = capisongs::Load(xmbuilder::BuildXM(Sections()));
    xmbuilder::XMSong writtenSong = Sections();
    WriteJump(writtenSong, c.writtenPattern, c.writtenRow, c.order, c.row);
    auto written = capisongs::Load(xmbuilder::BuildXM(writtenSong));
    ASSERT_TRUE(queued && written);
    ASSERT_EQ(kavoxm_set_repeat(queued.get(), c.repeat), KAVOXM_OK);
    ASSERT_EQ(kavoxm_set_repeat(written.get(), c.repeat), KAVOXM_OK);

    std::vector<int32_t> head(size_t(c.renderFirst) * 2 + 2);
    std::vector<kavoxm_event> queuedEvents;
    if (c.renderFirst > 0) {
        ASSERT_EQ(kavoxm_render_mix(queued.get(), 44100, 2, head.data(), size_t(c.renderFirst)),
                  c.renderFirst);
        queuedEvents = ReadAll(queued.get());
        kavoxm_state state{};
        ASSERT_EQ(kavoxm_get_state(queued.get(), &state), KAVOXM_OK);
        // The table names the row where the mixer stands after the first frames.
        ASSERT_EQ(state.pattern, c.writtenPattern);
        if (c.when == KAVOXM_JUMP_NEXT_ROW) {
            ASSERT_EQ(state.row, c.writtenRow);
        }
    }
    head.resize(size_t(c.renderFirst) * 2);
    ASSERT_EQ(kavoxm_queue_jump(queued.get(), c.order, c.row, c.when, c.rows), KAVOXM_OK);
    kavoxm_jump pending{};
    ASSERT_EQ(kavoxm_get_jump(queued.get(), &pending), KAVOXM_OK);
    EXPECT_EQ(pending.pending, 1);
    EXPECT_EQ(pending.order, c.order);
    EXPECT_EQ(pending.row, c.row);
    EXPECT_EQ(pending.when, c.when);

    std::vector<kavoxm_event> writtenEvents;
    const std::vector<int32_t> expected = RenderWithEvents(written.get(), writtenEvents);
    std::vector<int32_t> actual = RenderWithEvents(queued.get(), queuedEvents);
    actual.insert(actual.begin(), head.begin(), head.end());
    if (c.repeat > 0 && c.when != KAVOXM_JUMP_SONG_END) {
        ASSERT_GT(actual.size(), expected.size());
        actual.resize(expected.size());
    }
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_TRUE(actual == expected) << "the output differs from the written jump's";

    // The passes end where the written song's end (a jump back to a played row ends one).
    const auto endFrames = [&](const std::vector<kavoxm_event>& events) {
        std::vector<int64_t> frames;
        for (const kavoxm_event& e : OfType(events, KAVOXM_EVENT_SONG_END))
            if (e.frame < int64_t(expected.size() / 2)) frames.push_back(e.frame);
        return frames;
    };
    EXPECT_EQ(endFrames(queuedEvents), endFrames(writtenEvents));
    ASSERT_EQ(kavoxm_get_jump(queued.get(), &pending), KAVOXM_OK);
    EXPECT_EQ(pending.pending, 0);
    // The landing is reported on the frame of the written song's first row after its jump.
    const auto taken = OfType(queuedEvents, KAVOXM_EVENT_JUMP_TAKEN);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].a, c.order);
    EXPECT_EQ(taken[0].c, c.row);
    const auto rows = OfType(writtenEvents, KAVOXM_EVENT_ROW);
    size_t landing = 1;
    while (landing < rows.size() &&
           !(rows[landing - 1].b == c.writtenPattern && rows[landing - 1].c == c.writtenRow))
        ++landing;
    ASSERT_LT(landing, rows.size());
    EXPECT_EQ(rows[landing].a, c.order);
    EXPECT_EQ(rows[landing].c, c.row);
    EXPECT_EQ(taken[0].frame, rows[landing].frame);
}

INSTANTIATE_TEST_SUITE_P(Jumps, QueuedJumpTest, ::testing::ValuesIn(JumpCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QueuedJumpControl, CancelSeekAndSubsongClearIt) {
    auto song = capisongs::Load(xmbuilder::BuildXM(Sections()));
    auto plain = capisongs::Load(xmbuilder::BuildXM(Sections()));
    ASSERT_TRUE(song && plain);
    kavoxm_jump j{};
    const auto pending = [&] {
        kavoxm_get_jump(song.get(), &j);
        return j.pending;
    };
    ASSERT_EQ(kavoxm_queue_jump(song.get(), 2, 0, KAVOXM_JUMP_NEXT_ROW, 0), KAVOXM_OK);
    ASSERT_EQ(kavoxm_cancel_jump(song.get()), KAVOXM_OK);
    EXPECT_EQ(pending(), 0);
    // A cancelled jump changes nothing.
    EXPECT_EQ(capisongs::RenderAll(song.get(), 44100), capisongs::RenderAll(plain.get(), 44100));

    ASSERT_EQ(kavoxm_queue_jump(song.get(), 2, 0, KAVOXM_JUMP_PATTERN_END, 0), KAVOXM_OK);
    ASSERT_EQ(kavoxm_seek_order(song.get(), 1, 0), KAVOXM_OK);
    EXPECT_EQ(pending(), 0);
    ASSERT_EQ(kavoxm_queue_jump(song.get(), 2, 0, KAVOXM_JUMP_PATTERN_END, 0), KAVOXM_OK);
    ASSERT_EQ(kavoxm_seek_seconds(song.get(), 1.0), KAVOXM_OK);
    EXPECT_EQ(pending(), 0);
    ASSERT_EQ(kavoxm_queue_jump(song.get(), 2, 0, KAVOXM_JUMP_SONG_END, 0), KAVOXM_OK);
    ASSERT_EQ(kavoxm_select_subsong(song.get(), 0), KAVOXM_OK);
    EXPECT_EQ(pending(), 0);
}

struct BadJump {
    const char* name;
    int32_t order, row, when, rows, error;
};

const BadJump BadJumps[] = {
    {"OrderPastSong", 3, 0, KAVOXM_JUMP_NEXT_ROW, 1, KAVOXM_ERROR_POSITION},
    {"NegativeOrder", -1, 0, KAVOXM_JUMP_NEXT_ROW, 1, KAVOXM_ERROR_POSITION},
    {"RowPastPattern", 0, 32, KAVOXM_JUMP_NEXT_ROW, 1, KAVOXM_ERROR_POSITION},
    {"UnknownWhen", 0, 0, 4, 1, KAVOXM_ERROR_INVALID_ARGUMENT},
    {"NoRows", 0, 0, KAVOXM_JUMP_ROWS, 0, KAVOXM_ERROR_INVALID_ARGUMENT},
    {"TooManyRows", 0, 0, KAVOXM_JUMP_ROWS, 257, KAVOXM_ERROR_INVALID_ARGUMENT},
};

class BadJumpTest : public ::testing::TestWithParam<BadJump> {};

TEST_P(BadJumpTest, IsRefusedAndQueuesNothing) {
    auto song = capisongs::Load(xmbuilder::BuildXM(Sections()));
    ASSERT_TRUE(song);
    const BadJump& b = GetParam();
    EXPECT_EQ(kavoxm_queue_jump(song.get(), b.order, b.row, b.when, b.rows), b.error);
    kavoxm_jump j{};
    ASSERT_EQ(kavoxm_get_jump(song.get(), &j), KAVOXM_OK);
    EXPECT_EQ(j.pending, 0);
    EXPECT_EQ(kavoxm_queue_jump(nullptr, 0, 0, 0, 1), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_get_jump(song.get(), nullptr), KAVOXM_ERROR_INVALID_ARGUMENT);
}

INSTANTIATE_TEST_SUITE_P(Arguments, BadJumpTest, ::testing::ValuesIn(BadJumps),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
