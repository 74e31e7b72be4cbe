// Song services through the C API: subsongs, their lengths, selecting them, and the song time
// that a seek by order gives (checked against seeks by time).
#include "GameSongs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
using namespace capisongs;

constexpr int64_t Tick = 882; // frames at 44100 Hz, tempo 125

// Orders 0 1 2: order 0 jumps back to itself at row 7 (the first tune, 8 rows); orders 1 and
// 2 (12 and 4 rows) are reached only as a second tune.
xmbuilder::XMSong TwoTunes() {
    xmbuilder::XMSong song = Held(8);
    song.SongLength = 3;
    song.Orders[1] = 1;
    song.Orders[2] = 2;
    song.Patterns[0].Put(7, 1, XMCell{0, 0, 0, 0xB, 0x00});
    for (const uint16_t rows : {12, 4}) {
        xmbuilder::XMPattern pattern;
        pattern.Rows = rows;
        pattern.Put(0, 0, XMCell{50, 3, 0, 0, 0});
        song.Patterns.push_back(pattern);
    }
    return song;
}

TEST(CapiSubsongs, ListsMeasuresAndPlaysEachTune) {
    const Handle m = Load(xmbuilder::BuildXM(TwoTunes()));
    ASSERT_EQ(kavoxm_subsong_count(m.get()), 2);
    kavoxm_subsong first{}, second{};
    ASSERT_EQ(kavoxm_get_subsong(m.get(), 0, &first), KAVOXM_OK);
    ASSERT_EQ(kavoxm_get_subsong(m.get(), 1, &second), KAVOXM_OK);
    EXPECT_EQ(first.start_order, 0);
    EXPECT_EQ(second.start_order, 1);
    EXPECT_EQ(first.ends, 1);
    EXPECT_EQ(second.ends, 1);
    EXPECT_DOUBLE_EQ(first.seconds, double(8 * 6 * Tick) / 44100);
    EXPECT_DOUBLE_EQ(second.seconds, double(16 * 6 * Tick) / 44100);
    EXPECT_EQ(RenderAll(m.get(), 44100).size(), size_t(2 * 8 * 6 * Tick));
    ASSERT_EQ(kavoxm_select_subsong(m.get(), 1), KAVOXM_OK);
    EXPECT_DOUBLE_EQ(kavoxm_duration(m.get()), second.seconds);
    EXPECT_EQ(RenderAll(m.get(), 44100).size(), size_t(2 * 16 * 6 * Tick));
}

TEST(CapiSubsongs, SeekOrderGivesTheTimeItsTuneReachesIt) {
    const Handle m = Load(xmbuilder::BuildXM(TwoTunes()));
    ASSERT_EQ(kavoxm_seek_order(m.get(), 2, 0), KAVOXM_OK);
    kavoxm_state state{};
    ASSERT_EQ(kavoxm_get_state(m.get(), &state), KAVOXM_OK);
    EXPECT_DOUBLE_EQ(state.seconds, double(12 * 6 * Tick) / 44100);
    EXPECT_DOUBLE_EQ(kavoxm_duration(m.get()), double(16 * 6 * Tick) / 44100);
    EXPECT_EQ(RenderAll(m.get(), 44100).size(), size_t(2 * 4 * 6 * Tick));
}

// The time seek_order gives each entry is where a seek by time finds that entry's first row,
// and a moment earlier the entry before it.
TEST(CapiSubsongs, SeekOrderTimesAgreeWithSeeksByTime) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(Busy());
    const Handle m = Load(image);
    for (int32_t order = 1; order < 4; ++order) {
        ASSERT_EQ(kavoxm_seek_order(m.get(), order, 0), KAVOXM_OK);
        kavoxm_state byOrder{};
        ASSERT_EQ(kavoxm_get_state(m.get(), &byOrder), KAVOXM_OK);
        for (const double delta : {0.0, -0.001}) {
            const Handle seek = Load(image);
            ASSERT_EQ(kavoxm_seek_seconds(seek.get(), byOrder.seconds + delta), KAVOXM_OK);
            kavoxm_state byTime{};
            ASSERT_EQ(kavoxm_get_state(seek.get(), &byTime), KAVOXM_OK);
            EXPECT_EQ(byTime.order, delta == 0 ? order : order - 1) << order << " " << delta;
            if (delta == 0) {
                EXPECT_EQ(byTime.row, 0);
            }
        }
    }
}

