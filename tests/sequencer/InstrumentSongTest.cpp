// Instrument envelopes, fade-out and auto-vibrato played through the whole engine: what starts
// them again and what keeps them running.
#include "KavoXM/player/Player.h"
#include "SongTrace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace songtrace;

constexpr int32_t Speed = 6;

// Volume envelope falling one unit a tick, and a square auto-vibrato of +-8 period units that
// turns every two ticks.
void EnvelopedInstrument(SongImage& song, uint16_t fadeOut = 0) {
    xmbuilder::XMInstrument& instrument = song.Instrument();
    instrument.VolumeEnvelope.Points = {{0, 64}, {64, 0}};
    instrument.VolumeEnvelope.Type = 1;
    instrument.VibratoType = 1;
    instrument.VibratoDepth = 8;
    instrument.VibratoRate = 64;
    instrument.FadeOut = fadeOut;
}

// Auto-vibrato offset `ticks` ticks after the instrument number.
int32_t AutoVibrato(int32_t ticks) {
    return (ticks * 64) % 256 < 128 ? 8 : -8;
}

// A note without an instrument number changes the pitch only: envelope and auto-vibrato run on
// from the last instrument number, which alone restarts them.
TEST(InstrumentSong, NoteWithoutInstrumentKeepsEnvelopeAndAutoVibrato) {
    constexpr uint8_t NoteD4 = NoteC4 + 2;
    SongImage song;
    EnvelopedInstrument(song);
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0))
        .Put(2, 0, Cell(NoteD4, 0, 0, 0, 0))
        .Put(4, 0, Cell(NoteC4, 1, 0, 0, 0));
    const Trace trace = song.Play(6 * Speed);
    ASSERT_EQ(trace.size(), size_t(6 * Speed));
    for (int32_t t = 0; t < 6 * Speed; ++t) {
        const int32_t since = t < 4 * Speed ? t : t - 4 * Speed;
        const int32_t row = t / Speed;
        const int32_t base = (row == 2 || row == 3) ? LinearPeriod(NoteD4) : PeriodC4;
        EXPECT_EQ(trace[size_t(t)].EnvelopeVolume, 64 - since) << "tick " << t;
        EXPECT_EQ(trace[size_t(t)].Period, base + AutoVibrato(since)) << "tick " << t;
    }
}

// Envelope, fade-out and auto-vibrato go on while the voice is silent (here stopped after tick
// 2, as the mixer stops a sample that has ended); a later note without an instrument number
// sounds at the point they have reached.
TEST(InstrumentSong, ModulationAdvancesWhileTheVoiceIsSilent) {
    constexpr uint16_t FadeOut = 1024;
    constexpr int32_t NoteRow = 3;
    SongImage song;
    EnvelopedInstrument(song, FadeOut);
    song.Put(0, 0, Cell(NoteC4, 1, 0, 0, 0))
        .Put(1, 0, Effect(Fx('K'), 0))
        .Put(NoteRow, 0, Cell(NoteC4, 0, 0, 0, 0));
    song.AfterTick = [](TKavoXMChannel& channel, int32_t tick) {
        if (tick == 2) channel.Active = false;
    };
    const Trace trace = song.Play((NoteRow + 1) * Speed);
    ASSERT_EQ(trace.size(), size_t((NoteRow + 1) * Speed));
    for (int32_t t = NoteRow * Speed; t < (NoteRow + 1) * Speed; ++t) {
        const ChannelTick& tick = trace[size_t(t)];
        ASSERT_TRUE(tick.Active) << "tick " << t;
        const int32_t fade = 65536 - 2 * FadeOut * (t - Speed + 1);
        EXPECT_EQ(tick.EnvelopeVolume, 64 - t) << "tick " << t;
        EXPECT_EQ(tick.FinalVolume, FinalVolume(fade, 64 - t, 64, SampleVolume, DefaultMaster))
            << "tick " << t;
        EXPECT_EQ(tick.Period, PeriodC4 + AutoVibrato(t)) << "tick " << t;
    }
}

// A pad whose volume envelope fades in from 0, without sustain or loop, sounds; once the
// envelope rests at 0 on its last point the voice is silent but runs on through its sample.
TEST(InstrumentSong, EnvelopeStartingAtZeroFadesIn) {
    SongImage song;
    xmbuilder::XMInstrument& instrument = song.Instrument();
    instrument.VolumeEnvelope.Points = {{0, 0}, {50, 46}, {92, 35}, {140, 0}};
    instrument.VolumeEnvelope.Type = 1;
    song.Put(0, 0, Cell(NoteC4, 1, 0x50, 0, 0));
    const std::vector<uint8_t> image = xmbuilder::BuildXM(song.song);
    TKavoXM player(44100, 2048, 4, false, 10, 16, 0, TKavoXMOutput::None);
    ASSERT_TRUE(player.Module->LoadFromMemory(image.data(), int32_t(image.size())));
    ASSERT_TRUE(player.StartOffline());
    // Mean level of each 0.1 s; the envelope peaks at tick 50 (1 s) and is 0 from tick 140.
    std::vector<int16_t> pcm(4410);
    std::vector<int64_t> level;
    for (int32_t window = 0; window < 32; ++window) {
        ASSERT_EQ(player.RenderOffline(pcm.data(), 4410), 4410);
        int64_t sum = 0;
        for (int16_t v : pcm) sum += std::abs(int32_t(v));
        level.push_back(sum / 4410);
    }
    EXPECT_GT(level[1], 0);
    EXPECT_GT(level[5], level[1]);
    EXPECT_GT(level[9], level[5]);
    EXPECT_GT(level[9], level[20]);
    EXPECT_EQ(level[31], 0);
    EXPECT_TRUE(player.Module->PatternChannels[0]->Active);
}

// A panning envelope whose first point lies far from 0 (found by fuzzing): the value before
// that point stays within a point value's range, and the output keeps the final panning within
// 0..256 even for an envelope value far above 64.
struct FarEnvelopeCase {
    const char* name;
    uint16_t first, second;  // values of the points at 33026 and 33027
    int32_t envelopePanning; // before the first point
    int32_t finalPanning;
};

class FarFirstPoint : public testing::TestWithParam<FarEnvelopeCase> {};

TEST_P(FarFirstPoint, KeepsThePanningInRange) {
    const FarEnvelopeCase& c = GetParam();
    SongImage song;
    xmbuilder::XMEnvelope& envelope = song.Instrument().PanningEnvelope;
    envelope.Points = {{33026, c.first}, {33027, c.second}};
    envelope.Type = 1;
    song.Put(0, 0, Cell(NoteC4, 1, 0x50, 0, 0));
    const Trace trace = song.Play(2 * Speed);
    ASSERT_EQ(trace.size(), size_t(2 * Speed));
    const int32_t full = FinalVolume(65536, 64, 64, 64, DefaultMaster);
    for (const ChannelTick& tick : trace) {
        EXPECT_EQ(tick.EnvelopePanning, c.envelopePanning);
        EXPECT_EQ(tick.FinalVolume, full);
        EXPECT_EQ(tick.TargetLeft, (full * (255 - c.finalPanning)) / 256);
        EXPECT_EQ(tick.TargetRight, (full * c.finalPanning) / 256);
    }
}

INSTANTIATE_TEST_SUITE_P(InstrumentSong, FarFirstPoint,
                         testing::Values(FarEnvelopeCase{"Rising", 0, 64, 0, 0},
                                         FarEnvelopeCase{"Falling", 64, 0, 255, 256}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
