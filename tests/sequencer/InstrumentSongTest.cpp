// Instrument envelopes, fade-out and auto-vibrato played through the whole engine: what starts
// them again and what keeps them running.
#include "SongTrace.h"

#include <gtest/gtest.h>

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

} // namespace
