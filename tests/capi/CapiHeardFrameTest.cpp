// The heard frame on the virtual wave-out device: the device's played frames on the events'
// stream count, across an offline render before, a seek and stop/play.
#include "CapiSongs.h"
#include "support/VirtualDeviceHarness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using capisongs::Handle;

// Lets the device play `frames`, then waits until every block played whole is filled again.
void PlayAndRefill(uint64_t frames) {
    VirtualDevice::Advance(frames);
    testsupport::WaitUntil([] {
        return VirtualDevice::Recorded().size() / 4 >=
               VirtualDevice::PlayedFrames() / 1024 * 1024 + 4096;
    });
}

// Reads the events, keeping the row events' frames.
void ReadRows(kavoxm_module* m, std::vector<int64_t>& rows) {
    kavoxm_event events[64];
    for (int32_t k; (k = kavoxm_read_events(m, events, 64)) > 0;) {
        for (int32_t i = 0; i < k; ++i)
            if (events[i].type == KAVOXM_EVENT_ROW) rows.push_back(events[i].frame);
    }
}

// Renders `frames` frames offline (16-bit stereo, 44,100 Hz), keeping the row events' frames.
void Render(kavoxm_module* m, int64_t frames, std::vector<int64_t>& rows) {
    std::vector<int16_t> buffer(size_t(frames) * 2);
    ASSERT_EQ(kavoxm_render_s16(m, 44100, 2, buffer.data(), size_t(frames)), frames);
    ReadRows(m, rows);
}

struct HeardCase {
    std::string name;
    int64_t offline;            // frames rendered before the device plays
    int (*act)(kavoxm_module*); // at the fifth step, while the device plays (or nullptr)
};

void PrintTo(const HeardCase& c, std::ostream* os) {
    *os << c.name;
}

class CapiLiveHeard : public testing::TestWithParam<HeardCase> {};

TEST_P(CapiLiveHeard, IsTheDevicesPlayedFrameOnTheEventsCount) {
    const HeardCase& c = GetParam();
    const std::vector<uint8_t> image = xmbuilder::BuildXM(capisongs::Busy());
    testsupport::ScopedVirtualDevice selected;
    Handle m = capisongs::Load(image);
    std::vector<int64_t> rows;
    Render(m.get(), c.offline, rows);
    EXPECT_EQ(kavoxm_heard_frame(m.get()), c.offline); // offline: the frames handed out
    ASSERT_EQ(kavoxm_play(m.get()), KAVOXM_OK);
    PlayAndRefill(0);
    uint64_t played = 0; // by an earlier kavoxm_play
    for (int step = 0; step < 12; ++step) {
        if (step == 4 && c.act == kavoxm_stop) {
            played += VirtualDevice::PlayedFrames();
            ASSERT_EQ(kavoxm_stop(m.get()), KAVOXM_OK);
            EXPECT_EQ(kavoxm_heard_frame(m.get()), c.offline + int64_t(played));
            ASSERT_EQ(kavoxm_play(m.get()), KAVOXM_OK); // the unplayed frames come first
            PlayAndRefill(0);
        } else if (step == 4 && c.act != nullptr) {
            ASSERT_EQ(c.act(m.get()), KAVOXM_OK);
        }
        EXPECT_EQ(kavoxm_heard_frame(m.get()),
                  c.offline + int64_t(played + VirtualDevice::PlayedFrames()))
            << "step " << step;
        ReadRows(m.get(), rows);
        PlayAndRefill(700);
    }
    EXPECT_EQ(kavoxm_stop(m.get()), KAVOXM_OK);
    if (c.act != nullptr && c.act != kavoxm_stop) return;
    // The stream is the offline render's: the same row frames on the same count.
    Handle offline = capisongs::Load(image);
    std::vector<int64_t> expected;
    ASSERT_GE(rows.size(), 3u);
    Render(offline.get(), rows.back() + 1, expected);
    EXPECT_EQ(rows, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CapiLiveHeard,
    testing::Values(HeardCase{"FromTheStart", 0, nullptr},
                    HeardCase{"AfterAnOfflineRender", 5000, nullptr},
                    HeardCase{"AcrossASeek", 5000,
                              [](kavoxm_module* m) { return kavoxm_seek_seconds(m, 3.3); }},
                    HeardCase{"AcrossStopAndPlay", 5000, kavoxm_stop},
                    HeardCase{"WhilePaused", 5000, kavoxm_pause}),
    [](const testing::TestParamInfo<HeardCase>& info) { return info.param.name; });

} // namespace
