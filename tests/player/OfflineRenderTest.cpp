// Offline rendering produces the byte stream the device would have received.
#include "KavoXM/KavoXM.h"
#include "KavoXM/player/WaveOut.h"
#include "support/VirtualDeviceHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::ScopedVirtualDevice;
using testsupport::WaitUntil;

struct FormatCase {
    bool stereo;
    int32_t bits;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << (c.stereo ? "stereo " : "mono ") << c.bits << "-bit";
}

class OfflineRender : public ::testing::TestWithParam<FormatCase> {};

std::vector<uint8_t> RenderOfflineInChunks(const FormatCase& c, int32_t frames, int32_t chunk) {
    TKavoXM player(44100, 2048, 4, c.stereo, 10, c.bits, 0, TKavoXMOutput::None);
    player.Module->Loaded = true;
    EXPECT_TRUE(player.StartOffline());
    const int32_t frameBytes = player.WaveOut->WaveFormat.nBlockAlign;
    std::vector<uint8_t> out(size_t(frames) * size_t(frameBytes), 0xAA);
    for (int32_t done = 0; done < frames;) {
        const int32_t n = std::min(chunk, frames - done);
        EXPECT_EQ(player.RenderOffline(out.data() + size_t(done) * size_t(frameBytes), n), n);
        done += n;
    }
    return out;
}

TEST_P(OfflineRender, MatchesWhatTheDeviceRecorded) {
    const FormatCase c = GetParam();
    constexpr int32_t Buffers = 12;
    std::vector<uint8_t> recorded;
    {
        VirtualDevice::Options options;
        options.ManualClock = false;
        options.Speed = 20; // a 2048-frame buffer plays in about 2.3 ms
        ScopedVirtualDevice device(options);
        TKavoXM player(44100, 2048, 4, c.stereo, 1, c.bits, 0);
        ASSERT_TRUE(player.DeviceOpen);
        player.Module->Loaded = true;
        ASSERT_TRUE(player.Play());
        ASSERT_TRUE(WaitUntil([] { return VirtualDevice::Writes().size() >= Buffers; }));
        recorded = VirtualDevice::Recorded();
    }
    const int32_t frameBytes = (c.stereo ? 2 : 1) * c.bits / 8;
    const auto frames = int32_t(recorded.size() / size_t(frameBytes));
    ASSERT_GE(frames, Buffers * 2048);
    EXPECT_EQ(RenderOfflineInChunks(c, frames, frames), recorded);
}

TEST_P(OfflineRender, ChunkedCallsGiveTheSameBytesAsOneCall) {
    const FormatCase c = GetParam();
    const int32_t frames = 5 * 2048 + 777;
    const auto whole = RenderOfflineInChunks(c, frames, frames);
    EXPECT_EQ(RenderOfflineInChunks(c, frames, 1000), whole);
    EXPECT_EQ(RenderOfflineInChunks(c, frames, 1), whole);
}

INSTANTIATE_TEST_SUITE_P(Formats, OfflineRender,
                         ::testing::Values(FormatCase{true, 16}, FormatCase{false, 16},
                                           FormatCase{true, 8}, FormatCase{false, 8}),
                         [](const auto& info) {
                             return std::string(info.param.stereo ? "Stereo" : "Mono") +
                                    std::to_string(info.param.bits) + "Bit";
                         });

TEST(OfflineRenderSetup, NoDeviceIsEverOpened) {
    ScopedVirtualDevice device;
    TKavoXM player(44100, 2048, 4, true, 10, 16, 0, TKavoXMOutput::None);
    EXPECT_FALSE(player.DeviceOpen);
    EXPECT_EQ(VirtualDevice::OpenCount(), 0);
    std::vector<uint8_t> out(4 * 100);
    EXPECT_EQ(player.RenderOffline(out.data(), 100), 100);
    EXPECT_EQ(player.RenderOffline(nullptr, 100), 0);
    EXPECT_EQ(player.RenderOffline(out.data(), 0), 0);
}

} // namespace
