// Values that effects accumulate on a voice that does not sound are never brought back into
// range by the output stage. They stay within the 32-bit range however long a song plays.
#include "SongTrace.h"
#include "support/EffectTrace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace {

using namespace songtrace;

constexpr int32_t Limit = 1 << 30; // where accumulated values are held

// RF1 doubles the volume on every effect tick. On a channel that has no instrument, and so no
// voice whose output would clamp it, 30 doublings of 64 leave the 32-bit range within one row.
TEST(LongPlayBounds, MultiRetrigOnASilentChannelIsHeldAtTheLimit) {
    constexpr int32_t Speed = 31;
    SongImage song(1, Speed);
    song.Put(0, 0, Effect(Fx('R'), 0xF1, 0x10 + 64));
    song.Play(1);
    const TKavoXMChannel& channel = *song.module->PatternChannels[0];
    ASSERT_EQ(channel.Volume, 64);
    int64_t expected = 64;
    for (int32_t tick = 1; tick < Speed; ++tick) {
        song.module->ProcessTick();
        expected = std::min<int64_t>(expected * 2, Limit);
        EXPECT_EQ(channel.Volume, expected) << "tick " << tick;
    }
    EXPECT_EQ(channel.Volume, Limit);
}

// A portamento on a channel without a sounding voice runs unclamped, tick after tick.
TEST(LongPlayBounds, PortamentoOnASilentChannelIsHeldAtTheLimit) {
    EffectTrace trace;
    TKavoXMChannel& channel = trace.Channel;
    channel.Period = -Limit + 100;
    trace.Play(Cell(0x1, 0xFF), effects::RowPortamentoUp, effects::TickPortamentoUp, 3);
    EXPECT_EQ(channel.Period, -Limit);
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
