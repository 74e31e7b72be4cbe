// Seeking: playing on from SetPosition(order, row) gives the same bytes as playing a copy of
// the song whose order list begins there, whatever played before the seek, offline and live.
#include "KavoXM/player/Player.h"
#include "support/VirtualDeviceHarness.h"
#include "xmbuilder/XMBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {
using namespace xmbuilder;

XMSample LoopedWave(int32_t frames, double harmonic) {
    XMSample s;
    s.SixteenBit = true;
    for (int32_t f = 0; f < frames; ++f) {
        const double t = 2 * 3.141592653589793 * f / frames;
        s.Left.push_back(int32_t(std::lround(20000 * std::sin(t) + 6000 * std::sin(harmonic * t))));
    }
    s.LoopType = 1;
    s.LoopLengthFrames = uint32_t(frames);
    return s;
}

// Four patterns whose later rows lean on what earlier ones leave behind: effect memories
// (100, 400, A00, E6y without E60), global volume, speed and tempo, voices still sounding and
// faded copies in the background channels.
XMSong SeekSong() {
    XMSong song;
    song.Channels = 4;
    song.Speed = 5;
    song.Tempo = 130;
    const std::vector<uint8_t> orders = {0, 1, 2, 3, 1, 2, 3};
    song.SongLength = uint16_t(orders.size());
    for (size_t i = 0; i < orders.size(); ++i) song.Orders[i] = orders[i];
    XMInstrument a, b;
    a.Samples.push_back(LoopedWave(100, 3));
    b.Samples.push_back(LoopedWave(64, 5));
    b.VolumeEnvelope.Points = {{0, 64}, {20, 30}, {40, 50}};
    b.VolumeEnvelope.Type = 1;
    b.FadeOut = 1500;
    song.Instruments = {a, b};
    XMPattern p0, p1, p2, p3;
    p0.Rows = p1.Rows = p2.Rows = p3.Rows = 16;
    p0.Put(0, 0, {49, 1, 0, 1, 0x03})   // portamento up, speed 3 remembered
        .Put(0, 1, {61, 2, 0, 4, 0x48}) // vibrato 4/8 remembered
        .Put(0, 2, {37, 1, 0, 0xA, 0x02})
        .Put(2, 3, {0, 0, 0, 0xE, 0x60}) // loop start at row 2
        .Put(4, 3, {0, 0, 0, 0xE, 0x61})
        .Put(6, 0, {0, 0, 0, 0xF, 0x03})
        .Put(8, 1, {0, 0, 0, 0x10, 0x30}) // global volume 48
        .Put(10, 2, {0, 0, 0, 0xF, 0x96});
    p1.Put(0, 0, {0, 0, 0, 1, 0x00}) // memories in use
        .Put(0, 1, {56, 1, 0, 4, 0x00})
        .Put(1, 2, {44, 2, 0, 0xA, 0x00})
        .Put(5, 3, {0, 0, 0, 0xE, 0x61}) // jumps to the channel's last loop row
        .Put(8, 0, {52, 2, 0, 0, 0});
    p2.Put(0, 0, {60, 1, 0, 0x11, 0x0F}) // global volume slide down
        .Put(3, 2, {40, 1, 0, 8, 0x20})
        .Put(6, 1, {97, 0, 0, 0, 0})
        .Put(12, 3, {45, 2, 0, 0xF, 0x02});
    p3.Put(0, 1, {48, 2, 0, 3, 0x10}).Put(4, 0, {36, 1, 0, 0xE, 0xD2}).Put(9, 2, {64, 2, 0, 0, 0});
    song.Patterns = {p0, p1, p2, p3};
    return song;
}

// The same song with its order list starting at entry `first`.
XMSong StartingAt(XMSong song, int32_t first) {
    for (int32_t i = 0; i + first < 256; ++i)
        song.Orders[size_t(i)] = song.Orders[size_t(i + first)];
    song.SongLength = uint16_t(song.SongLength - first);
    return song;
}

