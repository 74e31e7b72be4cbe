// A tone-portamento note never starts a sample: on a channel that has played nothing, or
// whose one-shot sample has played out, 3xx notes stay silent however many come, with or
// without an instrument number. Measured by rendering, as the loudness of each row.
#include "RenderedSong.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace renderedsong;

constexpr uint8_t NoteD4 = 51, NoteF4 = 54, NoteAs4 = 59, NoteC4 = 49;
constexpr uint8_t Porta = 3, Vol40 = 0x10 + 0x40, VolumePorta8 = 0xF8;
constexpr double Silent = -70.0;

struct StartCase {
    const char* name;
    bool oneShot; // a one-shot sample that plays out within row 1, else a looped one
    std::vector<std::pair<int32_t, xmbuilder::XMCell>> cells;
    int32_t firstRow, lastRow; // rows that must be silent (all of them, or all must sound)
    bool silent;
};

class PortamentoStartSong : public testing::TestWithParam<StartCase> {};

TEST_P(PortamentoStartSong, RowLoudness) {
    const StartCase& c = GetParam();
    // One-shot: 40 cycles of 32 frames at C-4 (8363 Hz) last 0.15 s, less than two rows.
    xmbuilder::XMSong song = OneChannelSong(c.oneShot ? Sine(32, false, 40) : Sine(32));
    for (const auto& [row, cell] : c.cells) song.Patterns[0].Put(row, 0, cell);
    const std::vector<int16_t> pcm = Render(song, (c.lastRow + 1) * RowFrames);
    ASSERT_EQ(pcm.size(), size_t((c.lastRow + 1) * RowFrames));
    for (int32_t row = c.firstRow; row <= c.lastRow; ++row) {
        if (c.silent)
            EXPECT_LT(RowDb(pcm, row), Silent) << "row " << row;
        else
            EXPECT_GT(RowDb(pcm, row), -30.0) << "row " << row;
    }
}

std::vector<std::pair<int32_t, xmbuilder::XMCell>> ThreePortaNotes(uint8_t instrument) {
    return {{0, {NoteAs4, instrument, 0, Porta, 0xF0}},
            {1, {NoteF4, instrument, 0, Porta, 0}},
            {2, {NoteD4, instrument, 0, Porta, 0}}};
}

INSTANTIATE_TEST_SUITE_P(
    PortamentoStartSong, PortamentoStartSong,
    testing::Values(StartCase{"FreshChannelWithInstrument", false, ThreePortaNotes(1), 0, 4, true},
                    StartCase{"FreshChannelWithoutInstrument", false, ThreePortaNotes(0), 0, 4,
                              true},
                    StartCase{"FreshChannelVolumeColumnPorta",
                              false,
                              {{0, {NoteAs4, 1, VolumePorta8, 0, 0}},
                               {1, {NoteF4, 1, VolumePorta8, 0, 0}},
                               {2, {NoteD4, 1, VolumePorta8, 0, 0}}},
                              0,
                              4,
                              true},
                    StartCase{"OneShotPlayedOutThenPortaNotes",
                              true,
                              {{0, {NoteC4, 1, 0, 0, 0}},
                               {3, {NoteAs4, 1, Vol40, Porta, 0xF0}},
                               {4, {NoteF4, 1, Vol40, Porta, 0}},
                               {5, {NoteD4, 1, 0, Porta, 0}}},
                              3,
                              7,
                              true},
                    // A channel that plays a note glides on, and sounds through the porta notes.
                    StartCase{"AfterAPlainNoteTheyGlide",
                              false,
                              {{0, {NoteC4, 1, 0, 0, 0}},
                               {1, {NoteAs4, 1, 0, Porta, 0xF0}},
                               {2, {NoteF4, 1, 0, Porta, 0}}},
                              0,
                              4,
                              false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
