#include "KavoXM/KavoXM.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Frames a buffer fill leaves in the running tick when ticks fall every `spt` frames from
// frame 0 and `end` frames have been rendered: a tick due exactly at `end` has not run yet.
int32_t LeftAfter(int64_t end, int32_t spt) {
    const int64_t nextTick = (end + spt - 1) / spt * spt;
    return int32_t(nextTick - end);
}

struct Offline {
    explicit Offline(int32_t frames, int32_t rate = 44100)
        : Player(rate, frames, 4, true, 10, 16, 0, TKavoXMOutput::None),
          Block(std::make_unique<uint8_t[]>(size_t(Player.MixBufferBytes))) {
        Player.Module->Loaded = true;
        Player.StartOffline();
    }
    void Fill() { Player.FillBuffer(Block.get()); }
    TKavoXM Player;
    std::unique_ptr<uint8_t[]> Block;
};

TEST(TickPlacement, TicksFallEverySamplesPerTickFramesAcrossBuffers) {
    Offline offline(2048);
    ASSERT_EQ(offline.Player.SamplesLeftInTick, 0); // the first fill starts with a tick
    for (int32_t buffer = 0; buffer < 12; ++buffer) {
        offline.Fill();
        EXPECT_EQ(offline.Player.SamplesLeftInTick, LeftAfter(int64_t(buffer + 1) * 2048, 882))
            << "after buffer " << buffer;
    }
}

TEST(TickPlacement, FirstBuffersHoldTicksAt0_882_1764ThenAt598) {
    // One frame per fill shows exactly at which frame each tick runs.
    Offline offline(1);
    std::vector<int32_t> tickFrames;
    for (int32_t frame = 0; frame < 2 * 2048; ++frame) {
        if (offline.Player.SamplesLeftInTick == 0) tickFrames.push_back(frame);
        offline.Fill();
    }
    ASSERT_GE(tickFrames.size(), 4u);
    EXPECT_EQ(tickFrames[0], 0);
    EXPECT_EQ(tickFrames[1], 882);
    EXPECT_EQ(tickFrames[2], 1764);
    EXPECT_EQ(tickFrames[3] - 2048, 598); // first tick of the second 2048-frame buffer
    for (size_t i = 1; i < tickFrames.size(); ++i)
        EXPECT_EQ(tickFrames[i] - tickFrames[i - 1], 882);
}

TEST(TickPlacement, FirstBufferOfTwoThousandFramesEndsWith598Left) {
    Offline offline(2048);
    offline.Fill();
    EXPECT_EQ(offline.Player.SamplesLeftInTick, 598);
    EXPECT_EQ(offline.Player.SamplesPerTick, 882);
}

TEST(TickPlacement, ATempoChangeTakesEffectAtTheNextTick) {
    Offline offline(2048);
    offline.Fill(); // ticks at 0, 882, 1764; 598 left
    offline.Player.Module->Tempo = 85;
    offline.Fill(); // the running tick ends at 598; the next one lasts 1297 frames
    EXPECT_EQ(offline.Player.SamplesPerTick, 1297);
    EXPECT_EQ(offline.Player.SamplesLeftInTick, 598 + 1297 - 2048 + 1297);
}

TEST(TickPlacement, ShortestTickIsOneFrameAt102HzAndTempo255) {
    Offline offline(64, 102);
    offline.Player.Module->Tempo = 255;
    offline.Player.UpdateSamplesPerTick();
    offline.Player.SamplesLeftInTick = 0;
    ASSERT_EQ(offline.Player.SamplesPerTick, 1);
    offline.Fill();
    EXPECT_EQ(offline.Player.SamplesLeftInTick, 0);
}

TEST(TickPlacement, SilentMixGivesSilentPcmInBothWidths) {
    Offline sixteen(256);
    std::fill_n(sixteen.Block.get(), sixteen.Player.MixBufferBytes, uint8_t(0x55));
    sixteen.Fill();
    for (int32_t i = 0; i < sixteen.Player.BufferBytes; ++i) ASSERT_EQ(sixteen.Block[i], 0);
    TKavoXM eight(44100, 256, 4, true, 10, 8, 0, TKavoXMOutput::None);
    auto block = std::make_unique<uint8_t[]>(size_t(eight.MixBufferBytes));
    eight.StartOffline();
    eight.FillBuffer(block.get());
    for (int32_t i = 0; i < eight.BufferBytes; ++i) ASSERT_EQ(block[i], 128);
}

} // namespace
