// The live player on the virtual wave-out device: calls made while the device plays act on
// what it receives exactly as the same calls act on an offline render at the same frame;
// pause and stop keep the stream whole; the heard position follows the device's count.
#include "CapiSongs.h"
#include "support/VirtualDeviceHarness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using capisongs::Handle;
using testsupport::ScopedVirtualDevice;
using testsupport::WaitUntil;

constexpr int32_t Block = 1024;
constexpr int32_t Blocks = 4;

std::vector<int16_t> AsSamples(const std::vector<uint8_t>& bytes, size_t frames) {
    std::vector<int16_t> out(std::min(frames * 2, bytes.size() / 2));
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

// Lets the device play `frames` frames, then waits until the audio thread has filled the
// ring again (or the song has ended).
void PlayAndRefill(kavoxm_module* m, uint64_t frames, int32_t rate = 44100) {
    VirtualDevice::Advance(frames);
    (void)rate;
    WaitUntil(
        [&] {
            return VirtualDevice::Recorded().size() / 4 >=
                       VirtualDevice::PlayedFrames() + uint64_t(Block) * Blocks ||
                   kavoxm_is_playing(m) == 0;
        },
        std::chrono::milliseconds(1000));
}

// Renders `frames` frames offline into `out` (16-bit stereo).
void RenderOffline(kavoxm_module* m, int32_t rate, size_t frames, std::vector<int16_t>& out) {
    std::vector<int16_t> buffer(frames * 2);
    size_t done = 0;
    while (done < frames) {
        const int64_t n = kavoxm_render_s16(m, rate, 2, buffer.data() + done * 2,
                                            std::min<size_t>(frames - done, 777));
        if (n <= 0) break;
        done += size_t(n);
    }
    out.insert(out.end(), buffer.begin(), buffer.begin() + ptrdiff_t(done) * 2);
}

struct LiveChange {
    std::string name;
    std::function<int(kavoxm_module*)> act;
};

std::string NameOf(const testing::TestParamInfo<LiveChange>& info) {
    return info.param.name;
}

class CapiLiveChange : public testing::TestWithParam<LiveChange> {};

// The device has received 4 blocks, played 2 and been refilled: the change is made after
// exactly 6 blocks were rendered, as in the offline render it is compared with.
TEST_P(CapiLiveChange, ActsOnTheDeviceAsOnAnOfflineRenderAtTheSameFrame) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(capisongs::Busy());
    const size_t before = size_t(Block) * 6;
    const size_t total = size_t(Block) * 40;
    std::vector<int16_t> expected;
    {
        Handle offline = capisongs::Load(image);
        RenderOffline(offline.get(), 44100, before, expected);
        ASSERT_EQ(GetParam().act(offline.get()), KAVOXM_OK);
        RenderOffline(offline.get(), 44100, total - before, expected);
    }
    ScopedVirtualDevice selected;
    Handle m = capisongs::Load(image);
    ASSERT_EQ(kavoxm_set_device_format(m.get(), 44100, Block, Blocks), KAVOXM_OK);
    ASSERT_EQ(kavoxm_play(m.get()), KAVOXM_OK);
    PlayAndRefill(m.get(), 0);
    PlayAndRefill(m.get(), 2 * Block);
    ASSERT_EQ(VirtualDevice::Recorded().size() / 4, before);
    ASSERT_EQ(GetParam().act(m.get()), KAVOXM_OK);
    while (VirtualDevice::Recorded().size() / 4 < total && kavoxm_is_playing(m.get()))
        PlayAndRefill(m.get(), 4 * Block);
    EXPECT_EQ(AsSamples(VirtualDevice::Recorded(), total), expected);
    EXPECT_EQ(kavoxm_stop(m.get()), KAVOXM_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, CapiLiveChange,
    testing::Values(
        LiveChange{"SeekSeconds", [](kavoxm_module* m) { return kavoxm_seek_seconds(m, 3.3); }},
        LiveChange{"SeekOrder", [](kavoxm_module* m) { return kavoxm_seek_order(m, 2, 5); }},
        LiveChange{"SelectSubsong", [](kavoxm_module* m) { return kavoxm_select_subsong(m, 0); }},
        LiveChange{"Mute", [](kavoxm_module* m) { return kavoxm_set_channel_mute(m, 0, 1); }},
        LiveChange{"ChannelVolume",
                   [](kavoxm_module* m) { return kavoxm_set_channel_volume(m, 1, 77); }},
        LiveChange{"MasterVolume",
                   [](kavoxm_module* m) { return kavoxm_set_master_volume(m, 200); }},
        LiveChange{"Interpolation",
                   [](kavoxm_module* m) {
                       return kavoxm_set_interpolation(m, KAVOXM_INTERPOLATION_LINEAR);
                   }},
        LiveChange{"StereoSeparation",
                   [](kavoxm_module* m) { return kavoxm_set_stereo_separation(m, 40); }},
        LiveChange{"Gain", [](kavoxm_module* m) { return kavoxm_set_gain_db(m, -6.5); }},
        LiveChange{"Repeat", [](kavoxm_module* m) { return kavoxm_set_repeat(m, 2); }},
        LiveChange{"TempoFactor",
                   [](kavoxm_module* m) { return kavoxm_set_tempo_factor(m, 1.75); }},
        LiveChange{"PitchFactor",
                   [](kavoxm_module* m) { return kavoxm_set_pitch_factor(m, 0.8); }}),
    NameOf);

// Pausing holds the device where it stands; the stream it receives is one render.
TEST(CapiLive, PauseAndResumeKeepOneUninterruptedRender) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(capisongs::Busy());
    const size_t total = size_t(Block) * 24;
    std::vector<int16_t> expected;
    {
        Handle offline = capisongs::Load(image);
        RenderOffline(offline.get(), 44100, total, expected);
    }
    ScopedVirtualDevice selected;
    Handle m = capisongs::Load(image);
    ASSERT_EQ(kavoxm_pause(m.get()), KAVOXM_ERROR_BUSY); // nothing plays
    ASSERT_EQ(kavoxm_play(m.get()), KAVOXM_OK);
    PlayAndRefill(m.get(), 0);
    PlayAndRefill(m.get(), 1500);
    ASSERT_EQ(kavoxm_pause(m.get()), KAVOXM_OK);
    EXPECT_EQ(kavoxm_pause(m.get()), KAVOXM_OK);
    EXPECT_EQ(kavoxm_is_paused(m.get()), 1);
    EXPECT_EQ(kavoxm_is_playing(m.get()), 1);
    kavoxm_state heard{};
    ASSERT_EQ(kavoxm_get_state(m.get(), &heard), KAVOXM_OK);
    VirtualDevice::Advance(5000); // time passes while paused: nothing plays
    EXPECT_EQ(VirtualDevice::PlayedFrames(), 1500u);
    kavoxm_state still{};
    ASSERT_EQ(kavoxm_get_state(m.get(), &still), KAVOXM_OK);
    EXPECT_DOUBLE_EQ(still.seconds, heard.seconds);
    EXPECT_DOUBLE_EQ(heard.seconds, 1500.0 / 44100);
    ASSERT_EQ(kavoxm_resume(m.get()), KAVOXM_OK);
    EXPECT_EQ(kavoxm_is_paused(m.get()), 0);
    while (VirtualDevice::Recorded().size() / 4 < total) PlayAndRefill(m.get(), 3000);
    EXPECT_EQ(AsSamples(VirtualDevice::Recorded(), total), expected);
    EXPECT_EQ(kavoxm_stop(m.get()), KAVOXM_OK);
}

