// The engine's bounded song-length scan, on songs built in code.
#include "KavoXM/song/SongScan.h"
#include "ScanSongs.h"
#include "xmbuilder/XMBuilder.h"

#include "KavoXM/player/Player.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
using namespace xmbuilder;

using namespace scansongs;

SongScanLimits Limits() {
    return {};
}

SongScan Scan(const XMSong& song, const SongScanLimits& limits = Limits(), int32_t start = 0) {
    return ScanSongLength(BuildXM(song), Rate, 1, start, limits);
}

TEST(SongScan, PlainSongEndsAfterItsRows) {
    // 3 orders of 16 rows at speed 6, tempo 125: 882 frames a tick.
    const SongScan scan = Scan(Plain(2, {16}, {0, 0, 0}));
    EXPECT_EQ(scan.End, SongScanEnd::Ends);
    EXPECT_EQ(scan.Frames, uint64_t(3 * 16 * 6 * 882));
}

TEST(SongScan, CapIsTheLongestLengthThatStillEnds) {
    const XMSong song = Plain(1, {32}, {0, 0});
    const uint64_t length = Scan(song).Frames;
    SongScanLimits limits = Limits();
    limits.CapSeconds = double(length) / Rate;
    EXPECT_EQ(Scan(song, limits).End, SongScanEnd::Ends);
    limits.CapSeconds = double(length - 1) / Rate;
    const SongScan capped = Scan(song, limits);
    EXPECT_EQ(capped.End, SongScanEnd::BeyondCap);
    EXPECT_EQ(capped.Frames, length - 1);
}

TEST(SongScan, SongOfDaysIsCappedAtAnHour) {
    // Speed 31, tempo 32 and a pattern delay of 15 on every row: 39 s a row, 256 x 256 rows.
    XMSong song = Plain(1, {256}, std::vector<uint8_t>(256, 0));
    song.Speed = 31;
    song.Tempo = 32;
    for (int32_t row = 0; row < 256; ++row) song.Patterns[0].Put(row, 0, Fx(0xE, 0xEF));
    const SongScan scan = Scan(song);
    EXPECT_EQ(scan.End, SongScanEnd::BeyondCap);
    EXPECT_EQ(scan.Frames, uint64_t(SongLengthCapSeconds * Rate));
    EXPECT_EQ(SongLengthFrames(BuildXM(song), Rate, 1, 60.0), uint64_t(60 * Rate));
}

TEST(SongScan, PatternLoopThatNeverFinishesEndsAtItsRepeat) {
    XMSong song = Plain(1, {8}, {0});
    song.Patterns[0].Put(0, 0, Fx(0xE, 0x61)).Put(3, 0, Fx(0xE, 0x62));
    const SongScan scan = Scan(song);
    EXPECT_EQ(scan.End, SongScanEnd::Ends);
    EXPECT_LT(scan.Frames, uint64_t(12 * 6 * 882));
}

// 255 channels looping ever longer stretches of the pattern 16 times each, around the ones
// before them: the song's rows run into astronomical numbers, each tick visits 255 channels.
XMSong NestedLoops255() {
    XMSong song = Plain(255, {128}, {0});
    for (int32_t ch = 0; ch < 255; ++ch) {
        song.Patterns[0].Put(0, ch, Fx(0xE, 0x60));
        song.Patterns[0].Put(1 + ch / 2, ch, Fx(0xE, 0x6F));
    }
    song.Speed = 1;
    song.Tempo = 255;
    return song;
}

TEST(SongScan, WorkStopsAtTheBudget) {
    const XMSong song = NestedLoops255();
    SongScanLimits limits = Limits();
    limits.Budget = 300'000;
    const SongScan scan = Scan(song, limits);
    EXPECT_EQ(scan.End, SongScanEnd::Unknown);
    EXPECT_GE(scan.Work, limits.Budget);
    // One tick more at most: every channel reading a row and sounding, every background one.
    const uint64_t tick = SongScanTickWork + 255 * (1 + SongScanRowWork + SongScanVoiceWork) + 256;
    EXPECT_LT(scan.Work, limits.Budget + tick);
    EXPECT_GT(scan.Frames, 0u);
}

TEST(SongScan, ATickRunsOnlyWhileWorkIsBelowTheBudget) {
    // One channel without instruments. The song ends on the row tick after its last row, which
    // runs only with work to spare.
    const XMSong song = Plain(1, {4}, {0});
    const SongScan whole = Scan(song);
    ASSERT_EQ(whole.End, SongScanEnd::Ends);
    SongScanLimits limits = Limits();
    const uint64_t tick = 1 + SongScanTickWork + SongScanRowWork;
    limits.Budget = whole.Work - tick;
    EXPECT_EQ(Scan(song, limits).End, SongScanEnd::Unknown);
    limits.Budget = whole.Work - tick + 1;
    EXPECT_EQ(Scan(song, limits).End, SongScanEnd::Ends);
}

TEST(SongScan, StartOrderMeasuresTheRestOfTheSong) {
    XMSong song = Plain(2, {16, 8, 4}, {0, 1, 2, 1});
    song.Patterns[1].Put(2, 1, Fx(0xF, 3));
    XMSong rest = song;
    rest.SongLength = 2;
    rest.Orders[0] = 2;
    rest.Orders[1] = 1;
    EXPECT_EQ(Scan(song, Limits(), 2).Frames, Scan(rest).Frames);
    EXPECT_EQ(Scan(song, Limits(), 4).End, SongScanEnd::NoSong);
    EXPECT_EQ(ScanSongLength(std::vector<uint8_t>(100, 0), Rate).End, SongScanEnd::NoSong);
}

} // namespace
