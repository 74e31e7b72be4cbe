// The heard frame on the virtual wave-out device: it counts the frames the device has played
// on the events' stream count, so that an event read ahead of the sound is heard when the
// heard frame passes its frame, across offline renders, seeks and stop/play.
#include "CapiSongs.h"
#include "support/VirtualDeviceHarness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using capisongs::Handle;
using testsupport::ScopedVirtualDevice;
using testsupport::WaitUntil;

constexpr int32_t Rate = 44100;
constexpr uint64_t Queue = 4096; // the default device format: 4 blocks of 1,024 frames

// Lets the device play `frames`, then waits until the audio thread has filled again every
// block played whole.
void PlayAndRefill(uint64_t frames) {
    VirtualDevice::Advance(frames);
    WaitUntil([] {
        const uint64_t whole = VirtualDevice::PlayedFrames() / 1024 * 1024;
        return VirtualDevice::Recorded().size() / 4 >= whole + Queue;
    });
}

// Renders `frames` frames offline in calls of 777, collecting the row events' frames.
void Render(kavoxm_module* m, int64_t frames, std::vector<int64_t>& rows) {
    std::vector<int16_t> buffer(777 * 2);
    kavoxm_event events[64];
    for (int64_t done = 0; done < frames;) {
        const int64_t n = kavoxm_render_s16(m, Rate, 2, buffer.data(),
                                            size_t(std::min<int64_t>(777, frames - done)));
        ASSERT_GT(n, 0);
        done += n;
        for (int32_t k; (k = kavoxm_read_events(m, events, 64)) > 0;) {
            for (int32_t i = 0; i < k; ++i)
                if (events[i].type == KAVOXM_EVENT_ROW) rows.push_back(events[i].frame);
        }
    }
}

struct HeardCase {
    std::string name;
    int64_t offline;  // frames rendered before the device plays
    bool seek;        // a seek while the device plays
    bool stopAndPlay; // kavoxm_stop, then kavoxm_play again
};

void PrintTo(const HeardCase& c, std::ostream* os) {
    *os << c.name;
}

class CapiLiveHeard : public testing::TestWithParam<HeardCase> {};

TEST_P(CapiLiveHeard, IsTheDevicesPlayedFrameOnTheEventsCount) {
    const HeardCase& c = GetParam();
    const std::vector<uint8_t> image = xmbuilder::BuildXM(capisongs::Busy());
    ScopedVirtualDevice selected;
    Handle m = capisongs::Load(image);
    std::vector<int64_t> rows;
    Render(m.get(), c.offline, rows);
    EXPECT_EQ(kavoxm_heard_frame(m.get()), c.offline); // offline: the frames handed out
    ASSERT_EQ(kavoxm_play(m.get()), KAVOXM_OK);
    PlayAndRefill(0);
    uint64_t heardBefore = 0; // device frames played by an earlier kavoxm_play
    int64_t last = c.offline;
    for (int step = 0; step < 12; ++step) {
        if (step == 4 && c.seek) {
            ASSERT_EQ(kavoxm_seek_seconds(m.get(), 3.3), KAVOXM_OK);
        }
        if (step == 4 && c.stopAndPlay) {
            heardBefore += VirtualDevice::PlayedFrames();
            ASSERT_EQ(kavoxm_stop(m.get()), KAVOXM_OK);
            EXPECT_EQ(kavoxm_heard_frame(m.get()), c.offline + int64_t(heardBefore))
                << "stopped where it was heard";
            ASSERT_EQ(kavoxm_play(m.get()), KAVOXM_OK); // the unplayed frames come first
            PlayAndRefill(0);
        }
        const int64_t heard = kavoxm_heard_frame(m.get());
        EXPECT_EQ(heard, c.offline + int64_t(heardBefore + VirtualDevice::PlayedFrames()))
            << "step " << step;
        EXPECT_GE(heard, last);
        last = heard;
        std::vector<kavoxm_event> events(64);
        for (int32_t k; (k = kavoxm_read_events(m.get(), events.data(), 64)) > 0;) {
            for (int32_t i = 0; i < k; ++i)
                if (events[size_t(i)].type == KAVOXM_EVENT_ROW)
                    rows.push_back(events[size_t(i)].frame);
        }
        PlayAndRefill(700);
    }
    EXPECT_EQ(kavoxm_stop(m.get()), KAVOXM_OK);
    if (c.seek) return;
    // Without a seek the stream is the offline render's: the same row frames on the same count.
    Handle offline = capisongs::Load(image);
    std::vector<int64_t> expected;
    Render(offline.get(), int64_t(rows.empty() ? 0 : rows.back() + 1), expected);
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows, expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, CapiLiveHeard,
                         testing::Values(HeardCase{"FromTheStart", 0, false, false},
                                         HeardCase{"AfterAnOfflineRender", 5000, false, false},
                                         HeardCase{"AcrossASeek", 5000, true, false},
                                         HeardCase{"AcrossStopAndPlay", 5000, false, true}),
                         [](const testing::TestParamInfo<HeardCase>& info) {
                             return info.param.name;
                         });

TEST(CapiLiveHeard, StandsStillWhilePausedAndRefusesNull) {
    ScopedVirtualDevice selected;
    Handle m = capisongs::Load(xmbuilder::BuildXM(capisongs::Busy()));
    ASSERT_EQ(kavoxm_play(m.get()), KAVOXM_OK);
    PlayAndRefill(0);
    PlayAndRefill(1500);
    ASSERT_EQ(kavoxm_pause(m.get()), KAVOXM_OK);
    VirtualDevice::Advance(3000);
    EXPECT_EQ(kavoxm_heard_frame(m.get()), 1500);
    EXPECT_EQ(kavoxm_stop(m.get()), KAVOXM_OK);
    EXPECT_EQ(kavoxm_heard_frame(nullptr), KAVOXM_ERROR_INVALID_ARGUMENT);
}

} // namespace
