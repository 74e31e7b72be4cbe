// Block render over the three banks and the click-removal tail, on an offline player.
#include "KavoXM/mixer/Render.h"
#include "KavoXM/player/Player.h"
#include "MixerTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace {
using namespace mixertest;

class RenderTest : public ::testing::TestWithParam<bool> {
  protected:
    std::unique_ptr<TKavoXM> player;

    void SetUp() override { Make(GetParam()); }
    void Make(bool stereo) {
        player = std::make_unique<TKavoXM>(44100, 2048, 4, stereo, 10, 16, 0, TKavoXMOutput::None);
        player->MixPos = player->MixBuffer.get();
        Values().assign(0);
    }
    struct View {
        int32_t* data;
        size_t size;
        void assign(int32_t v) { std::fill(data, data + size, v); }
        int32_t operator[](size_t i) const { return data[i]; }
    };
    View Values() {
        return {player->MixBuffer.get(), size_t(player->BufferFrames * player->Channels)};
    }
    TKavoXMModule& Module() { return *player->Module; }
};

TEST_P(RenderTest, NothingIsRenderedAtTheBlockEnd) {
    player->SamplesLeftInTick = 500;
    EXPECT_EQ(Render(*player, 2048, 500), 0);
    EXPECT_EQ(Render(*player, 3000, 500), 0);
    EXPECT_EQ(player->SamplesLeftInTick, 500);
}

TEST_P(RenderTest, RunIsCutAtTheBlockEnd) {
    player->SamplesLeftInTick = 882;
    EXPECT_EQ(Render(*player, 1764, 882), 284);
    EXPECT_EQ(player->SamplesLeftInTick, 598);
}

// Pattern channels in use and the background channels that took over a voice are mixed;
// reserve channels never sound and are passed by.
TEST_P(RenderTest, PatternChannelsInUseAndBackgroundVoicesAreMixed) {
    auto sample = MakeSample(std::vector<int32_t>(64, 100), 1, {true, false, 0, 64});
    Module().ChannelCount = 2;
    auto arm = [&](TKavoXMChannel& voice) {
        auto model = MakeVoice(*sample, 0, Frame);
        voice.Active = true;
        voice.Sample = sample.get();
        voice.Increment = model->Increment;
        voice.SamplePosition = 0;
        voice.TargetVolumeLeft = voice.TargetVolumeRight = 4096;
        voice.RampVolumeLeft = voice.RampVolumeRight = 4096 * 4096;
        voice.RampTargetLeft = voice.RampTargetRight = 4096 * 4096;
    };
    arm(*Module().PatternChannels[1]);
    arm(*Module().PatternChannels[2]); // beyond ChannelCount: not mixed
    arm(*Module().BackgroundChannels[255]);
    Module().BackgroundInUse = 256;
    player->SamplesLeftInTick = 10;
    EXPECT_EQ(Render(*player, 0, 10), 10);
    for (int32_t f = 0; f < 10; ++f)
        ASSERT_EQ(Values()[size_t(f * player->Channels)], 2 * 100 * 4096);
    EXPECT_EQ(Values()[size_t(10 * player->Channels)], 0);
    EXPECT_EQ(Module().PatternChannels[2]->SamplePosition, 0);
}

TEST_P(RenderTest, ClickRemovalDecaysBeforeEachFrame) {
    Module().ClickRemovalLeft = 25600;
    Module().ClickRemovalRight = -25600;
    ApplyClickRemoval(*player, 5, 3);
    const int32_t c = player->Channels;
    EXPECT_EQ(Values()[size_t(4 * c)], 0);
    EXPECT_EQ(Values()[size_t(5 * c)], 25500);
    EXPECT_EQ(Values()[size_t(6 * c)], 25401);
    EXPECT_EQ(Values()[size_t(7 * c)], 25401 - 25401 / 256);
    EXPECT_EQ(Module().ClickRemovalLeft, 25401 - 25401 / 256);
    if (c == 2) {
        EXPECT_EQ(Values()[11], -25500);
        EXPECT_EQ(Module().ClickRemovalRight, -(25401 - 25401 / 256));
    } else {
        EXPECT_EQ(Module().ClickRemovalRight, -25600); // mono: neither added nor decayed
    }
}

struct Residue {
    int32_t start, after;
};

TEST_P(RenderTest, SmallOffsetsStopDecaying) {
    const Residue cases[] = {{255, 255}, {-255, -255}, {256, 255}, {-256, -255}};
    for (const Residue& r : cases) {
        SCOPED_TRACE(r.start);
        Values().assign(0);
        Module().ClickRemovalLeft = r.start;
        Module().ClickRemovalRight = 0;
        ApplyClickRemoval(*player, 0, 100);
        EXPECT_EQ(Values()[size_t(99 * player->Channels)], r.after);
        EXPECT_EQ(Module().ClickRemovalLeft, r.after);
    }
}

TEST_P(RenderTest, ZeroAccumulatorsLeaveTheMixAlone) {
    Values().assign(-7);
    Module().ClickRemovalLeft = Module().ClickRemovalRight = 0;
    ApplyClickRemoval(*player, 0, 2048);
    for (size_t i = 0; i < Values().size; ++i) ASSERT_EQ(Values()[i], -7);
}

