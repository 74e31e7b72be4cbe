#include "KavoXM/module/Instrument.h"
#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/EnvelopeHandler.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <utility>
#include <vector>

namespace {

TKavoXMEnvelope MakeEnvelope(std::initializer_list<std::pair<int32_t, int32_t>> points) {
    TKavoXMEnvelope env;
    env.Enabled = true;
    for (const auto& [x, y] : points) {
        env.Points[size_t(env.NumPoints)] = {x, y};
        ++env.NumPoints;
    }
    return env;
}

// Starts a handler on `env` the way a note with an instrument number does.
TKavoXMEnvelopeHandler Start(const TKavoXMEnvelope& env) {
    TKavoXMEnvelopeHandler handler;
    handler.Envelope = &env;
    handler.SetPosition(0);
    handler.KeyOn = true;
    return handler;
}

std::vector<int32_t> Play(TKavoXMEnvelopeHandler& handler, int32_t ticks) {
    std::vector<int32_t> values;
    for (int32_t i = 0; i < ticks; ++i) values.push_back(handler.Process());
    return values;
}

using Values = std::vector<int32_t>;

TEST(EnvelopeHandler, LinearSegmentIn1616Steps) {
    const TKavoXMEnvelope env = MakeEnvelope({{0, 64}, {10, 0}});
    TKavoXMEnvelopeHandler handler = Start(env);
    EXPECT_EQ(handler.Delta, -419430);
    EXPECT_EQ(Play(handler, 13), (Values{64, 57, 51, 44, 38, 32, 25, 19, 12, 6, 0, 0, 0}));
    EXPECT_EQ(handler.Position, 10); // stops advancing at the last point
}

TEST(EnvelopeHandler, SustainHoldsUntilKeyOff) {
    TKavoXMEnvelope env = MakeEnvelope({{0, 64}, {4, 32}, {8, 0}});
    env.SustainEnabled = true;
    env.SustainPoint = 1;
    TKavoXMEnvelopeHandler handler = Start(env);
    EXPECT_EQ(Play(handler, 8), (Values{64, 56, 48, 40, 32, 32, 32, 32}));
    handler.KeyOn = false;
    EXPECT_EQ(Play(handler, 6), (Values{32, 24, 16, 8, 0, 0}));
}

TEST(EnvelopeHandler, LoopNeverReturnsTheLoopEndValue) {
    TKavoXMEnvelope env = MakeEnvelope({{0, 16}, {2, 64}, {4, 0}});
    env.LoopEnabled = true;
    env.LoopStart = 0;
    env.LoopEnd = 2;
    TKavoXMEnvelopeHandler handler = Start(env);
    EXPECT_EQ(Play(handler, 10), (Values{16, 40, 64, 32, 16, 40, 64, 32, 16, 40}));
    handler.KeyOn = false; // loops go on after key-off
    EXPECT_EQ(Play(handler, 4), (Values{64, 32, 16, 40}));
}

TEST(EnvelopeHandler, LoopJumpComesBeforeTheSustainTest) {
    // Sustain on the loop end: the jump is taken first, so it never holds.
    TKavoXMEnvelope env = MakeEnvelope({{0, 16}, {2, 64}, {4, 0}});
    env.LoopEnabled = true;
    env.LoopStart = 0;
    env.LoopEnd = 2;
    env.SustainEnabled = true;
    env.SustainPoint = 2;
    TKavoXMEnvelopeHandler handler = Start(env);
    EXPECT_EQ(Play(handler, 6), (Values{16, 40, 64, 32, 16, 40}));

    // Sustain on the loop start: it holds once the loop has jumped back to it.
    env.SustainPoint = 0;
    handler = Start(env);
    EXPECT_EQ(Play(handler, 8), (Values{16, 16, 16, 16, 16, 16, 16, 16}));
    env.SustainPoint = 1;
    handler = Start(env);
    EXPECT_EQ(Play(handler, 5), (Values{16, 40, 64, 64, 64}));
}

TEST(EnvelopeHandler, SetPositionInterpolatesInsideASegment) {
    const TKavoXMEnvelope env = MakeEnvelope({{0, 64}, {10, 0}});
    TKavoXMEnvelopeHandler handler = Start(env);
    handler.SetPosition(5);
    EXPECT_EQ(handler.CurrentPoint, 0);
    EXPECT_EQ(handler.NextPoint, 1);
    EXPECT_EQ(Play(handler, 6), (Values{32, 25, 19, 12, 6, 0}));
    handler.SetPosition(40); // beyond the last point: its value
    EXPECT_EQ(Play(handler, 2), (Values{0, 0}));
}

// Before its first point an envelope extends the first segment backwards; values that stay
// within a point's range are exact, and a first point far from 0 holds the value at the edge of
// that range instead of wrapping.
TEST(EnvelopeHandler, BeforeTheFirstPoint) {
    const TKavoXMEnvelope late = MakeEnvelope({{10, 32}, {20, 64}});
    TKavoXMEnvelopeHandler handler = Start(late);
    EXPECT_EQ(Play(handler, 12), (Values{0, 3, 6, 9, 12, 16, 19, 22, 25, 28, 32, 35}));

    const TKavoXMEnvelope rising = MakeEnvelope({{33026, 0}, {33027, 64}});
    handler = Start(rising);
    EXPECT_EQ(Play(handler, 3), (Values{0, 0, 0}));
    handler.SetPosition(33024);
    EXPECT_EQ(Play(handler, 5), (Values{0, 0, 0, 64, 64}));

    const TKavoXMEnvelope falling = MakeEnvelope({{33026, 64}, {33027, 0}});
    handler = Start(falling);
    EXPECT_EQ(Play(handler, 3), (Values{255, 255, 255}));
    handler.SetPosition(33023);
    EXPECT_EQ(Play(handler, 5), (Values{255, 192, 128, 64, 0}));
}

TEST(EnvelopeHandler, SetPositionOnTheLoopEndJumpsToTheLoopStart) {
    TKavoXMEnvelope env = MakeEnvelope({{0, 16}, {2, 64}, {4, 0}});
    env.LoopEnabled = true;
    env.LoopStart = 1;
    env.LoopEnd = 2;
    TKavoXMEnvelopeHandler handler = Start(env);
    handler.SetPosition(4);
    EXPECT_EQ(handler.Position, 2);
    EXPECT_EQ(handler.CurrentPoint, 1);
    EXPECT_EQ(Play(handler, 4), (Values{64, 32, 64, 32}));
}

TEST(EnvelopeHandler, DisabledOrEmptyGivesZero) {
    TKavoXMEnvelope env = MakeEnvelope({{0, 64}, {10, 0}});
    env.Enabled = false;
    TKavoXMEnvelopeHandler handler = Start(env);
    EXPECT_EQ(handler.Process(), 0);
    TKavoXMEnvelopeHandler detached;
    EXPECT_EQ(detached.Process(), 0);
}

TEST(EnvelopeHandler, PointCountBeyondTheSlotsEndsAtTheLastRealPoint) {
    // A file may declare up to 255 points; the slots after the filled ones hold position 0.
    TKavoXMEnvelope env = MakeEnvelope({{0, 8}, {1, 9}});
    env.NumPoints = 255;
    env.LoopEnabled = true;
    env.LoopStart = 200;
    env.LoopEnd = 201;
    TKavoXMEnvelopeHandler handler = Start(env);
    EXPECT_EQ(Play(handler, 6), (Values{8, 9, 9, 9, 9, 9}));
    EXPECT_EQ(handler.Position, 1);
}

// Channel level: envelopes, fade-out and auto-vibrato.
class ChannelEnvelopes : public ::testing::Test {
  protected:
    TKavoXMModule module{nullptr};
    TKavoXMInstrument instrument;
    TKavoXMChannel& channel = *module.PatternChannels[0];

