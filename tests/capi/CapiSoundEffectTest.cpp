// Sound effects from the song's instruments: a note alone sounds as a one-channel song playing
// it; effects never take the song's channels.
#include "capi/GameSongs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

using namespace gamesongs;

// Instruments with what an effect's note must carry along.
xmbuilder::XMInstrument Looped() {
    return capisongs::Instrument(capisongs::Tone(3000, 37, 1, 1000, 1733));
}

xmbuilder::XMInstrument Enveloped() {
    xmbuilder::XMInstrument i = Looped();
    i.VolumeEnvelope.Points = {{0, 0}, {4, 64}, {12, 40}, {40, 20}, {80, 0}};
    i.VolumeEnvelope.Type = 1 | 2; // on, sustain
    i.VolumeEnvelope.Sustain = 2;
    i.PanningEnvelope.Points = {{0, 10}, {20, 54}, {40, 32}};
    i.PanningEnvelope.Type = 1;
    i.FadeOut = 2000;
    return i;
}

xmbuilder::XMInstrument Vibrating() {
    xmbuilder::XMInstrument i = Looped();
    i.VibratoType = 1;
    i.VibratoSweep = 30;
    i.VibratoDepth = 12;
    i.VibratoRate = 20;
    return i;
}

xmbuilder::XMInstrument OneShot() {
    return capisongs::Instrument(capisongs::Tone(5000, 51, 0, 0, 0));
}

struct EffectCase {
    const char* name;
    xmbuilder::XMInstrument (*instrument)();
    int32_t note;
    int32_t volume;  // -1: the sample's
    int32_t panning; // -1: the sample's
    bool release;    // key-off at row 16
};

const EffectCase EffectCases[] = {
    {"LoopedNote", Looped, 49, -1, -1, false},
    {"VolumeAndPanning", Looped, 61, 40, 200, false},
    {"EnvelopesSustainReleaseFadeOut", Enveloped, 37, 48, -1, true},
    {"AutoVibrato", Vibrating, 52, -1, 64, false},
    {"OneShotRunsOut", OneShot, 30, 64, -1, false},
    {"ReleasedWithoutEnvelope", Looped, 45, -1, -1, true},
};

xmbuilder::XMSong OneChannel(const EffectCase& c, bool withNote) {
    xmbuilder::XMSong song;
    song.Channels = 1;
    song.Instruments.push_back(Looped());
    song.Instruments.push_back(c.instrument());
    xmbuilder::XMPattern pattern;
    pattern.Rows = 64;
    if (withNote) {
        pattern.Put(0, 0,
                    XMCell{uint8_t(c.note), 2, uint8_t(c.volume < 0 ? 0 : 0x10 + c.volume),
                           uint8_t(c.panning < 0 ? 0 : 8), uint8_t(c.panning < 0 ? 0 : c.panning)});
        if (c.release) pattern.Put(16, 0, XMCell{97, 0, 0, 0, 0});
    }
    song.Patterns.push_back(pattern);
    return song;
}

class SoundEffectTest : public ::testing::TestWithParam<EffectCase> {};

TEST_P(SoundEffectTest, AloneEqualsAOneChannelSongPlayingTheNote) {
    const EffectCase& c = GetParam();
    auto song = capisongs::Load(xmbuilder::BuildXM(OneChannel(c, true)));
    auto silent = capisongs::Load(xmbuilder::BuildXM(OneChannel(c, false)));
    ASSERT_TRUE(song && silent);
    const int32_t id = kavoxm_effect_play(silent.get(), 2, c.note, c.volume, c.panning);
    ASSERT_GT(id, 0);
    // 41 blocks: the mixer stands on the frame before row 16's first tick, where the song's
    // key-off is read.
    constexpr size_t BeforeRow16 = 41 * 2048;
    std::vector<int32_t> expected(2 * BeforeRow16), actual(2 * BeforeRow16);
    ASSERT_EQ(kavoxm_render_mix(song.get(), 44100, 2, expected.data(), BeforeRow16), 83968);
    ASSERT_EQ(kavoxm_render_mix(silent.get(), 44100, 2, actual.data(), BeforeRow16), 83968);
    ASSERT_TRUE(actual == expected) << "differs before row 16";
    if (c.release) {
        ASSERT_EQ(kavoxm_effect_release(silent.get(), id), KAVOXM_OK);
    }
    expected = capisongs::RenderAll(song.get(), 44100);
    actual = capisongs::RenderAll(silent.get(), 44100);
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_TRUE(actual == expected) << "differs from row 16 on";
}