TEST(CapiSubsongs, SeekPastTheEndStopsThere) {
    const Handle m = Load(xmbuilder::BuildXM(Held(8)));
    ASSERT_EQ(kavoxm_seek_seconds(m.get(), 1e9), KAVOXM_OK);
    int16_t pcm[2 * 16];
    EXPECT_EQ(kavoxm_render_s16(m.get(), 44100, 2, pcm, 16), 0);
    kavoxm_state state{};
    ASSERT_EQ(kavoxm_get_state(m.get(), &state), KAVOXM_OK);
    EXPECT_DOUBLE_EQ(state.seconds, double(8 * 6 * Tick) / 44100);
    // And the handle plays again after a seek back.
    ASSERT_EQ(kavoxm_seek_seconds(m.get(), 0.5), KAVOXM_OK);
    EXPECT_EQ(kavoxm_render_s16(m.get(), 44100, 2, pcm, 16), 16);
}

class CapiSubsongsAtFactor : public testing::TestWithParam<double> {};

// At a tempo factor the subsongs' lengths and the orders' times are those of a render at that
// factor: each tune's frames to its end, and the first frame of each order's first row.
TEST_P(CapiSubsongsAtFactor, TimesAreThoseOfARenderAtTheFactor) {
    const std::vector<uint8_t> tunes = xmbuilder::BuildXM(TwoTunes());
    for (int32_t index : {0, 1}) {
        const Handle m = Load(tunes);
        ASSERT_EQ(kavoxm_set_tempo_factor(m.get(), GetParam()), KAVOXM_OK);
        kavoxm_subsong subsong{};
        ASSERT_EQ(kavoxm_get_subsong(m.get(), index, &subsong), KAVOXM_OK);
        ASSERT_EQ(kavoxm_select_subsong(m.get(), index), KAVOXM_OK);
        EXPECT_DOUBLE_EQ(subsong.seconds, double(RenderAll(m.get(), 44100).size() / 2) / 44100)
            << "subsong " << index;
    }
    const std::vector<uint8_t> busy = xmbuilder::BuildXM(Busy());
    const Handle rendered = Load(busy);
    ASSERT_EQ(kavoxm_set_tempo_factor(rendered.get(), GetParam()), KAVOXM_OK);
    std::vector<kavoxm_event> events;
    gamesongs::RenderWithEvents(rendered.get(), events);
    const Handle m = Load(busy);
    ASSERT_EQ(kavoxm_set_tempo_factor(m.get(), GetParam()), KAVOXM_OK);
    for (int32_t order = 1; order < 4; ++order) {
        int64_t first = -1;
        for (const kavoxm_event& e : gamesongs::OfType(events, KAVOXM_EVENT_ROW))
            if (first < 0 && e.a == order && e.c == 0) first = e.frame;
        ASSERT_GT(first, 0) << order;
        ASSERT_EQ(kavoxm_seek_order(m.get(), order, 0), KAVOXM_OK);
        kavoxm_state state{};
        ASSERT_EQ(kavoxm_get_state(m.get(), &state), KAVOXM_OK);
        EXPECT_DOUBLE_EQ(state.seconds, double(first) / 44100) << "order " << order;
    }
}

INSTANTIATE_TEST_SUITE_P(Factors, CapiSubsongsAtFactor, testing::Values(0.5, 1.37, 3.0),
                         [](const testing::TestParamInfo<double>& info) {
                             return "Factor" + std::to_string(int(info.param * 100));
                         });

} // namespace
