// Per-channel mute and volume through the C API: a muted channel renders as if its cells held
// no notes (its song-wide effects still act), and the channel state follows what plays.
#include "CapiSongs.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
using namespace capisongs;

bool SongWide(const XMCell& c) {
    return c.Effect == 0xB || c.Effect == 0xD || c.Effect == 0xF || c.Effect == 0x10 ||
           c.Effect == 0x11 ||
           (c.Effect == 0xE && ((c.Parameter >> 4) == 6 || (c.Parameter >> 4) == 0xE));
}

// The song with one channel's cells reduced to their song-wide effects.
xmbuilder::XMSong Blanked(xmbuilder::XMSong song, int32_t channel) {
    for (auto& pattern : song.Patterns)
        for (auto& placed : pattern.Cells)
            if (placed.Channel == channel)
                placed.Cell = SongWide(placed.Cell)
                                  ? XMCell{0, 0, 0, placed.Cell.Effect, placed.Cell.Parameter}
                                  : XMCell{};
    return song;
}

TEST(CapiMute, MutedChannelSoundsAsItsBlankedCells) {
    // Channel 3 carries the tempo change, channel 1 the pattern loop of the second song.
    const std::vector<std::pair<xmbuilder::XMSong, int32_t>> cases = {
        {Busy(), 3}, {Busy(), 0}, {Loops(), 1}, {Loops(), 2}};
    for (const auto& [song, channel] : cases) {
        const Handle muted = Load(xmbuilder::BuildXM(song));
        ASSERT_EQ(kavoxm_set_channel_mute(muted.get(), channel, 1), KAVOXM_OK);
        const Handle blank = Load(xmbuilder::BuildXM(Blanked(song, channel)));
        const Handle open = Load(xmbuilder::BuildXM(song));
        const std::vector<int32_t> mutedMix = RenderAll(muted.get(), 44100);
        EXPECT_EQ(mutedMix, RenderAll(blank.get(), 44100)) << "channel " << channel;
        EXPECT_NE(mutedMix, RenderAll(open.get(), 44100)) << "channel " << channel;
    }
}

TEST(CapiMute, MuteHoldsOverSeeksAndUnmutes) {
    const xmbuilder::XMSong song = Busy();
    const Handle muted = Load(xmbuilder::BuildXM(song));
    ASSERT_EQ(kavoxm_set_channel_mute(muted.get(), 0, 1), KAVOXM_OK);
    ASSERT_EQ(kavoxm_seek_order(muted.get(), 0, 0), KAVOXM_OK);
    const Handle blank = Load(xmbuilder::BuildXM(Blanked(song, 0)));
    EXPECT_EQ(RenderAll(muted.get(), 44100), RenderAll(blank.get(), 44100));
    ASSERT_EQ(kavoxm_set_channel_mute(muted.get(), 0, 0), KAVOXM_OK);
    ASSERT_EQ(kavoxm_seek_order(muted.get(), 0, 0), KAVOXM_OK);
    const Handle open = Load(xmbuilder::BuildXM(song));
    EXPECT_EQ(RenderAll(muted.get(), 44100), RenderAll(open.get(), 44100));
}

TEST(CapiMute, MutingCutsTheVoiceAndItsLevel) {
    const Handle m = Load(xmbuilder::BuildXM(Held(64)));
    std::vector<int32_t> mix(2 * 8000);
    ASSERT_EQ(kavoxm_render_mix(m.get(), 44100, 2, mix.data(), 8000), 8000);
    kavoxm_channel_state states[2]{};
    ASSERT_EQ(kavoxm_get_channel_states(m.get(), states, 2), 2);
    EXPECT_EQ(states[0].note, 49);
    EXPECT_EQ(states[0].instrument, 1);
    EXPECT_GT(states[0].level, 0.0f);
    EXPECT_LE(states[0].level, 1.0f);
    EXPECT_EQ(states[1].volume, 0x28 - 0x10);
    // Calls shorter than the mixing block still show the level of what they hand out.
    for (int call = 0; call < 12; ++call) {
        ASSERT_EQ(kavoxm_render_mix(m.get(), 44100, 2, mix.data(), 300), 300);
        ASSERT_EQ(kavoxm_get_channel_states(m.get(), states, 2), 2);
        EXPECT_GT(states[0].level, 0.0f) << "call " << call;
    }
    ASSERT_EQ(kavoxm_set_channel_mute(m.get(), 0, 1), KAVOXM_OK);
    // The frames already mixed ahead (under one block) still hold the voice.
    ASSERT_EQ(kavoxm_render_mix(m.get(), 44100, 2, mix.data(), 2048), 2048);
    ASSERT_EQ(kavoxm_render_mix(m.get(), 44100, 2, mix.data(), 8000), 8000);
    ASSERT_EQ(kavoxm_get_channel_states(m.get(), states, 2), 2);
    EXPECT_EQ(states[0].note, 0);
    EXPECT_EQ(states[0].level, 0.0f);
    EXPECT_GT(states[1].level, 0.0f);
}

TEST(CapiMute, ChannelVolumeScalesTheVoice) {
    // Channel 0 alone, at volumes 256, 128 and 0.
    std::vector<double> peaks;
    for (const int32_t volume : {256, 128, 0}) {
        const Handle m = Load(xmbuilder::BuildXM(Held(8)));
        ASSERT_EQ(kavoxm_set_channel_mute(m.get(), 1, 1), KAVOXM_OK);
        ASSERT_EQ(kavoxm_set_channel_volume(m.get(), 0, volume), KAVOXM_OK);
        int64_t peak = 0;
        for (const int32_t x : RenderAll(m.get(), 44100))
            peak = std::max<int64_t>(peak, std::abs(int64_t(x)));
        peaks.push_back(double(peak));
    }
    EXPECT_GT(peaks[0], 0);
    EXPECT_NEAR(peaks[1], peaks[0] / 2, peaks[0] * 0.01);
    EXPECT_EQ(peaks[2], 0);
}

} // namespace
