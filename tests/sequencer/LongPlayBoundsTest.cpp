// Values that effects accumulate on a voice that does not sound are never brought back into
// range by the output stage. They stay within the 32-bit range however long a song plays.
#include "KavoXM/KavoXM.h"
#include "SongTrace.h"
#include "support/EffectTrace.h"

#include <gtest/gtest.h>

namespace {

using namespace songtrace;

constexpr int32_t Limit = 1 << 30; // where accumulated values are held

// RF1 doubles the volume on every effect tick. Each retrigger hands the voice to a background
// channel, which keeps running the row it took over once the mixer has stopped its fade.
TEST(LongPlayBounds, MultiRetrigOnStoppedBackgroundVoicesStaysInRange) {
    SongImage song(1, 31);
    song.Put(0, 0, Cell(NoteC4, 1, 0x50, Fx('R'), 0xF1));
    const std::vector<uint8_t> image = xmbuilder::BuildXM(song.song);
    TKavoXM player(44100, 256, 1, true, 10, 16, 0, TKavoXMOutput::None);
    ASSERT_TRUE(player.Module->LoadFromMemory(image.data(), int32_t(image.size())));
    ASSERT_TRUE(player.StartOffline());
    std::vector<uint8_t> block(256 * 4);
    for (int32_t frames = 0; frames < 882 * 31 * 2; frames += 256) {
        player.RenderOffline(block.data(), 256);
        for (const auto& channel : player.Module->BackgroundChannels) {
            ASSERT_GE(channel->Volume, 0) << "frame " << frames;
            ASSERT_LE(channel->Volume, Limit) << "frame " << frames;
        }
    }
    // Without the bound the first stopped copies would have left the 32-bit range.
    EXPECT_EQ(player.Module->BackgroundChannels[0]->Volume, Limit);
    EXPECT_FALSE(player.Module->BackgroundChannels[0]->Active);
}

// A portamento on a channel without a sounding voice runs unclamped, tick after tick.
TEST(LongPlayBounds, PortamentoOnASilentChannelIsHeldAtTheLimit) {
    EffectTrace trace;
    TKavoXMChannel& channel = trace.Channel;
    channel.Period = -Limit + 100;
    trace.Play(Cell(0x1, 0xFF), effects::RowPortamentoUp, effects::TickPortamentoUp, 3);
    EXPECT_EQ(channel.Period, -Limit);
    EXPECT_EQ(channel.TargetPeriod, -Limit);
    channel.Period = Limit - 100;
    trace.Play(Cell(0x2, 0xFF), effects::RowPortamentoDown, effects::TickPortamentoDown, 3);
    EXPECT_EQ(channel.Period, Limit);
}

// Slides of volume, panning and global volume on a silent channel are held the same way.
TEST(LongPlayBounds, SlidesOnASilentChannelAreHeldAtTheLimit) {
    EffectTrace trace;
    TKavoXMChannel& channel = trace.Channel;
    channel.Volume = Limit - 10;
    trace.Play(Cell(0xA, 0xF0), effects::RowVolumeSlide, effects::TickVolumeSlide, 3);
    EXPECT_EQ(channel.Volume, Limit);
    channel.Volume = -Limit + 10;
    trace.Play(Cell(0x0, 0x00, 0x6F), nullptr, nullptr, 3);
    EXPECT_EQ(channel.Volume, -Limit);
    channel.Panning = Limit - 10;
    trace.Play(Cell(0x19, 0xF0), effects::RowPanningSlide, effects::TickPanningSlide, 3);
    EXPECT_EQ(channel.Panning, Limit);
    trace.Module.GlobalVolume = -Limit + 10;
    trace.Play(Cell(0x11, 0x0F), effects::RowGlobalVolumeSlide, effects::TickGlobalVolumeSlide, 3);
    EXPECT_EQ(trace.Module.GlobalVolume, -Limit);
}

} // namespace