// Stop and play again: what is heard goes on from the frame the device stood at.
TEST(CapiLive, StopThenPlayResumesFromWhatWasHeard) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(capisongs::Busy());
    const size_t total = size_t(Block) * 20;
    std::vector<int16_t> expected;
    {
        Handle offline = capisongs::Load(image);
        RenderOffline(offline.get(), 44100, total, expected);
    }
    ScopedVirtualDevice selected;
    Handle m = capisongs::Load(image);
    ASSERT_EQ(kavoxm_play(m.get()), KAVOXM_OK);
    PlayAndRefill(m.get(), 0);
    PlayAndRefill(m.get(), 2500);
    ASSERT_EQ(kavoxm_stop(m.get()), KAVOXM_OK);
    EXPECT_EQ(kavoxm_is_playing(m.get()), 0);
    kavoxm_state heard{};
    ASSERT_EQ(kavoxm_get_state(m.get(), &heard), KAVOXM_OK);
    EXPECT_DOUBLE_EQ(heard.seconds, 2500.0 / 44100);
    ASSERT_EQ(kavoxm_play(m.get()), KAVOXM_OK);
    PlayAndRefill(m.get(), 0);
    while (VirtualDevice::Heard().size() / 4 < total) PlayAndRefill(m.get(), 3000);
    EXPECT_EQ(VirtualDevice::OpenCount(), 2);
    EXPECT_EQ(AsSamples(VirtualDevice::Heard(), total), expected);
    EXPECT_EQ(kavoxm_stop(m.get()), KAVOXM_OK);
}

struct DeviceFormat {
    std::string name;
    int32_t rate, block, blocks;
    uint64_t played; // frames the device plays before the state is read
};

class CapiLiveFormat : public testing::TestWithParam<DeviceFormat> {};

