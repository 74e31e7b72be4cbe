// Vibrato and tremolo start their cycles again with every new note, with or without an
// instrument number (E4x/E7x with x of 4 and above, which would keep them running, give no
// modulation at all here).
#include "SongTrace.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace songtrace;

constexpr int32_t Speed = 6;
constexpr int32_t Rows = 9; // of each note, compared; 9 x 5 x speed 2 is no whole cycle

struct RestartCase {
    const char* name;
    char effect;                // '4' vibrato, '7' tremolo
    uint8_t againInstrument;    // the second note's instrument number (0: none)
    int32_t ChannelTick::*what; // Period for vibrato, Volume for tremolo
};

void PrintTo(const RestartCase& c, std::ostream* os) {
    *os << c.name;
}

class WaveformRestartSong : public testing::TestWithParam<RestartCase> {};

// The second note's rows repeat the first note's tick for tick: the waveform restarted.
TEST_P(WaveformRestartSong, SecondNoteRepeatsTheFirst) {
    const RestartCase& c = GetParam();
    constexpr uint8_t Vol30 = 0x10 + 0x30; // volume column: set volume 0x30
    SongImage song(1, Speed);
    song.Put(0, 0, Cell(NoteC4, 1, Vol30, Fx(c.effect), 0x2F));
    song.Put(Rows, 0,
             Cell(NoteC4, c.againInstrument, c.againInstrument ? Vol30 : 0, Fx(c.effect), 0));
    for (int32_t row = 1; row < 2 * Rows; ++row)
        if (row != Rows) song.Put(row, 0, Effect(Fx(c.effect), 0));
    const std::vector<int32_t> values = Column(song.Play(2 * Rows * Speed), c.what);
    ASSERT_EQ(values.size(), size_t(2 * Rows * Speed));
    const std::vector<int32_t> first(values.begin(), values.begin() + Rows * Speed);
    const std::vector<int32_t> second(values.begin() + Rows * Speed, values.end());
    ASSERT_NE(first[1], first[3 * Speed + 1]) << "the effect must move the value";
    EXPECT_EQ(first, second);
}

INSTANTIATE_TEST_SUITE_P(
    WaveformRestartSong, WaveformRestartSong,
    testing::Values(RestartCase{"TremoloNoteWithoutInstrument", '7', 0, &ChannelTick::Volume},
                    RestartCase{"TremoloNoteWithInstrument", '7', 1, &ChannelTick::Volume},
                    RestartCase{"VibratoNoteWithoutInstrument", '4', 0, &ChannelTick::Period},
                    RestartCase{"VibratoNoteWithInstrument", '4', 1, &ChannelTick::Period}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