std::unique_ptr<TKavoXM> OfflinePlayer(const XMSong& song) {
    auto player = std::make_unique<TKavoXM>(44100, 2048, 4, true, 10, 16, 0, TKavoXMOutput::None);
    const std::vector<uint8_t> image = BuildXM(song);
    EXPECT_TRUE(player->Module->LoadFromMemory(image.data(), int32_t(image.size())));
    EXPECT_TRUE(player->StartOffline());
    return player;
}

std::vector<uint8_t> Render(TKavoXM& player, int32_t frames) {
    std::vector<uint8_t> pcm(size_t(frames) * 4);
    EXPECT_EQ(player.RenderOffline(pcm.data(), frames), frames);
    return pcm;
}

constexpr int32_t Compared = 88200; // two seconds, within one pass from every start below

struct SeekCase {
    const char* name;
    int32_t order;
    int32_t playedBefore; // frames rendered before the seek
};

void PrintTo(const SeekCase& c, std::ostream* os) {
    *os << c.name;
}

class Seek : public testing::TestWithParam<SeekCase> {};

TEST_P(Seek, PlaysOnExactlyLikeTheSongStartingThere) {
    const SeekCase c = GetParam();
    auto seeking = OfflinePlayer(SeekSong());
    if (c.playedBefore > 0) Render(*seeking, c.playedBefore);
    ASSERT_TRUE(seeking->SetPosition(c.order, 0));
    auto fresh = OfflinePlayer(StartingAt(SeekSong(), c.order));
    EXPECT_EQ(Render(*seeking, Compared), Render(*fresh, Compared));
}

INSTANTIATE_TEST_SUITE_P(
    SetPosition, Seek,
    testing::Values(SeekCase{"Order1BeforePlaying", 1, 0}, SeekCase{"Order1MidNote", 1, 30011},
                    SeekCase{"Order2AfterOrder0", 2, 60000},
                    SeekCase{"Order3FromFurtherOn", 3, 200000}, SeekCase{"BackToOrder1", 1, 200000},
                    SeekCase{"Order0Again", 0, 150000}),
    [](const testing::TestParamInfo<SeekCase>& info) { return std::string(info.param.name); });

TEST(SetPosition, CutVoicesLeaveNothingBehind) {
    // Seek while the output of voices cut earlier still fades out through click removal.
    auto seeking = OfflinePlayer(SeekSong());
    const TKavoXMModule& m = *seeking->Module;
    int32_t frames = 0;
    while (m.ClickRemovalLeft == 0 && m.ClickRemovalRight == 0 && frames < 44100 * 30) {
        Render(*seeking, 64);
        frames += 64;
    }
    ASSERT_TRUE(m.ClickRemovalLeft != 0 || m.ClickRemovalRight != 0);
    ASSERT_TRUE(seeking->SetPosition(1, 0));
    auto fresh = OfflinePlayer(StartingAt(SeekSong(), 1));
    EXPECT_EQ(Render(*seeking, Compared), Render(*fresh, Compared));
}

TEST(SetPosition, ARowInsideThePatternStartsThere) {
    auto seeking = OfflinePlayer(SeekSong());
    Render(*seeking, 50000);
    ASSERT_TRUE(seeking->SetPosition(2, 5));
    // The same song whose pattern at order 2 has lost its first five rows.
    XMSong cut = StartingAt(SeekSong(), 2);
    XMPattern& p2 = cut.Patterns[2];
    std::vector<XMPattern::Placed> kept;
    for (const auto& placed : p2.Cells)
        if (placed.Row >= 5) kept.push_back({placed.Row - 5, placed.Channel, placed.Cell});
    p2.Cells = kept;
    p2.Rows = 11;
    auto fresh = OfflinePlayer(cut);
    EXPECT_EQ(Render(*seeking, Compared), Render(*fresh, Compared));
}

struct BadPosition {
    const char* name;
    int32_t order;
    int32_t row;
};

void PrintTo(const BadPosition& c, std::ostream* os) {
    *os << c.name;
}

class SetPositionOutside : public testing::TestWithParam<BadPosition> {};

