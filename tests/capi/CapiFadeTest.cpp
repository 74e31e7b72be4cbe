// Layer fades: a channel's or the master volume moves to its target over the time given,
// monotonically and without a step that clicks, and reports its end.
#include "capi/GameSongs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

using namespace gamesongs;

// Two channels holding a constant (looped DC) sample each: the output is the gain itself.
xmbuilder::XMSong Constant() {
    xmbuilder::XMSong song;
    song.Channels = 2;
    xmbuilder::XMSample dc;
    dc.Left.assign(256, 100);
    dc.LoopType = 1;
    dc.LoopStartFrames = 0;
    dc.LoopLengthFrames = 256;
    song.Instruments.push_back(capisongs::Instrument(dc));
    xmbuilder::XMPattern pattern;
    pattern.Rows = 64;
    pattern.Put(0, 0, XMCell{49, 1, 0, 0, 0});
    pattern.Put(0, 1, XMCell{49, 1, 0, 0, 0});
    song.Patterns.push_back(pattern);
    return song;
}

struct FadeCase {
    const char* name;
    int32_t layer; // channel, or -1 for the master volume
    int32_t from;
    int32_t to;
    double seconds;
};

const FadeCase FadeCases[] = {
    {"ChannelOut", 0, 256, 0, 0.5},        {"ChannelIn", 1, 0, 256, 1.0},
    {"ChannelHalfway", 0, 256, 128, 0.25}, {"MasterOut", -1, 128, 0, 0.75},
    {"MasterUp", -1, 64, 256, 0.3},
};

class FadeTest : public ::testing::TestWithParam<FadeCase> {};

TEST_P(FadeTest, MonotonicClickFreeAndReportedAtItsEnd) {
    const FadeCase& c = GetParam();
    auto song = capisongs::Load(xmbuilder::BuildXM(Constant()));
    ASSERT_TRUE(song);
    kavoxm_module* m = song.get();
    // Without interpolation the constant sample gives a constant value (the spline's taps
    // wobble it by a step with the fraction of the position).
    ASSERT_EQ(kavoxm_set_interpolation(m, KAVOXM_INTERPOLATION_NEAREST), KAVOXM_OK);
    if (c.layer < 0)
        ASSERT_EQ(kavoxm_set_master_volume(m, c.from), KAVOXM_OK);
    else
        ASSERT_EQ(kavoxm_set_channel_volume(m, c.layer, c.from), KAVOXM_OK);
    constexpr size_t Lead = 8192; // the notes sound steadily by then
    std::vector<int32_t> lead(2 * Lead);
    ASSERT_EQ(kavoxm_render_mix(m, 44100, 2, lead.data(), Lead), int64_t(Lead));
    ReadAll(m);
    const int32_t start = lead[2 * Lead - 2];
    if (c.layer < 0)
        ASSERT_EQ(kavoxm_fade_master(m, c.to, c.seconds), KAVOXM_OK);
    else
        ASSERT_EQ(kavoxm_fade_channel(m, c.layer, c.to, c.seconds), KAVOXM_OK);
    const auto length = size_t(c.seconds * 44100);
    std::vector<int32_t> out(2 * (length + 8192));
    ASSERT_EQ(kavoxm_render_mix(m, 44100, 2, out.data(), length + 8192), int64_t(length + 8192));
    const int32_t end = out[out.size() - 2];
    ASSERT_NE(start, end);
    const int32_t direction = end > start ? 1 : -1;
    // The left side of every frame, from the last lead frame on.
    int32_t previous = start;
    int32_t largestStep = 0;
    for (size_t f = 0; f < out.size() / 2; ++f) {
        const int32_t value = out[2 * f];
        ASSERT_GE((value - previous) * direction, 0) << "turns back at frame " << f;
        largestStep = std::max(largestStep, std::abs(value - previous));
        previous = value;
    }
    // A step of one in 500 of the change is inaudible; a volume set at once steps 1/128.
    EXPECT_LE(largestStep, std::abs(end - start) / 500) << "a step that clicks";
    const auto ends = OfType(ReadAll(m), KAVOXM_EVENT_FADE_END);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].a, c.layer);
    EXPECT_EQ(ends[0].b, c.to);
    // On the first tick at or past the fade's length: within a tick (882 frames) of it, counted
    // from the tick the fade began on (within a block of the request).
    EXPECT_GE(ends[0].frame, int64_t(Lead + length) - 882);
    EXPECT_LE(ends[0].frame, int64_t(Lead + length) + 2048 + 882);
}

INSTANTIATE_TEST_SUITE_P(Layers, FadeTest, ::testing::ValuesIn(FadeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Fades, SettingTheVolumeEndsAFadeAndArgumentsAreChecked) {
    auto song = capisongs::Load(xmbuilder::BuildXM(Constant()));
    ASSERT_TRUE(song);
    kavoxm_module* m = song.get();
    ASSERT_EQ(kavoxm_set_interpolation(m, KAVOXM_INTERPOLATION_NEAREST), KAVOXM_OK);
    ASSERT_EQ(kavoxm_fade_channel(m, 0, 0, 1.0), KAVOXM_OK);
    ASSERT_EQ(kavoxm_set_channel_volume(m, 0, 200), KAVOXM_OK);
    ASSERT_EQ(kavoxm_fade_master(m, 0, 1.0), KAVOXM_OK);
    ASSERT_EQ(kavoxm_set_master_volume(m, 128), KAVOXM_OK);
    std::vector<int32_t> out(2 * 88200);
    ASSERT_EQ(kavoxm_render_mix(m, 44100, 2, out.data(), 88200), 88200);
    EXPECT_TRUE(OfType(ReadAll(m), KAVOXM_EVENT_FADE_END).empty());
    EXPECT_EQ(out[2 * 88199], out[2 * 40000]) << "the volume moved after being set";
    EXPECT_EQ(kavoxm_fade_channel(m, 2, 0, 1.0), KAVOXM_ERROR_POSITION);
    EXPECT_EQ(kavoxm_fade_channel(m, 0, 257, 1.0), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_fade_channel(m, 0, 0, -1.0), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_fade_master(m, 0, 1e9), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_fade_master(nullptr, 0, 1.0), KAVOXM_ERROR_INVALID_ARGUMENT);
}

} // namespace
