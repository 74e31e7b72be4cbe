// EDy on a row without a note, played through the whole engine: the delayed row plays the
// channel's last note again.
#include "SongTrace.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace songtrace;

constexpr int32_t Speed = 6;
constexpr int32_t Marked = 1000; // the frame the trace moves the voice to after every tick
constexpr uint8_t NoteE4 = NoteC4 + 4;
constexpr uint8_t Quiet = 0x10 + 16; // volume column: volume 16

struct DelayCase {
    const char* name;
    std::vector<std::pair<int32_t, xmbuilder::XMCell>> rows; // after row 0's C-4, volume 16
    std::vector<int32_t> restarts;                           // ticks that start the sample
    int32_t period;                                          // on the last tick
    int32_t volume;                                          // on the last tick
};

void PrintTo(const DelayCase& c, std::ostream* os) {
    *os << c.name;
}

class NoteDelaySong : public testing::TestWithParam<DelayCase> {};

TEST_P(NoteDelaySong, RestartsAndPitch) {
    const DelayCase& c = GetParam();
    SongImage song;
    song.MarkFrame = Marked;
    song.Put(0, 0, Cell(NoteC4, 1, Quiet, 0, 0));
    for (const auto& [row, cell] : c.rows) song.Put(row, 0, cell);
    const Trace trace = song.Play(4 * Speed);
    ASSERT_EQ(trace.size(), size_t(4 * Speed));
    std::vector<int32_t> restarts;
    for (size_t t = 0; t < trace.size(); ++t)
        if (trace[t].Frame == 0) restarts.push_back(int32_t(t));
    EXPECT_EQ(restarts, c.restarts);
    EXPECT_EQ(trace.back().Period, c.period);
    EXPECT_EQ(trace.back().Volume, c.volume);
}

INSTANTIATE_TEST_SUITE_P(
    NoteDelaySong, NoteDelaySong,
    testing::Values(
        // The last note starts again on tick 3 of row 1, at the running volume; the empty rows
        // after it restart nothing.
        DelayCase{"EmptyCellPlaysTheLastNote",
                  {{1, Effect(Fx('E'), 0xD3)}},
                  {0, Speed + 3},
                  PeriodC4,
                  16},
        // With an instrument number the note starts again at the sample's volume.
        DelayCase{"InstrumentOnlyPlaysTheLastNote",
                  {{1, Cell(0, 1, 0, Fx('E'), 0xD3)}},
                  {0, Speed + 3},
                  PeriodC4,
                  SampleVolume},
        // The last note is the one the channel played most recently, without an instrument.
        DelayCase{"LaterNoteIsPlayedAgain",
                  {{1, Cell(NoteE4, 0, 0, 0, 0)}, {2, Effect(Fx('E'), 0xD2)}},
                  {0, Speed, 2 * Speed + 2},
                  LinearPeriod(NoteE4),
                  16},
        // ED0 is no delay: a row without a note stays a row without a note.
        DelayCase{"ED0DoesNothing", {{1, Effect(Fx('E'), 0xD0)}}, {0}, PeriodC4, 16},
        // A delayed key-off releases the note and starts nothing; without a volume envelope
        // the release silences it through its volume.
        DelayCase{"DelayedKeyOffStartsNothing",
                  {{1, Cell(KeyOffNote, 0, 0, Fx('E'), 0xD2)}},
                  {0},
                  PeriodC4,
                  0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