    void SetUp() override {
        channel.Instrument = &instrument;
        channel.VolumeEnvelopeHandler.Envelope = instrument.VolumeEnvelope.get();
        channel.PanningEnvelopeHandler.Envelope = instrument.PanningEnvelope.get();
        for (auto* handler : {&channel.VolumeEnvelopeHandler, &channel.PanningEnvelopeHandler}) {
            handler->SetPosition(0);
            handler->KeyOn = true;
        }
    }

    void Release() {
        channel.VolumeEnvelopeHandler.KeyOn = false;
        channel.PanningEnvelopeHandler.KeyOn = false;
        channel.KeyOff = true;
    }

    std::vector<int32_t> AutoVibrato(int32_t ticks) {
        std::vector<int32_t> deltas;
        for (int32_t i = 0; i < ticks; ++i) {
            channel.PeriodDelta = 0;
            channel.DoAutoVibrato();
            deltas.push_back(channel.PeriodDelta);
        }
        return deltas;
    }
};

// Without a volume envelope a key-off silences the note through its volume, which a later
// volume command can set again; the envelope values stay neutral. With one, the volume stays
// and the envelope leaves its sustain.
TEST_F(ChannelEnvelopes, KeyOffWithoutVolumeEnvelopeZeroesTheVolume) {
    channel.Volume = 40;
    channel.UpdateEnvelopes();
    EXPECT_EQ(channel.EnvelopeVolume, 64);
    channel.ReleaseKey();
    EXPECT_TRUE(channel.KeyOff);
    EXPECT_FALSE(channel.VolumeEnvelopeHandler.KeyOn);
    EXPECT_FALSE(channel.PanningEnvelopeHandler.KeyOn);
    EXPECT_EQ(channel.Volume, 0);
    channel.UpdateEnvelopes();
    EXPECT_EQ(channel.EnvelopeVolume, 64);
    EXPECT_EQ(channel.EnvelopePanning, 32);

    *instrument.VolumeEnvelope = MakeEnvelope({{0, 64}, {10, 0}});
    channel.Volume = 40;
    channel.ReleaseKey();
    EXPECT_EQ(channel.Volume, 40);
}

TEST_F(ChannelEnvelopes, EnabledEnvelopesAreStepped) {
    *instrument.VolumeEnvelope = MakeEnvelope({{0, 64}, {10, 0}});
    *instrument.PanningEnvelope = MakeEnvelope({{0, 0}, {4, 64}});
    channel.VolumeEnvelopeHandler.SetPosition(0);
    channel.PanningEnvelopeHandler.SetPosition(0);
    std::vector<int32_t> volumes, pannings;
    for (int32_t i = 0; i < 5; ++i) {
        channel.UpdateEnvelopes();
        volumes.push_back(channel.EnvelopeVolume);
        pannings.push_back(channel.EnvelopePanning);
    }
    EXPECT_EQ(volumes, (Values{64, 57, 51, 44, 38}));
    EXPECT_EQ(pannings, (Values{0, 16, 32, 48, 64}));
}

TEST_F(ChannelEnvelopes, NoEnvelopeAttachedLeavesDefaults) {
    channel.VolumeEnvelopeHandler.Envelope = nullptr;
    channel.PanningEnvelopeHandler.Envelope = nullptr;
    instrument.FadeOut = 1000;
    Release();
    channel.UpdateEnvelopes();
    EXPECT_EQ(channel.EnvelopeVolume, 64);
    EXPECT_EQ(channel.EnvelopePanning, 32);
    EXPECT_EQ(channel.FadeOutVolume, 65536); // the fade-out belongs to the volume envelope
}

TEST_F(ChannelEnvelopes, FadeOut256IsSilentAfter128Ticks) {
    instrument.FadeOut = 256;
    for (int32_t i = 0; i < 10; ++i) channel.UpdateEnvelopes();
    EXPECT_EQ(channel.FadeOutVolume, 65536); // no fade while the key is held
    Release();
    for (int32_t i = 0; i < 127; ++i) channel.UpdateEnvelopes();
    EXPECT_EQ(channel.FadeOutVolume, 512);
    channel.UpdateEnvelopes();
    EXPECT_EQ(channel.FadeOutVolume, 0);
    channel.UpdateEnvelopes();
    EXPECT_EQ(channel.FadeOutVolume, 0);
}

TEST_F(ChannelEnvelopes, FadeOutStopsAtZeroWithoutGoingNegative) {
    instrument.FadeOut = 65535;
    Release();
    channel.UpdateEnvelopes();
    EXPECT_EQ(channel.FadeOutVolume, 0);
}

TEST_F(ChannelEnvelopes, AutoVibratoSquare) {
    instrument.VibratoType = 1;
    instrument.VibratoDepth = 8;
    instrument.VibratoRate = 64;
    EXPECT_EQ(AutoVibrato(6), (Values{8, 8, -8, -8, 8, 8}));
}

struct WaveCase {
    int32_t type, position, expected;
};

TEST_F(ChannelEnvelopes, AutoVibratoWaveforms) {
    const WaveCase cases[] = {
        {0, 64, -64}, {0, 192, 64}, {0, 1, -2},                                // sine
        {1, 0, 64},   {1, 127, 64}, {1, 128, -64}, {1, 255, -64},              // square
        {2, 0, 0},    {2, 1, 0},    {2, 127, -63}, {2, 128, 64},  {2, 255, 0}, // ramp down
        {3, 0, 0},    {3, 127, 63}, {3, 128, 64},  {3, 129, -63}, {3, 255, 0}, // ramp up
        {4, 64, 0},   {255, 64, 0},                                            // none
    };
    instrument.VibratoDepth = 64; // offset = wave value
    instrument.VibratoRate = 0;
    for (const WaveCase& c : cases) {
        instrument.VibratoType = c.type;
        channel.AutoVibratoPosition = c.position;
        EXPECT_EQ(AutoVibrato(1)[0], c.expected) << "type " << c.type << " p " << c.position;
    }
}

TEST_F(ChannelEnvelopes, AutoVibratoSweepGrowsUntilKeyOff) {
    instrument.VibratoType = 1;
    instrument.VibratoDepth = 8;
    instrument.VibratoSweep = 4;
    EXPECT_EQ(AutoVibrato(3), (Values{0, 2, 4}));
    Release();
    EXPECT_EQ(AutoVibrato(3), (Values{6, 6, 6}));
    EXPECT_EQ(channel.AutoVibratoSweepPosition, 3);
}

TEST_F(ChannelEnvelopes, AutoVibratoSweepReachesFullDepth) {
    instrument.VibratoType = 1;
    instrument.VibratoDepth = 8;
    instrument.VibratoSweep = 2;
    EXPECT_EQ(AutoVibrato(5), (Values{0, 4, 8, 8, 8}));
    EXPECT_EQ(channel.AutoVibratoSweepPosition, 2);
}

TEST_F(ChannelEnvelopes, AutoVibratoNeedsAnInstrument) {
    instrument.VibratoType = 1;
    instrument.VibratoDepth = 8;
    instrument.VibratoRate = 64;
    channel.Instrument = nullptr;
    EXPECT_EQ(AutoVibrato(2), (Values{0, 0}));
    EXPECT_EQ(channel.AutoVibratoPosition, 0);
}

} // namespace