TEST_P(SetPositionOutside, IsRefusedAndChangesNothing) {
    const BadPosition c = GetParam();
    auto refused = OfflinePlayer(SeekSong());
    auto untouched = OfflinePlayer(SeekSong());
    const std::vector<uint8_t> before = Render(*refused, 30000);
    Render(*untouched, 30000);
    const int32_t order = refused->Module->CurrentOrder;
    const int32_t row = refused->Module->CurrentRow;
    EXPECT_FALSE(refused->SetPosition(c.order, c.row));
    EXPECT_EQ(refused->Module->CurrentOrder, order);
    EXPECT_EQ(refused->Module->CurrentRow, row);
    EXPECT_EQ(Render(*refused, 20000), Render(*untouched, 20000));
    EXPECT_FALSE(before.empty());
}

INSTANTIATE_TEST_SUITE_P(
    SetPosition, SetPositionOutside,
    testing::Values(BadPosition{"OrderPastTheSong", 7, 0}, BadPosition{"NegativeOrder", -1, 0},
                    BadPosition{"RowPastThePattern", 6, 16}, BadPosition{"NegativeRow", 0, -1},
                    BadPosition{"OrderOfTheFullTable", 256, 0}),
    [](const testing::TestParamInfo<BadPosition>& info) { return std::string(info.param.name); });

TEST(SetPosition, LastRowOfTheLastOrderIsInside) {
    auto player = OfflinePlayer(SeekSong());
    EXPECT_TRUE(player->SetPosition(6, 15));
    EXPECT_EQ(player->Module->PlayingOrder, 6);
    EXPECT_EQ(player->Module->CurrentPattern, 3);
}

TEST(SetPosition, StartsANewPass) {
    auto player = OfflinePlayer(SeekSong());
    while (player->Module->SongEndCount == 0) Render(*player, 4096);
    ASSERT_TRUE(player->SetPosition(5, 0));
    EXPECT_EQ(player->Module->SongEndCount, 0u);
    // Orders 5 and 6 remain: the pass ends after two patterns, not after the whole song.
    uint32_t frames = 0;
    while (player->Module->SongEndCount == 0 && frames < 44100 * 30) {
        Render(*player, 256);
        frames += 256;
    }
    auto fromFive = OfflinePlayer(StartingAt(SeekSong(), 5));
    uint32_t expected = 0;
    while (fromFive->Module->SongEndCount == 0 && expected < 44100 * 30) {
        Render(*fromFive, 256);
        expected += 256;
    }
    EXPECT_EQ(frames, expected);
}

// Live: the seek lands between two buffer fills, and the buffers after it carry the song from
// the new position.
TEST(SetPosition, LiveSeekContinuesWithTheSongFromThere) {
    std::vector<uint8_t> recorded;
    int32_t bufferBytes = 0;
    {
        testsupport::ScopedVirtualDevice device; // manual clock: the ring fills, then waits
        TKavoXM player(44100, 2048, 4, true, 1, 16, 0);
        ASSERT_TRUE(player.DeviceOpen);
        const std::vector<uint8_t> image = BuildXM(SeekSong());
        ASSERT_TRUE(player.Module->LoadFromMemory(image.data(), int32_t(image.size())));
        ASSERT_TRUE(player.Play());
        ASSERT_TRUE(testsupport::WaitUntil([] { return VirtualDevice::Writes().size() == 4; }));
        ASSERT_TRUE(player.SetPosition(3, 0));
        for (size_t writes : {8u, 12u}) {
            VirtualDevice::Advance(2048 * 4); // the four queued buffers play
            ASSERT_TRUE(testsupport::WaitUntil(
                [writes] { return VirtualDevice::Writes().size() >= writes; }));
        }
        recorded = VirtualDevice::Recorded();
        bufferBytes = player.BufferBytes;
    }
    auto fresh = OfflinePlayer(StartingAt(SeekSong(), 3));
    const std::vector<uint8_t> expected = Render(*fresh, 2048 * 8);
    ASSERT_GE(recorded.size(), size_t(bufferBytes) * 12);
    const std::vector<uint8_t> afterSeek(recorded.begin() + 4 * bufferBytes,
                                         recorded.begin() + 12 * bufferBytes);
    EXPECT_EQ(afterSeek, expected);
}

} // namespace
