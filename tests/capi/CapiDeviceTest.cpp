// Device playback through the C API, on the virtual wave-out device: what the device receives
// is what an offline render of the same handle gives, from the handle's position, and the
// handle reports the song's end and a stop.
#include "CapiSongs.h"
#include "support/VirtualDeviceHarness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using capisongs::Handle;
using testsupport::ScopedVirtualDevice;
using testsupport::WaitUntil;

constexpr int32_t DeviceRate = 44100;

// The 16-bit stereo frames an offline render of a fresh handle gives, from `order` on.
std::vector<int16_t> OfflineFrames(const std::vector<uint8_t>& image, int32_t order,
                                   size_t frames) {
    Handle m = capisongs::Load(image);
    std::vector<int16_t> out(frames * 2);
    if (order > 0) kavoxm_seek_order(m.get(), order, 0);
    size_t done = 0;
    while (done < frames) {
        const int64_t n =
            kavoxm_render_s16(m.get(), DeviceRate, 2, out.data() + done * 2, frames - done);
        if (n <= 0) break;
        done += size_t(n);
    }
    out.resize(done * 2);
    return out;
}

// The first `frames` frames the device has been handed, as 16-bit values.
std::vector<int16_t> DeviceFrames(size_t frames) {
    const std::vector<uint8_t> bytes = VirtualDevice::Recorded();
    std::vector<int16_t> out(std::min(frames * 2, bytes.size() / 2));
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

// Lets the device play `frames` frames, then waits until the audio thread has filled its
// queue again (four blocks of 1,024 frames by default), or the time limit passes at the end.
void PlayAndRefill(uint64_t frames) {
    VirtualDevice::Advance(frames);
    WaitUntil(
        [] { return VirtualDevice::Recorded().size() / 4 >= VirtualDevice::PlayedFrames() + 4096; },
        std::chrono::milliseconds(500));
}

TEST(CapiDevice, PlaysWhatAnOfflineRenderGivesFromTheHandlesPosition) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(capisongs::Busy());
    for (int32_t order : {0, 2}) {
        SCOPED_TRACE(order);
        ScopedVirtualDevice selected;
        Handle m = capisongs::Load(image);
        ASSERT_TRUE(m);
        ASSERT_EQ(kavoxm_seek_order(m.get(), order, 0), KAVOXM_OK);
        ASSERT_EQ(kavoxm_play(m.get()), KAVOXM_OK);
        EXPECT_EQ(kavoxm_play(m.get()), KAVOXM_OK); // already playing: nothing more opens
        EXPECT_EQ(VirtualDevice::OpenCount(), 1);
        EXPECT_EQ(VirtualDevice::LastFormat().nSamplesPerSec, uint32_t(DeviceRate));
        for (int i = 0; i < 6; ++i) PlayAndRefill(4096);
        const size_t frames = 20000;
        ASSERT_GE(VirtualDevice::Recorded().size(), frames * 4);
        EXPECT_EQ(DeviceFrames(frames), OfflineFrames(image, order, frames));
        EXPECT_EQ(kavoxm_is_playing(m.get()), 1);
        EXPECT_EQ(kavoxm_stop(m.get()), KAVOXM_OK);
        EXPECT_EQ(kavoxm_is_playing(m.get()), 0);
        EXPECT_FALSE(VirtualDevice::IsOpen());
    }
}

TEST(CapiDevice, EndsAtTheSongsEndUnlessRepeated) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(capisongs::Held(4));
    for (int32_t repeat : {0, 1}) {
        SCOPED_TRACE(repeat);
        ScopedVirtualDevice selected;
        Handle m = capisongs::Load(image);
        ASSERT_TRUE(m);
        kavoxm_set_repeat(m.get(), repeat);
        const auto songFrames = uint64_t(kavoxm_duration(m.get()) * DeviceRate);
        ASSERT_GT(songFrames, 0u);
        ASSERT_EQ(kavoxm_play(m.get()), KAVOXM_OK);
        uint64_t played = 0;
        while (played < songFrames + 8192) {
            PlayAndRefill(2048);
            played += 2048;
        }
        if (repeat == 0)
            EXPECT_TRUE(WaitUntil([&] { return kavoxm_is_playing(m.get()) == 0; }));
        else
            EXPECT_EQ(kavoxm_is_playing(m.get()), 1); // the second pass is still playing
        kavoxm_stop(m.get());
    }
}

struct EndedCase {
    const char* name;
    void (*reachEnd)(kavoxm_module*);
};

void PrintTo(const EndedCase& c, std::ostream* os) {
    *os << c.name;
}

class CapiDeviceAtTheEnd : public testing::TestWithParam<EndedCase> {};

// A handle standing at the song's end plays as a fresh handle plays its last frame: the call
// succeeds, nothing is left to hear, and playback is over at once; a seek plays again.
TEST_P(CapiDeviceAtTheEnd, PlaysNothingMoreAndSeeksPlayAgain) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(capisongs::Held(4));
    ScopedVirtualDevice selected;
    Handle m = capisongs::Load(image);
    ASSERT_TRUE(m);
    GetParam().reachEnd(m.get());
    ASSERT_EQ(kavoxm_play(m.get()), KAVOXM_OK);
    EXPECT_TRUE(WaitUntil([&] { return kavoxm_is_playing(m.get()) == 0; }));
    EXPECT_EQ(VirtualDevice::Recorded().size(), 0u);
    kavoxm_state state{};
    ASSERT_EQ(kavoxm_get_state(m.get(), &state), KAVOXM_OK);
    EXPECT_EQ(state.ended, 1);
    ASSERT_EQ(kavoxm_seek_seconds(m.get(), 0), KAVOXM_OK);
    PlayAndRefill(0);
    EXPECT_EQ(DeviceFrames(4096), OfflineFrames(image, 0, 4096));
    EXPECT_EQ(kavoxm_stop(m.get()), KAVOXM_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, CapiDeviceAtTheEnd,
    testing::Values(EndedCase{"RenderedToTheEnd",
                              [](kavoxm_module* m) {
                                  int16_t pcm[2 * 4096];
                                  while (kavoxm_render_s16(m, DeviceRate, 2, pcm, 4096) > 0) {
                                  }
                              }},
                    EndedCase{"SoughtFarPastTheEnd",
                              [](kavoxm_module* m) { kavoxm_seek_seconds(m, 1e9); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CapiDevice, ReportsAMissingDeviceAndStaysUsable) {
    VirtualDevice::Options failing;
    failing.FailOpen = true;
    ScopedVirtualDevice selected(failing);
    Handle m = capisongs::Load(xmbuilder::BuildXM(capisongs::Held()));
    ASSERT_TRUE(m);
    EXPECT_EQ(kavoxm_play(m.get()), KAVOXM_ERROR_NO_DEVICE);
    EXPECT_EQ(kavoxm_is_playing(m.get()), 0);
    EXPECT_EQ(kavoxm_stop(m.get()), KAVOXM_OK);
    int16_t pcm[64];
    EXPECT_EQ(kavoxm_render_s16(m.get(), DeviceRate, 2, pcm, 32), 32); // offline still works
    EXPECT_EQ(kavoxm_play(nullptr), KAVOXM_ERROR_INVALID_ARGUMENT);
}

} // namespace
