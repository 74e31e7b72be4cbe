// The kavoxm tool's subsong finder, on songs built in code.
#include "KavoXM/song/Subsongs.h"
#include "KavoXM/song/SongScan.h"
#include "ScanSongs.h"
#include "xmbuilder/XMBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
using namespace xmbuilder;

using namespace scansongs;

struct SubsongCase {
    const char* name;
    XMSong song;
    std::vector<int32_t> starts;
};

void PrintTo(const SubsongCase& c, std::ostream* os) {
    *os << c.name;
}

XMSong TwoTunes() {
    // Tune 1: orders 0-1, jumping back to 0. Tune 2: orders 2-3, ending at the song's end.
    XMSong song = Plain(2, {8, 8, 4, 4}, {0, 1, 2, 3});
    song.Patterns[1].Put(7, 0, Fx(0xB, 0));
    return song;
}

XMSong ThreeTunes() {
    XMSong song = Plain(2, {8, 8, 4, 6, 10}, {0, 1, 2, 3, 4, 4});
    song.Patterns[1].Put(7, 0, Fx(0xB, 0));
    song.Patterns[3].Put(5, 1, Fx(0xB, 2));
    return song;
}

XMSong TuneJumpingIntoAnother() {
    // Tune 2 (order 2) jumps into tune 1's order 1: order 1 starts no tune of its own.
    XMSong song = Plain(2, {8, 8, 4}, {0, 1, 2});
    song.Patterns[1].Put(7, 0, Fx(0xB, 0));
    song.Patterns[2].Put(3, 0, Fx(0xB, 1));
    return song;
}

XMSong OrdersReachedByBreaks() {
    // Order 0 breaks into the middle of order 1, which breaks into order 2's last row and
    // jumps back: orders 1 and 2 are reached although their first rows never play.
    XMSong song = Plain(1, {8, 8, 8, 8}, {0, 1, 2, 3});
    song.Patterns[0].Put(3, 0, Fx(0xD, 0x05));
    song.Patterns[1].Put(6, 0, Fx(0xD, 0x07));
    song.Patterns[2].Put(7, 0, Fx(0xB, 0));
    return song;
}

XMSong UnplayableOrderBetweenTunes() {
    // Order 1 names a pattern that has no rows: skipped, never a tune.
    XMSong song = Plain(1, {8, 8}, {0, 7, 1});
    song.Patterns[0].Put(7, 0, Fx(0xB, 0));
    return song;
}

const SubsongCase SubsongCases[] = {
    {"OneTune", Plain(1, {8}, {0, 0}), {0}},
    {"TwoTunes", TwoTunes(), {0, 2}},
    {"ThreeTunes", ThreeTunes(), {0, 2, 4}},
    {"TuneJumpingIntoAnother", TuneJumpingIntoAnother(), {0, 2}},
    {"OrdersReachedByBreaks", OrdersReachedByBreaks(), {0, 3}},
    {"UnplayableOrderBetweenTunes", UnplayableOrderBetweenTunes(), {0, 2}},
};

class SubsongSearch : public testing::TestWithParam<SubsongCase> {};

TEST_P(SubsongSearch, StartAtTheLowestUnreachedOrderAndLastTillTheirOwnEnd) {
    const SubsongCase& c = GetParam();
    const std::vector<uint8_t> image = BuildXM(c.song);
    const std::vector<Subsong> found = FindSubsongs(image, Rate);
    std::vector<int32_t> starts;
    for (const Subsong& s : found) starts.push_back(s.StartOrder);
    EXPECT_EQ(starts, c.starts);
    for (const Subsong& s : found) {
        // Each lasts as long as the song played from its start: what `--subsong` renders.
        const SongScan alone = ScanSongLength(image, Rate, 1, s.StartOrder);
        EXPECT_TRUE(s.Ends()) << "subsong at order " << s.StartOrder;
        EXPECT_EQ(s.Frames, alone.Frames) << "subsong at order " << s.StartOrder;
    }
}

INSTANTIATE_TEST_SUITE_P(Subsongs, SubsongSearch, testing::ValuesIn(SubsongCases),
                         [](const testing::TestParamInfo<SubsongCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(Subsongs, TuneThatJumpsIntoAnotherPlaysThroughIt) {
    const std::vector<Subsong> found = FindSubsongs(BuildXM(TuneJumpingIntoAnother()), Rate);
    ASSERT_EQ(found.size(), 2u);
    // Order 2 (4 rows), order 1 and order 0 (8 rows each); then order 1 comes round again
    // in the same state, and the song would go round orders 0 and 1 for ever.
    EXPECT_EQ(found[1].Frames, uint64_t((4 + 8 + 8) * 6 * 882));
}

TEST(Subsongs, NoSubsongsInAnImageThatDoesNotLoad) {
    EXPECT_TRUE(FindSubsongs(std::vector<uint8_t>(10, 0), Rate).empty());
}

} // namespace
