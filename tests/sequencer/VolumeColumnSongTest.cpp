// The volume column's panning on rows with a note delay, played through the whole engine.
#include "SongTrace.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace songtrace;

constexpr int32_t Speed = 6;

// Row 1 carries the cell; the panning at the end of row 1 is compared. A delayed key-off
// without an instrument number ignores the column's set-panning, as both reference players
// do; its panning slide still runs from the delayed tick.
struct PanningCase {
    const char* name;
    xmbuilder::XMCell cell;
    int32_t panning;
};

class DelayedRowPanning : public testing::TestWithParam<PanningCase> {};

TEST_P(DelayedRowPanning, EndsTheRowAt) {
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0)).Put(1, 0, GetParam().cell);
    const Trace trace = song.Play(2 * Speed);
    ASSERT_EQ(trace.size(), size_t(2 * Speed));
    EXPECT_EQ(trace[Speed - 1].Panning, 128);
    EXPECT_EQ(trace.back().Panning, GetParam().panning);
}

INSTANTIATE_TEST_SUITE_P(
    VolumeColumnSong, DelayedRowPanning,
    testing::Values(PanningCase{"DelayedKeyOffKeepsIt", Cell(KeyOffNote, 0, 0xC0, Fx('E'), 0xD3),
                                128},
                    PanningCase{"KeyOffWithoutDelaySetsIt", Cell(KeyOffNote, 0, 0xC0, 0, 0), 0},
                    PanningCase{"DelayedNoteSetsIt", Cell(NoteC4 + 2, 0, 0xC0, Fx('E'), 0xD3), 0},
                    PanningCase{"DelayedEmptyRowSetsIt", Cell(0, 0, 0xC0, Fx('E'), 0xD3), 0},
                    PanningCase{"DelayedKeyOffSlidesIt", Cell(KeyOffNote, 0, 0xDF, Fx('E'), 0xD3),
                                128 - 3 * 15}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
