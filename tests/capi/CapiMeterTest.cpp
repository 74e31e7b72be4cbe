// Channel meters: each channel's left and right level equals the peak of that channel
// rendered alone over the same block, and measuring changes no output value.
#include "CapiSongs.h"
#include "KavoXM/player/Player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using capisongs::Handle;
using xmbuilder::XMCell;

constexpr int32_t Rate = 44100;
constexpr size_t Block = 2048; // the C API's mixing block

// Busy's channels, with every note of channel 0 panned hard left (volume column C0) and
// channel 3 set far right.
xmbuilder::XMSong Panned() {
    xmbuilder::XMSong song = capisongs::Busy();
    for (size_t p = 0; p < song.Patterns.size(); ++p) {
        for (int32_t row = 0; row < 32; row += 4) {
            const auto note = uint8_t(37 + (row / 4 + int32_t(p) * 3) % 12);
            song.Patterns[p].Put(row, 0, XMCell{note, 1, 0xC0, 0, 0});
        }
        song.Patterns[p].Put(1, 3, XMCell{0, 0, 0, 0x8, 0xF0});
    }
    return song;
}

struct Side {
    double left = 0, right = 0;
};

// Per block: the levels the handle reports for `channel` after each block.
std::vector<Side> Metered(kavoxm_module* m, int32_t channel, size_t blocks) {
    std::vector<float> left(32), right(32);
    std::vector<int32_t> mix(Block * 2);
    std::vector<Side> out;
    for (size_t b = 0; b < blocks; ++b) {
        if (kavoxm_render_mix(m, Rate, 2, mix.data(), Block) != int64_t(Block)) break;
        kavoxm_get_channel_levels(m, left.data(), right.data(), 32);
        out.push_back({left[size_t(channel)], right[size_t(channel)]});
    }
    return out;
}

// Per block: the peak of the render of `channel` alone.
std::vector<Side> Solo(const std::vector<uint8_t>& image, int32_t channel, size_t blocks) {
    Handle m = capisongs::Load(image);
    for (int32_t c = 0; c < 4; ++c)
        if (c != channel) kavoxm_set_channel_mute(m.get(), c, 1);
    std::vector<int32_t> mix(Block * 2);
    std::vector<Side> out;
    for (size_t b = 0; b < blocks; ++b) {
        if (kavoxm_render_mix(m.get(), Rate, 2, mix.data(), Block) != int64_t(Block)) break;
        Side s;
        for (size_t i = 0; i < Block; ++i) {
            s.left = std::max(s.left, std::abs(double(mix[2 * i])) / (32768.0 * 4096));
            s.right = std::max(s.right, std::abs(double(mix[2 * i + 1])) / (32768.0 * 4096));
        }
        out.push_back(s);
    }
    return out;
}

// Within 1 dB where the solo render sounds (above -60 dB); below that only the fading offset
// that click removal leaves after a voice stops may remain, which is no voice's output.
void ExpectClose(double meter, double solo, const std::string& where) {
    if (solo < 1e-3) {
        EXPECT_LT(meter, 1e-3) << where;
        return;
    }
    EXPECT_NEAR(20 * std::log10(std::max(meter, 1e-9) / solo), 0.0, 1.0) << where;
}

class CapiMeter : public testing::TestWithParam<int32_t> {};

TEST_P(CapiMeter, EachSideEqualsTheChannelRenderedAlone) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(Panned());
    const int32_t channel = GetParam();
    const size_t blocks = 120;
    Handle m = capisongs::Load(image);
    const std::vector<Side> meters = Metered(m.get(), channel, blocks);
    const std::vector<Side> solo = Solo(image, channel, blocks);
    ASSERT_EQ(meters.size(), blocks);
    ASSERT_EQ(solo.size(), blocks);
    int32_t sounding = 0;
    for (size_t b = 0; b < blocks; ++b) {
        const std::string where = "block " + std::to_string(b);
        ExpectClose(meters[b].left, solo[b].left, where + " left");
        ExpectClose(meters[b].right, solo[b].right, where + " right");
        sounding += solo[b].left > 1e-3 || solo[b].right > 1e-3 ? 1 : 0;
    }
    EXPECT_GT(sounding, 20); // the channel plays in this stretch
}

INSTANTIATE_TEST_SUITE_P(Channels, CapiMeter, testing::Values(0, 1, 2, 3),
                         [](const testing::TestParamInfo<int32_t>& info) {
                             return "Channel" + std::to_string(info.param);
                         });

TEST(CapiMeter, HardPanningShowsOnOneSideOnly) {
    Handle m = capisongs::Load(xmbuilder::BuildXM(Panned()));
    const std::vector<Side> left = Metered(m.get(), 0, 60);
    double l = 0, r = 0;
    for (const Side& s : left) {
        l = std::max(l, s.left);
        r = std::max(r, s.right);
    }
    EXPECT_GT(l, 0.01);
    EXPECT_EQ(r, 0.0);
}

// The handle measures every block; its output is the engine's own render, value for value.
TEST(CapiMeter, MeasuringChangesNoOutputValue) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(Panned());
    Handle metered = capisongs::Load(image);
    float left[4], right[4];
    ASSERT_EQ(kavoxm_get_channel_levels(metered.get(), left, right, 4), 4);
    const size_t frames = 150000;
    std::vector<int16_t> capi(frames * 2);
    ASSERT_EQ(kavoxm_render_s16(metered.get(), Rate, 2, capi.data(), frames), int64_t(frames));
    TKavoXM engine(Rate, int32_t(Block), 1, true, 10, 16, 0, TKavoXMOutput::None);
    ASSERT_TRUE(engine.Module->LoadFromMemory(image.data(), int32_t(image.size())));
    ASSERT_TRUE(engine.StartOffline());
    std::vector<int16_t> plain(frames * 2);
    ASSERT_EQ(engine.RenderOffline(plain.data(), int32_t(frames)), int32_t(frames));
    EXPECT_EQ(capi, plain);
    EXPECT_EQ(kavoxm_get_channel_levels(metered.get(), nullptr, right, 1),
              KAVOXM_ERROR_INVALID_ARGUMENT);
}

} // namespace
