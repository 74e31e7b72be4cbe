// E9y and Rxy played through the whole engine: what a retrigger restarts and what runs on.
#include "SongTrace.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace songtrace;

constexpr int32_t Speed = 6;
constexpr int32_t Marked = 1000; // the frame the trace moves the voice to after every tick
constexpr uint8_t NoteAs2 = 35;  // A#-2

// Ticks whose trace shows the sample started from frame 0.
std::vector<int32_t> RestartTicks(const Trace& trace) {
    std::vector<int32_t> ticks;
    for (size_t t = 0; t < trace.size(); ++t)
        if (trace[t].Frame == 0) ticks.push_back(int32_t(t));
    return ticks;
}

std::vector<int32_t> Repeated(std::initializer_list<int32_t> perRow) {
    std::vector<int32_t> values;
    for (int32_t v : perRow) values.insert(values.end(), Speed, v);
    return values;
}

// A drum echo: R01 restarts the sample on every effect tick at the volume the column set, and
// rows without a note go on restarting the same sample.
TEST(RetriggerSong, DrumEchoFadesWithTheVolumeColumn) {
    SongImage song;
    song.MarkFrame = Marked;
    song.Put(0, 0, Cell(NoteAs2, 1, 0x10 + 22, Fx('R'), 0x01))
        .Put(1, 0, Effect(Fx('R'), 0x00, 0x10 + 11))
        .Put(2, 0, Effect(Fx('R'), 0x00, 0x10 + 4))
        .Put(3, 0, Effect(Fx('R'), 0x00, 0x10 + 1));
    const Trace trace = song.Play(4 * Speed);
    EXPECT_EQ(Column(trace, &ChannelTick::Volume), Repeated({22, 11, 4, 1}));
    std::vector<int32_t> restarts;
    for (int32_t t = 0; t < 4 * Speed; ++t)
        if (t == 0 || t % Speed != 0) restarts.push_back(t); // the note, then every effect tick
    EXPECT_EQ(RestartTicks(trace), restarts);
    for (const ChannelTick& tick : trace) EXPECT_TRUE(tick.Active) << "tick " << tick.Tick;
}

// R11 lowers the running volume by one on every restart, from the volume column's 64 rather
// than the sample's default volume; R00 goes on from there.
TEST(RetriggerSong, MultiRetrigChangesTheRunningVolume) {
    SongImage song;
    song.Put(0, 0, Cell(NoteC4, 1, 0x50, Fx('R'), 0x11)).Put(1, 0, Effect(Fx('R'), 0x00));
    const Trace trace = song.Play(2 * Speed);
    std::vector<int32_t> expected;
    for (int32_t t = 0, volume = 64; t < 2 * Speed; ++t) {
        if (t % Speed != 0) --volume;
        expected.push_back(volume);
    }
    EXPECT_EQ(Column(trace, &ChannelTick::Volume), expected);
}

// A panned, quieter voice that E92 retriggers keeps its volume and panning; E9y restarts the
// volume envelope, Rxy lets it run on.
struct EnvelopeCase {
    const char* name;
    uint8_t effect, parameter;
    std::vector<int32_t> restarts; // ticks of row 1 that restart the sample
    bool envelopeRestarts;
};

class RetriggerEnvelope : public testing::TestWithParam<EnvelopeCase> {};

TEST_P(RetriggerEnvelope, KeepsVolumeAndPanning) {
    const EnvelopeCase& c = GetParam();
    SongImage song;
    song.MarkFrame = Marked;
    xmbuilder::XMInstrument& instrument = song.Instrument();
    instrument.VolumeEnvelope.Points = {{0, 64}, {64, 0}}; // one unit a tick
    instrument.VolumeEnvelope.Type = 1;
    song.Put(0, 0, Cell(NoteC4, 1, 0x10 + 16, 8, 0x40)).Put(1, 0, Effect(c.effect, c.parameter));
    const Trace trace = song.Play(2 * Speed);
    ASSERT_EQ(trace.size(), size_t(2 * Speed));
    std::vector<int32_t> restarts = {0};
    for (int32_t t : c.restarts) restarts.push_back(Speed + t);
    EXPECT_EQ(RestartTicks(trace), restarts);
    int32_t since = 0;
    for (int32_t t = 0; t < 2 * Speed; ++t, ++since) {
        const ChannelTick& tick = trace[size_t(t)];
        if (c.envelopeRestarts && t >= Speed && tick.Frame == 0) since = 0;
        EXPECT_EQ(tick.Volume, 16) << "tick " << t;
        EXPECT_EQ(tick.Panning, 0x40) << "tick " << t;
        EXPECT_EQ(tick.EnvelopeVolume, 64 - since) << "tick " << t;
    }
}

INSTANTIATE_TEST_SUITE_P(RetriggerSong, RetriggerEnvelope,
                         testing::Values(EnvelopeCase{"E92", Fx('E'), 0x92, {2, 4}, true},
                                         EnvelopeCase{"R03", Fx('R'), 0x03, {3}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
