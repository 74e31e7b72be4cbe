// The whole measurement of a song is bounded by its work: a small file whose pattern loops
// nest across 255 channels, with a subsong start on each of 256 orders, is measured within one
// total, and the answer is the same every time.
#include "KavoXM/song/PassTimes.h"
#include "KavoXM/song/SeekTime.h"
#include "KavoXM/song/SongScan.h"
#include "KavoXM/song/Subsongs.h"
#include "ScanSongs.h"
#include "xmbuilder/XMSlowScan.h"

#include "KavoXM/player/Player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {
using namespace xmbuilder;
using scansongs::Rate;

// The most one tick of a 255-channel song can cost: every channel reads a row and sounds,
// and every background channel is in use.
constexpr uint64_t MaxTickWork =
    SongScanTickWork + 255 * (1 + SongScanRowWork + SongScanVoiceWork) + 256;

std::vector<uint8_t> Nested(uint16_t channels, uint16_t orders, bool dense) {
    XMSlowScanShape shape;
    shape.Channels = channels;
    shape.Orders = orders;
    shape.Dense = dense;
    return CraftNestedLoops(shape);
}

struct BoundCase {
    const char* name;
    uint16_t channels;
    uint16_t orders;
    bool dense;
};

void PrintTo(const BoundCase& c, std::ostream* os) {
    *os << c.name;
}

class MeasureBound : public testing::TestWithParam<BoundCase> {};

TEST_P(MeasureBound, AllSubsongsTogetherStayWithinTheTotal) {
    const BoundCase& c = GetParam();
    const std::vector<uint8_t> image = Nested(c.channels, c.orders, c.dense);
    SongScanLimits limits;
    limits.Budget = 400'000;
    limits.Total = 1'000'000;
    const SongMap map = MapSong(image, Rate, limits);
    EXPECT_TRUE(map.Cut);
    EXPECT_LT(map.Work, limits.Total + MaxTickWork);
    // Two scans of a full budget and the one the rest allows: no further start is looked at.
    ASSERT_EQ(map.Subsongs.size(), 3u);
    for (const Subsong& s : map.Subsongs) {
        EXPECT_EQ(s.End, SongScanEnd::Unknown);
        EXPECT_GT(s.Frames, 0u);
    }
    // The same answer every time: the bound is a count, not a clock.
    const SongMap again = MapSong(image, Rate, limits);
    EXPECT_EQ(again.Work, map.Work);
    for (size_t i = 0; i < map.Subsongs.size(); ++i)
        EXPECT_EQ(again.Subsongs[i].Frames, map.Subsongs[i].Frames);
}

INSTANTIATE_TEST_SUITE_P(Crafted, MeasureBound,
                         testing::Values(BoundCase{"Dense255", 255, 256, true},
                                         BoundCase{"Sparse255", 255, 256, false},
                                         BoundCase{"Dense32", 32, 16, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MeasureBound, RowsCostMoreThanEffectTicks) {
    // The same song time at speed 1 (a row every tick) and at speed 2: the first reads twice
    // the rows and is charged for them.
    XMSlowScanShape shape;
    shape.Channels = 64;
    shape.Orders = 1;
    shape.Dense = false;
    SongScanLimits limits;
    limits.CapSeconds = 2.0;
    const SongScan rows = ScanSongLength(CraftNestedLoops(shape), Rate, 1, 0, limits);
    shape.Speed = 2;
    const SongScan half = ScanSongLength(CraftNestedLoops(shape), Rate, 1, 0, limits);
    ASSERT_EQ(rows.End, SongScanEnd::BeyondCap);
    ASSERT_EQ(half.End, SongScanEnd::BeyondCap);
    const uint64_t ticks = rows.Frames / uint64_t(Rate * 5 / 2 / 255);
    EXPECT_GT(rows.Work, half.Work + ticks / 2 * 64 * SongScanRowWork * 9 / 10);
}

TEST(MeasureBound, PassesOfAPlayShareTheTotal) {
    // A short song played 100,000 times: each pass has a budget of its own, but all of them
    // together no more than the total.
    xmbuilder::XMSong song = scansongs::Plain(4, {64}, {0});
    song.Speed = 1;
    SongScanLimits limits;
    limits.Budget = 300'000;
    limits.Total = 1'000'000;
    const PassTimes times = ScanPassTimes(BuildXM(song), Rate, 100'000, 0, limits);
    ASSERT_EQ(times.First.End, SongScanEnd::Ends);
    EXPECT_EQ(times.All.End, SongScanEnd::Unknown);
    EXPECT_LT(times.All.Work, limits.Total + MaxTickWork);
    EXPECT_GT(times.All.Frames, times.First.Frames * 10);
}

// Sets the process-wide stop flag for the lifetime of the guard.
class StopRequest {
  public:
    StopRequest() {
        flag_ = 1;
        SetScanStopFlag(&flag_);
    }
    ~StopRequest() { SetScanStopFlag(nullptr); }
    StopRequest(const StopRequest&) = delete;
    StopRequest& operator=(const StopRequest&) = delete;

  private:
    std::atomic<int> flag_{0};
};

TEST(MeasureBound, AStopRequestEndsScansAndSeeksAtOnce) {
    const std::vector<uint8_t> image = Nested(255, 256, true);
    {
        const StopRequest stop;
        EXPECT_TRUE(ScanStopRequested());
        const SongScan scan = ScanSongLength(image, Rate);
        EXPECT_EQ(scan.End, SongScanEnd::Unknown);
        EXPECT_EQ(scan.Work, 0u);
        EXPECT_LE(FindSubsongs(image, Rate).size(), 1u);
        TKavoXM player(Rate, 2048, 1, true, 10, 16, 0, TKavoXMOutput::None);
        ASSERT_TRUE(player.Module->LoadFromMemory(image.data(), int32_t(image.size())));
        ASSERT_TRUE(player.StartOffline());
        const SeekResult seek = SeekToFrame(player, uint64_t(Rate) * 3600, 2048, 1);
        EXPECT_TRUE(seek.Cut);
        EXPECT_EQ(seek.Frame, 0u);
    }
    EXPECT_FALSE(ScanStopRequested());
    SongScanLimits limits;
    limits.CapSeconds = 1.0;
    EXPECT_EQ(ScanSongLength(image, Rate, 1, 0, limits).End, SongScanEnd::BeyondCap);
}

} // namespace
