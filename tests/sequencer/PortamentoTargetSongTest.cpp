// The tone-portamento target, played through the whole engine: only a tone-portamento note
// sets it, so a 3xx without a note slides back toward it after plain notes and slides.
#include "SongTrace.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace songtrace;

constexpr int32_t Speed = 6;
constexpr uint8_t NoteE4 = NoteC4 + 4;
constexpr uint8_t NoteG4 = NoteC4 + 7;
constexpr int32_t SlowSlide = 2 * 4 * (Speed - 1); // 302 over the effect ticks of one row

struct TargetCase {
    const char* name;
    std::vector<std::pair<int32_t, xmbuilder::XMCell>> rows; // after row 0's C-4
    int32_t period;                                          // on the last tick of row 3
};

void PrintTo(const TargetCase& c, std::ostream* os) {
    *os << c.name;
}

class PortamentoTargetSong : public testing::TestWithParam<TargetCase> {};

TEST_P(PortamentoTargetSong, WhereTheSlideEnds) {
    const TargetCase& c = GetParam();
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0));
    for (const auto& [row, cell] : c.rows) song.Put(row, 0, cell);
    const Trace trace = song.Play(4 * Speed);
    ASSERT_EQ(trace.size(), size_t(4 * Speed));
    EXPECT_EQ(trace.back().Period, c.period);
}

// Row 1 slides to E-4 at once (3FF); row 3 slides slowly (302) without a note.
const xmbuilder::XMCell ToE4 = Cell(NoteE4, 0, 0, Fx('3'), 0xFF);
const xmbuilder::XMCell SlideOn = Effect(Fx('3'), 0x02);

INSTANTIATE_TEST_SUITE_P(
    PortamentoTargetSong, PortamentoTargetSong,
    testing::Values(
        // A plain G-4 leaves the target at E-4: 302 slides down from G-4 toward it.
        TargetCase{"PlainNoteKeepsTheTarget",
                   {{1, ToE4}, {2, Cell(NoteG4, 0, 0, 0, 0)}, {3, SlideOn}},
                   LinearPeriod(NoteG4) + SlowSlide},
        // 110 moves the pitch up; 302 slides back down toward E-4.
        TargetCase{"PortamentoUpKeepsTheTarget",
                   {{1, ToE4}, {2, Effect(Fx('1'), 0x10)}, {3, SlideOn}},
                   LinearPeriod(NoteE4) - 16 * 4 * (Speed - 1) + SlowSlide},
        // E2F moves the pitch down; 302 slides back up toward E-4.
        TargetCase{"FinePortamentoKeepsTheTarget",
                   {{1, ToE4}, {2, Effect(Fx('E'), 0x2F)}, {3, SlideOn}},
                   LinearPeriod(NoteE4) + 15 * 4 - SlowSlide},
        // Without any tone-portamento note there is nothing to slide to.
        TargetCase{"NoTargetNoSlide", {{3, SlideOn}}, PeriodC4}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