INSTANTIATE_TEST_SUITE_P(Notes, SoundEffectTest, ::testing::ValuesIn(EffectCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A new output rate in the middle of the note: the effect's voice is restepped as a song
// channel's is.
TEST(SoundEffects, FollowANewRateAsSongChannelsDo) {
    auto song = capisongs::Load(xmbuilder::BuildXM(OneChannel(EffectCases[3], true)));
    auto silent = capisongs::Load(xmbuilder::BuildXM(OneChannel(EffectCases[3], false)));
    ASSERT_TRUE(song && silent);
    ASSERT_GT(kavoxm_effect_play(silent.get(), 2, EffectCases[3].note, -1, 64), 0);
    std::vector<int32_t> expected(2 * 4096), actual(2 * 4096);
    for (const int32_t rate : {44100, 48000, 22050}) {
        ASSERT_EQ(kavoxm_render_mix(song.get(), rate, 2, expected.data(), 4096), 4096);
        ASSERT_EQ(kavoxm_render_mix(silent.get(), rate, 2, actual.data(), 4096), 4096);
        EXPECT_TRUE(actual == expected) << "differs at " << rate << " Hz";
    }
}

TEST(SoundEffects, NeverTakeTheSongsChannels) {
    const auto image = xmbuilder::BuildXM(Sections());
    auto plain = capisongs::Load(image);
    auto crowded = capisongs::Load(image);
    ASSERT_TRUE(plain && crowded);
    // Twice as many silent effects as there are voices: they take each other's voices, never a
    // song channel's, and add nothing to the mix.
    std::vector<int32_t> ids;
    for (int32_t i = 0; i < 2 * KAVOXM_EFFECT_VOICES; ++i) {
        ids.push_back(kavoxm_effect_play(crowded.get(), 1 + i % 3, 30 + i, 0, -1));
        ASSERT_GT(ids.back(), 0);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "an id came twice";
    EXPECT_TRUE(capisongs::RenderAll(crowded.get(), 44100) ==
                capisongs::RenderAll(plain.get(), 44100));
}

TEST(SoundEffects, StopFadesOutAndReportsTheEnd) {
    auto song = capisongs::Load(xmbuilder::BuildXM(OneChannel(EffectCases[0], false)));
    ASSERT_TRUE(song);
    const int32_t id = kavoxm_effect_play(song.get(), 1, 49, 64, -1);
    std::vector<int32_t> out(2 * 20480);
    ASSERT_EQ(kavoxm_render_mix(song.get(), 44100, 2, out.data(), 20480), 20480);
    ASSERT_EQ(kavoxm_effect_stop(song.get(), id), KAVOXM_OK);
    ASSERT_EQ(kavoxm_render_mix(song.get(), 44100, 2, out.data(), 20480), 20480);
    const auto ends = OfType(ReadAll(song.get()), KAVOXM_EVENT_EFFECT_END);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].a, id);
    // Faded out within the cut's ramp after the stop's tick (what stays is the click removal's
    // settled remainder, under one 16-bit step); a stopped id is unknown.
    ASSERT_GE(ends[0].frame, 20480);
    const size_t silentFrom = size_t(ends[0].frame - 20480 + 256) * 2;
    for (size_t i = silentFrom; i < out.size(); ++i) ASSERT_LT(std::abs(out[i]), 4096) << i;
    EXPECT_EQ(kavoxm_effect_stop(song.get(), id), KAVOXM_ERROR_POSITION);
    EXPECT_EQ(kavoxm_effect_release(song.get(), id), KAVOXM_ERROR_POSITION);
}

struct BadEffect {
    const char* name;
    int32_t instrument, note, volume, panning, error;
};

const BadEffect BadEffects[] = {
    {"NoInstrument", 3, 49, -1, -1, KAVOXM_ERROR_POSITION},
    {"InstrumentZero", 0, 49, -1, -1, KAVOXM_ERROR_INVALID_ARGUMENT},
    {"NoteZero", 1, 0, -1, -1, KAVOXM_ERROR_INVALID_ARGUMENT},
    {"KeyOffNote", 1, 97, -1, -1, KAVOXM_ERROR_INVALID_ARGUMENT},
    {"LoudVolume", 1, 49, 65, -1, KAVOXM_ERROR_INVALID_ARGUMENT},
    {"WidePanning", 1, 49, 64, 256, KAVOXM_ERROR_INVALID_ARGUMENT},
};

class BadEffectTest : public ::testing::TestWithParam<BadEffect> {};

TEST_P(BadEffectTest, IsRefused) {
    auto song = capisongs::Load(xmbuilder::BuildXM(OneChannel(EffectCases[0], false)));
    ASSERT_TRUE(song);
    const BadEffect& b = GetParam();
    EXPECT_EQ(kavoxm_effect_play(song.get(), b.instrument, b.note, b.volume, b.panning), b.error);
}

INSTANTIATE_TEST_SUITE_P(Arguments, BadEffectTest, ::testing::ValuesIn(BadEffects),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
