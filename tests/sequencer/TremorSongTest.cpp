// Tremor played through the whole engine: its phases across rows and changes of Txy, and what
// brings back a note that a tremor left silent. The expected ticks are those both reference
// players sound in the same songs.
#include "SongTrace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace songtrace;

constexpr int32_t Speed = 6;

// '#' for a tick that sounds at the sample's volume, '.' for a silent one.
std::string Sounding(const Trace& trace) {
    std::string ticks;
    for (const ChannelTick& tick : trace) ticks += tick.Volume == SampleVolume ? '#' : '.';
    return ticks;
}

// A new Txy takes effect at the next change of phase, not at once; the silence of an off phase
// lasts over rows without a tremor; T00 before any Txy alternates single ticks.
TEST(TremorSong, PhasesRunOnAcrossRowsAndNewParameters) {
    const uint8_t rows[] = {0x00, 0x11, 0xFF, 0x00, 0x22, 0xFF, 0x00, 0x34, 0xFF};
    SongImage song;
    for (int32_t r = 0; r < int32_t(std::size(rows)); ++r) {
        const uint8_t effect = rows[r] == 0xFF ? 0 : Fx('T');
        const uint8_t parameter = rows[r] == 0xFF ? 0 : rows[r];
        song.Put(r, 0, Cell(r == 0 ? NoteC4 : 0, r == 0 ? 1 : 0, 0, effect, parameter));
    }
    const Trace trace = song.Play(int32_t(std::size(rows)) * Speed);
    const std::string expected = "##.#.#" // T00 without memory: one tick on, one off
                                 "#..##." // T11: the off phase starts with the old lengths
                                 "......" // no tremor: the off phase's silence stays
                                 "..##.." // T00 carries T11 on
                                 ".###.." // T22 starts with the next on phase
                                 "......"
                                 "..###."
                                 "...###"  // T34: on for four ticks, into the next row
                                 "######"; // that row has no tremor and stays on
    EXPECT_EQ(Sounding(trace), expected);
}

// The row tick of a tremor row keeps the phase the last effect tick left, even where the row
// sets a volume.
TEST(TremorSong, RowTickOfATremorRowStaysInItsPhase) {
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0, Fx('T'), 0x01)).Put(1, 0, Effect(Fx('T'), 0x01, 0x30));
    const Trace trace = song.Play(2 * Speed);
    std::vector<int32_t> row1;
    for (int32_t t = Speed; t < 2 * Speed; ++t) row1.push_back(trace[size_t(t)].Volume);
    EXPECT_EQ(row1, (std::vector<int32_t>{0, 0, 0x20, 0, 0, 0x20}));
}

// After `C-4 01 T12` ends its row in the off phase, the note stays silent until an instrument
// number, a volume-column volume or a tremor's on phase. Cxx, slides, tremolo and a note
// without an instrument leave it silent.
struct RecoveryCase {
    const char* name;
    xmbuilder::XMCell cell;       // on row 1
    std::vector<int32_t> volumes; // of row 1's ticks
};

class TremorSilence : public testing::TestWithParam<RecoveryCase> {};

TEST_P(TremorSilence, EndsOnlyWhereBothPlayersEndIt) {
    const RecoveryCase& c = GetParam();
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0, Fx('T'), 0x12)).Put(1, 0, c.cell);
    const Trace trace = song.Play(2 * Speed);
    ASSERT_EQ(trace[Speed - 1].Volume, 0) << "the off phase ends row 0";
    std::vector<int32_t> row1;
    for (int32_t t = Speed; t < 2 * Speed; ++t) row1.push_back(trace[size_t(t)].Volume);
    EXPECT_EQ(row1, c.volumes);
}

const std::vector<int32_t> Silent(Speed, 0);
const std::vector<int32_t> Full(Speed, SampleVolume);

INSTANTIATE_TEST_SUITE_P(
    TremorSong, TremorSilence,
    testing::Values(
        RecoveryCase{"NothingOnTheRow", Cell(0, 0, 0, 0, 0), Silent},
        RecoveryCase{"InstrumentNumber", Cell(0, 1, 0, 0, 0), Full},
        RecoveryCase{"NoteAndInstrument", Cell(NoteC4, 1, 0, 0, 0), Full},
        RecoveryCase{"VolumeColumn", Cell(0, 0, 0x30, 0, 0), std::vector<int32_t>(Speed, 0x20)},
        RecoveryCase{"C20", Effect(Fx('C'), 0x20), Silent},
        RecoveryCase{"VolumeSlideUp", Effect(Fx('A'), 0x10), Silent},
        RecoveryCase{"FineVolumeUp", Effect(Fx('E'), 0xA1), Silent},
        RecoveryCase{"Tremolo", Effect(7, 0x44), Silent},
        RecoveryCase{"NoteWithoutInstrument", Cell(NoteC4, 0, 0, 0, 0), Silent},
        RecoveryCase{"TremorOnPhase",
                     Effect(Fx('T'), 0x40),
                     {0, SampleVolume, SampleVolume, SampleVolume, SampleVolume, SampleVolume}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