// The device opens in the host's format; the state tells the frame being heard, to the frame,
// and the latency is what is queued beyond it.
TEST_P(CapiLiveFormat, HeardPositionFollowsTheDevicesCount) {
    const DeviceFormat& f = GetParam();
    ScopedVirtualDevice selected;
    Handle m = capisongs::Load(xmbuilder::BuildXM(capisongs::Busy()));
    ASSERT_EQ(kavoxm_set_device_format(m.get(), f.rate, f.block, f.blocks), KAVOXM_OK);
    EXPECT_EQ(kavoxm_latency_frames(m.get()), int64_t(f.block) * f.blocks);
    ASSERT_EQ(kavoxm_play(m.get()), KAVOXM_OK);
    EXPECT_EQ(kavoxm_set_device_format(m.get(), f.rate, f.block, f.blocks), KAVOXM_ERROR_BUSY);
    EXPECT_EQ(VirtualDevice::LastFormat().nSamplesPerSec, uint32_t(f.rate));
    const uint64_t ring = uint64_t(f.block) * uint64_t(f.blocks);
    ASSERT_TRUE(WaitUntil([&] { return VirtualDevice::Recorded().size() / 4 >= ring; }));
    // A block at a time: a device that finds its queue empty loses the time.
    for (uint64_t played = 0; played < f.played;) {
        const uint64_t step = std::min<uint64_t>(f.played - played, uint64_t(f.block));
        VirtualDevice::Advance(step);
        played += step;
        // Every block played whole is filled again.
        const uint64_t whole = played / uint64_t(f.block) * uint64_t(f.block);
        ASSERT_TRUE(
            WaitUntil([&] { return VirtualDevice::Recorded().size() / 4 >= whole + ring; }));
    }
    ASSERT_EQ(VirtualDevice::PlayedFrames(), f.played);
    kavoxm_state heard{}, mixer{};
    ASSERT_EQ(kavoxm_get_state(m.get(), &heard), KAVOXM_OK);
    ASSERT_EQ(kavoxm_get_mixer_state(m.get(), &mixer), KAVOXM_OK);
    EXPECT_NEAR(heard.seconds, double(f.played) / f.rate, 1e-9);
    const uint64_t submitted = VirtualDevice::Recorded().size() / 4;
    EXPECT_EQ(kavoxm_latency_frames(m.get()), int64_t(submitted - f.played));
    // The mixer has rendered everything submitted (and may have mixed ahead within a block).
    EXPECT_GE(mixer.seconds, double(submitted) / f.rate - 1e-9);
    EXPECT_GE(heard.order, 0);
    EXPECT_GT(heard.speed, 0);
    EXPECT_GT(heard.tempo, 0);
    EXPECT_EQ(kavoxm_stop(m.get()), KAVOXM_OK);
}

INSTANTIATE_TEST_SUITE_P(Formats, CapiLiveFormat,
                         testing::Values(DeviceFormat{"Rate8000", 8000, 256, 3, 700},
                                         DeviceFormat{"Rate44100", 44100, 1024, 4, 5000},
                                         DeviceFormat{"Rate48000", 48000, 512, 8, 12345},
                                         DeviceFormat{"Rate192000", 192000, 4096, 2, 30001}),
                         [](const testing::TestParamInfo<DeviceFormat>& info) {
                             return info.param.name;
                         });

TEST(CapiLive, BusyIsNotAnInvalidArgument) {
    ScopedVirtualDevice selected;
    Handle m = capisongs::Load(xmbuilder::BuildXM(capisongs::Held()));
    ASSERT_EQ(kavoxm_play(m.get()), KAVOXM_OK);
    int16_t pcm[64];
    float f[64];
    int32_t mix[64];
    EXPECT_EQ(kavoxm_render_s16(m.get(), 44100, 2, pcm, 32), KAVOXM_ERROR_BUSY);
    EXPECT_EQ(kavoxm_render_float(m.get(), 44100, 2, f, 32), KAVOXM_ERROR_BUSY);
    EXPECT_EQ(kavoxm_render_mix(m.get(), 44100, 2, mix, 32), KAVOXM_ERROR_BUSY);
    EXPECT_EQ(kavoxm_render_s16(m.get(), 1, 2, pcm, 32), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_STRNE(kavoxm_error_string(KAVOXM_ERROR_BUSY),
                 kavoxm_error_string(KAVOXM_ERROR_INVALID_ARGUMENT));
    EXPECT_EQ(kavoxm_set_device_format(m.get(), 7999, 0, 0), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_stop(m.get()), KAVOXM_OK);
    EXPECT_EQ(kavoxm_resume(m.get()), KAVOXM_ERROR_BUSY);
    EXPECT_EQ(kavoxm_render_s16(m.get(), 44100, 2, pcm, 32), 32);
}

} // namespace
