// Host calls that work long never hold up the audio thread: while a seek runs far into a song,
// the device is refilled as it plays; two host threads measuring and seeking at once take turns.
#include "CapiSongs.h"
#include "support/VirtualDeviceHarness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using capisongs::Handle;
using testsupport::ScopedVirtualDevice;
using testsupport::WaitUntil;

constexpr int32_t Block = 1024;
constexpr int32_t Blocks = 4;

// 32 channels of looping notes retriggered every row at speed 1, tempo 255, over 64 orders of
// 64 rows (about 40 s): a seek near the end runs tens of thousands of voice-ticks.
std::vector<uint8_t> Dense() {
    xmbuilder::XMSong song;
    song.Channels = 32;
    song.Speed = 1;
    song.Tempo = 255;
    song.SongLength = 64;
    capisongs::AddInstruments(song);
    xmbuilder::XMPattern pattern;
    pattern.Rows = 64;
    for (int32_t row = 0; row < 64; ++row)
        for (int32_t c = 0; c < 32; ++c)
            pattern.Put(
                row, c,
                capisongs::XMCell{uint8_t(30 + (row + c) % 40), uint8_t(1 + c % 2), 0, 4, 0x37});
    song.Patterns.push_back(pattern);
    return xmbuilder::BuildXM(song);
}

uint64_t Received() {
    return VirtualDevice::Recorded().size() / 4;
}

TEST(CapiLiveNoWait, TheDeviceIsRefilledWhileASeekRunsFar) {
    ScopedVirtualDevice selected;
    Handle m = capisongs::Load(Dense());
    ASSERT_NE(m, nullptr);
    ASSERT_GT(kavoxm_duration(m.get()), 30.0); // the song map is measured before the seek
    ASSERT_EQ(kavoxm_set_device_format(m.get(), 44100, Block, Blocks), KAVOXM_OK);
    ASSERT_EQ(kavoxm_play(m.get()), KAVOXM_OK);
    ASSERT_TRUE(WaitUntil([] { return Received() >= uint64_t(Block) * Blocks; }));
    std::atomic<bool> done{false};
    std::thread seeker([&] {
        EXPECT_EQ(kavoxm_seek_seconds(m.get(), 39.0), KAVOXM_OK);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the run is under way
    // Three blocks played at a time, one left queued: the audio thread must fill three more
    // before the device runs dry, whatever the seek is doing. A seek that held the audio
    // thread's lock would let at most the first of these refills through, as it ends.
    int refills = 0;
    for (bool inTime = true; inTime && refills < 3;) {
        const uint64_t want = Received() + uint64_t(Block) * 3;
        VirtualDevice::Advance(uint64_t(Block) * 3);
        const bool moved = WaitUntil(
            [&] {
                const bool finished = done.load();
                inTime = !finished;
                return Received() >= want || finished;
            },
            std::chrono::milliseconds(20000));
        refills += moved && inTime ? 1 : 0;
        inTime = inTime && moved;
    }
    seeker.join();
    EXPECT_EQ(refills, 3);
    kavoxm_state mixer{};
    ASSERT_EQ(kavoxm_get_mixer_state(m.get(), &mixer), KAVOXM_OK);
    EXPECT_GT(mixer.seconds, 38.9);
    EXPECT_EQ(kavoxm_stop(m.get()), KAVOXM_OK);
}

// What one thread measures and where it seeks to, alone.
struct Answers {
    int32_t subsongs = 0;
    int64_t frames = 0;
    kavoxm_state state{};
};

Answers Ask(kavoxm_module* m, double seconds) {
    Answers a;
    a.subsongs = kavoxm_subsong_count(m);
    a.frames = kavoxm_duration_frames(m, 48000);
    EXPECT_EQ(kavoxm_seek_seconds(m, seconds), KAVOXM_OK);
    EXPECT_EQ(kavoxm_get_mixer_state(m, &a.state), KAVOXM_OK);
    return a;
}

TEST(CapiLiveNoWait, TwoHostThreadsMeasuringAndSeekingAtOnceTakeTurns) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(capisongs::Busy());
    Answers alone;
    std::vector<int32_t> rest; // what plays on from the seek
    {
        Handle m = capisongs::Load(image);
        alone = Ask(m.get(), 5.0);
        rest = capisongs::RenderAll(m.get(), 44100);
    }
    for (int round = 0; round < 4; ++round) {
        Handle m = capisongs::Load(image);
        Answers first, second;
        std::thread other([&] { second = Ask(m.get(), 5.0); });
        first = Ask(m.get(), 5.0);
        other.join();
        for (const Answers* a : {&first, &second}) {
            EXPECT_EQ(a->subsongs, alone.subsongs);
            EXPECT_EQ(a->frames, alone.frames);
            EXPECT_EQ(a->state.order, alone.state.order);
            EXPECT_EQ(a->state.row, alone.state.row);
        }
        EXPECT_EQ(capisongs::RenderAll(m.get(), 44100), rest);
    }
}

} // namespace
