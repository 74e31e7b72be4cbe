// Song time of several passes from one start, on songs built in code.
#include "KavoXM/song/PassTimes.h"
#include "KavoXM/song/SongScan.h"
#include "KavoXM/song/Subsongs.h"
#include "ScanSongs.h"
#include "xmbuilder/XMBuilder.h"

#include "KavoXM/player/Player.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
using namespace xmbuilder;

using namespace scansongs;

// Later passes restart at order 1, whose first row sets another tempo: the tick that ends a
// pass is longer than the one before it, and a later pass is shorter than the first.
std::vector<uint8_t> RestartingSong() {
    XMSong song = Plain(2, {8, 12, 6}, {0, 1, 2});
    song.RestartPosition = 1;
    song.Patterns[1].Put(0, 0, Fx(0xF, 200));
    song.Patterns[2].Put(5, 1, Fx(0xF, 90));
    return BuildXM(song);
}

TEST(PassTimes, PassesAndOrderTimesAgreeWithSingleScans) {
    const std::vector<uint8_t> image = RestartingSong();
    TKavoXM player(Rate, 2048, 4, true, 10, 16, 0, TKavoXMOutput::None);
    ASSERT_TRUE(player.Module->LoadFromMemory(image.data(), int32_t(image.size())));
    const SongMap map = MapSong(player);
    for (const int32_t start : {0, 2})
        for (uint32_t passes = 1; passes <= 3; ++passes) {
            SCOPED_TRACE(testing::Message() << "start " << start << ", passes " << passes);
            const PassTimes times = ScanPassTimes(image, Rate, passes, start);
            const SongScan first = ScanSongLength(image, Rate, 1, start);
            const SongScan all = ScanSongLength(image, Rate, passes, start);
            EXPECT_EQ(times.First.End, SongScanEnd::Ends);
            EXPECT_EQ(times.First.Frames, first.Frames);
            EXPECT_EQ(times.All.End, SongScanEnd::Ends);
            EXPECT_EQ(times.All.Frames, all.Frames);
            if (start == 0) {
                EXPECT_EQ(times.OrderStart, map.OrderStart);
            }
        }
    EXPECT_EQ(ScanPassTimes(image, Rate, 1, 2).OrderStart[2], 0);
    EXPECT_EQ(ScanPassTimes(image, Rate, 1, 2).OrderStart[0], -1);
    EXPECT_EQ(ScanPassTimes(image, Rate, 2, 3).First.End, SongScanEnd::NoSong);
}

TEST(PassTimes, CapCountsAcrossPassesAndEachPassHasItsBudget) {
    const std::vector<uint8_t> image = RestartingSong();
    const uint64_t two = ScanSongLength(image, Rate, 2).Frames;
    SongScanLimits limits;
    limits.CapSeconds = double(two) / Rate;
    EXPECT_EQ(ScanPassTimes(image, Rate, 2, 0, limits).All.End, SongScanEnd::Ends);
    limits.CapSeconds = double(two - 1) / Rate;
    const PassTimes capped = ScanPassTimes(image, Rate, 2, 0, limits);
    EXPECT_EQ(capped.First.End, SongScanEnd::Ends);
    EXPECT_EQ(capped.All.End, SongScanEnd::BeyondCap);
    EXPECT_EQ(capped.All.Frames, two - 1);

    // A budget that just holds the first pass holds each later one too.
    limits = SongScanLimits{};
    limits.Budget = ScanSongLength(image, Rate, 1).Work;
    const PassTimes passes = ScanPassTimes(image, Rate, 3, 0, limits);
    EXPECT_EQ(passes.All.End, SongScanEnd::Ends);
    EXPECT_EQ(passes.All.Frames, ScanSongLength(image, Rate, 3).Frames);
    limits.Budget /= 2;
    const PassTimes short_ = ScanPassTimes(image, Rate, 3, 0, limits);
    EXPECT_EQ(short_.First.End, SongScanEnd::Unknown);
    EXPECT_EQ(short_.All.End, SongScanEnd::Unknown);
}

} // namespace