TEST_P(RenderTest, ClickRemovalAdditionsWrap) {
    Values().assign(INT32_MAX);
    Module().ClickRemovalLeft = 25600;
    ApplyClickRemoval(*player, 0, 1);
    EXPECT_EQ(Values()[0], int32_t(uint32_t(INT32_MAX) + 25500u));
}

// Long tails against a frame-by-frame model, from extreme and from unequal offsets, over runs
// that start and end off any vector boundary: the decaying frames, the frame where decay
// stops, and the settled offsets added to every later value on the correct side.
TEST_P(RenderTest, ClickRemovalTailMatchesTheFrameByFrameRule) {
    const int32_t starts[][2] = {{INT32_MIN, INT32_MAX}, {-25600, 300}, {1000, -7}, {-300, 99999}};
    const int32_t c = player->Channels;
    for (const auto& start : starts) {
        SCOPED_TRACE(std::to_string(start[0]) + " " + std::to_string(start[1]));
        Values().assign(5);
        Module().ClickRemovalLeft = start[0];
        Module().ClickRemovalRight = start[1];
        ApplyClickRemoval(*player, 3, 1500);
        ApplyClickRemoval(*player, 1503, 541);
        int64_t offset[2] = {start[0], c == 2 ? start[1] : 0};
        for (int32_t f = 0; f < player->BufferFrames; ++f)
            for (int32_t side = 0; side < c; ++side) {
                int32_t expected = 5;
                if (f >= 3 && f < 2044) {
                    offset[side] -= offset[side] / 256;
                    expected = int32_t(uint32_t(5) + uint32_t(offset[side]));
                }
                ASSERT_EQ(Values()[size_t(f * c + side)], expected) << f << " " << side;
            }
        EXPECT_EQ(Module().ClickRemovalLeft, offset[0]);
        EXPECT_EQ(Module().ClickRemovalRight, c == 2 ? offset[1] : start[1]);
    }
}

// RenderFresh sets the frames instead of adding to them and folds settled click-removal
// offsets into that setting; whatever the frames held, it must give what clearing them and
// Render give: with settled, decaying and zero offsets, and with a voice that stops inside the
// segment and so moves the offsets after the frames were set.
struct FreshCase {
    const char* name;
    int32_t left, right;
    bool stoppingVoice;
    bool rightOnly = false; // the stopping voice sounds on the right side only
};

TEST_P(RenderTest, RenderFreshEqualsClearingAndRender) {
    const FreshCase cases[] = {{"none", 0, 0, false},
                               {"settled", 255, -255, false},
                               {"settled left only", -200, 0, false},
                               {"one decaying", 100, 256, false},
                               {"decaying", -25600, 9000, false},
                               {"settled then moved", 120, -7, true},
                               {"zero then moved", 0, 0, true},
                               {"decaying then moved", 3000, -3000, true},
                               {"settled then moved on the right", 50, 60, true, true}};
    const bool stereo = GetParam();
    auto sample = RampSample(300);
    for (const FreshCase& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t results[2][2048 * 2];
        int32_t offsets[2][2];
        for (int32_t way = 0; way < 2; ++way) {
            Make(stereo);
            Module().ClickRemovalLeft = c.left;
            Module().ClickRemovalRight = c.right;
            if (c.stoppingVoice) {
                Module().ChannelCount = 1;
                TKavoXMChannel& voice = *Module().PatternChannels[0];
                auto model = MakeVoice(*sample, 0, Frame * 3);
                voice.Active = true;
                voice.Sample = sample.get();
                voice.Increment = model->Increment;
                voice.TargetVolumeLeft = voice.TargetVolumeRight = 4096;
                voice.RampVolumeLeft = voice.RampVolumeRight = 4096 * 4096;
                voice.RampTargetLeft = voice.RampTargetRight = 4096 * 4096;
                if (c.rightOnly)
                    voice.TargetVolumeLeft = voice.RampVolumeLeft = voice.RampTargetLeft = 0;
            }
            player->SamplesLeftInTick = 1500;
            Values().assign(way == 0 ? 0x5A5A5A5A : 0);
            const int32_t n = way == 0 ? RenderFresh(*player, 7, 1500) : Render(*player, 7, 1500);
            EXPECT_EQ(n, 1500);
            std::copy_n(Values().data, Values().size, results[way]);
            offsets[way][0] = Module().ClickRemovalLeft;
            offsets[way][1] = Module().ClickRemovalRight;
        }
        const int32_t width = player->Channels;
        for (int32_t i = 7 * width; i < 1507 * width; ++i)
            ASSERT_EQ(results[0][i], results[1][i]) << "value " << i;
        for (int32_t i = 0; i < 2048 * width; ++i) { // RenderFresh leaves the rest alone
            if (i < 7 * width || i >= 1507 * width) {
                ASSERT_EQ(results[0][i], 0x5A5A5A5A) << "value " << i << " outside the segment";
            }
        }
        EXPECT_EQ(offsets[0][0], offsets[1][0]);
        EXPECT_EQ(offsets[0][1], offsets[1][1]);
        if (c.stoppingVoice && !(c.rightOnly && !stereo)) {
            EXPECT_NE(offsets[1][c.rightOnly ? 1 : 0], c.rightOnly ? c.right : c.left)
                << "the voice must move the offsets";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(StereoAndMono, RenderTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Stereo" : "Mono"; });
} // namespace
