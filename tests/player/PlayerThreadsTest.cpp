// The player's output thread, park handshake and buffer ring on the virtual device.
#include "KavoXM/KavoXM.h"
#include "KavoXM/player/WaveOut.h"
#include "support/VirtualDeviceHarness.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using testsupport::MillisecondsOf;
using testsupport::ScopedVirtualDevice;
using testsupport::WaitUntil;

constexpr double PromptMs = 2000; // guard against hangs only

std::unique_ptr<TKavoXM> MakePlayer(int32_t pollInterval = 1, int32_t prebuffer = 0) {
    return std::make_unique<TKavoXM>(44100, 2048, 4, true, pollInterval, 16, prebuffer);
}

size_t WriteCount() {
    return VirtualDevice::Writes().size();
}

// Reads a field the output thread writes, under the player's lock.
template <typename F> auto Locked(TKavoXM& player, F read) {
    player.Lock();
    const auto value = read();
    player.Unlock();
    return value;
}

TEST(PlayerThreads, ThreadParksAfterConstructionAndSendsNothing) {
    ScopedVirtualDevice device;
    auto player = MakePlayer();
    EXPECT_TRUE(player->DeviceOpen);
    EXPECT_TRUE(WaitUntil([&] { return player->Parked.load(); }));
    EXPECT_EQ(WriteCount(), 0u);
    for (WAVEHDR* header : player->WaveOut->Headers) {
        EXPECT_NE(WaveHeaderFlags(*header).load() & WHDR_DONE, 0u);
        EXPECT_EQ(header->dwBufferLength, uint32_t(player->BufferBytes));
    }
}

TEST(PlayerThreads, EachPassRefillsTheHeadOfTheRingOnly) {
    // Passes driven by hand while the thread stays parked (never played).
    ScopedVirtualDevice device;
    auto player = MakePlayer();
    player->StartOffline();
    auto pass = [&] {
        player->Lock();
        player->ServiceQueue();
        player->Unlock();
    };
    for (size_t n = 0; n < 4; ++n) {
        pass();
        ASSERT_EQ(WriteCount(), n + 1);
        EXPECT_EQ(VirtualDevice::Writes()[n].Header, player->WaveOut->Headers[n]);
        EXPECT_EQ(VirtualDevice::Writes()[n].Bytes, uint32_t(player->BufferBytes));
    }
    EXPECT_EQ(player->SamplesQueued.load(), 4u * 2048u);
    pass(); // buffer 0 is still queued: nothing, even though nothing else is free either
    EXPECT_EQ(WriteCount(), 4u);
    VirtualDevice::Advance(2047);
    pass();
    EXPECT_EQ(WriteCount(), 4u);
    VirtualDevice::Advance(1);
    pass();
    ASSERT_EQ(WriteCount(), 5u);
    EXPECT_EQ(VirtualDevice::Writes()[4].Header, player->WaveOut->Headers[0]);
    EXPECT_EQ(player->CurrentBuffer, 1);
}

TEST(PlayerThreads, PlayFillsTheRingInOrderThenReusesBufferZero) {
    ScopedVirtualDevice device;
    auto player = MakePlayer();
    player->Module->Loaded = true;
    ASSERT_TRUE(player->Play());
    EXPECT_FALSE(player->Parked);
    ASSERT_TRUE(WaitUntil([] { return WriteCount() >= 4; }));
    EXPECT_EQ(WriteCount(), 4u); // the fifth waits for the device
    for (size_t n = 0; n < 4; ++n)
        EXPECT_EQ(VirtualDevice::Writes()[n].Header, player->WaveOut->Headers[n]);
    EXPECT_GE(Locked(*player, [&] { return player->StartTime; }), 0);
    VirtualDevice::Advance(2048);
    ASSERT_TRUE(WaitUntil([] { return WriteCount() >= 5; }));
    EXPECT_EQ(VirtualDevice::Writes()[4].Header, player->WaveOut->Headers[0]);
    const double ms = MillisecondsOf([&] { player.reset(); });
    EXPECT_LT(ms, PromptMs);
    EXPECT_FALSE(VirtualDevice::IsOpen());
    EXPECT_EQ(VirtualDevice::CloseCount(), 1);
}

TEST(PlayerThreads, PlayWithoutASongReturnsFalseAndStaysParked) {
    ScopedVirtualDevice device;
    auto player = MakePlayer();
    EXPECT_FALSE(player->Play());
    EXPECT_TRUE(player->ParkRequest);
    EXPECT_TRUE(WaitUntil([&] { return player->Parked.load(); }));
    EXPECT_EQ(VirtualDevice::ResetCount(), 1); // Play reset the device all the same
    EXPECT_EQ(WriteCount(), 0u);
    const double ms = MillisecondsOf([&] { player.reset(); });
    EXPECT_LT(ms, PromptMs);
    EXPECT_EQ(VirtualDevice::CloseCount(), 1);
}

TEST(PlayerThreads, DestroyingANeverPlayedPlayerReleasesTheParkedThread) {
    ScopedVirtualDevice device;
    auto player = MakePlayer(10);
    ASSERT_TRUE(WaitUntil([&] { return player->Parked.load(); }));
    const double ms = MillisecondsOf([&] { player.reset(); });
    EXPECT_LT(ms, PromptMs);
    EXPECT_EQ(WriteCount(), 0u);
    EXPECT_FALSE(VirtualDevice::IsOpen());
}

TEST(PlayerThreads, DestroyingRightAfterConstructionDoesNotWaitForAPark) {
    // The thread may not have parked yet when the destructor releases it.
    ScopedVirtualDevice device;
    for (int i = 0; i < 20; ++i) {
        auto player = MakePlayer(10);
        const double ms = MillisecondsOf([&] { player.reset(); });
        EXPECT_LT(ms, PromptMs);
    }
    EXPECT_EQ(VirtualDevice::CloseCount(), 20);
}

TEST(PlayerThreads, WithoutADeviceNothingIsServicedAndDestructionIsPrompt) {
    VirtualDevice::Options options;
    options.FailOpen = true;
    ScopedVirtualDevice device(options);
    auto player = MakePlayer();
    EXPECT_FALSE(player->DeviceOpen);
    EXPECT_EQ(player->WaveOut->Headers.size(), 4u); // allocated before the open failed
    player->Module->Loaded = true;
    EXPECT_TRUE(player->Play());
    ASSERT_TRUE(WaitUntil([&] { return !player->Parked.load(); }));
    EXPECT_EQ(player->SamplesQueued.load(), 0u);
    EXPECT_EQ(player->SamplesLeftInTick, 0); // no tick ran
    const double ms = MillisecondsOf([&] { player.reset(); });
    EXPECT_LT(ms, PromptMs);
    EXPECT_EQ(VirtualDevice::FailedOpenCount(), 1);
    EXPECT_EQ(VirtualDevice::ResetCount(), 0);
}

TEST(PlayerThreads, PrebufferingFillsBuffersBackToBackInTheFirstPass) {
    ScopedVirtualDevice device;
    auto player = MakePlayer(1, 3);
    player->Module->Loaded = true;
    ASSERT_TRUE(player->Play());
    ASSERT_TRUE(WaitUntil([] { return WriteCount() >= 4; }));
    EXPECT_EQ(Locked(*player, [&] { return player->PrebufferedCount; }), 3);
    for (size_t n = 0; n < 4; ++n)
        EXPECT_EQ(VirtualDevice::Writes()[n].Header, player->WaveOut->Headers[n]);
}

TEST(PlayerThreads, DestroyingWhilePrebufferingWaitsForTheDeviceIsPrompt) {
    // More buffers to prebuffer than the ring holds, on a device whose clock never moves:
    // the first pass waits for a buffer that never comes back.
    ScopedVirtualDevice device;
    auto player = MakePlayer(1, 6);
    player->Module->Loaded = true;
    ASSERT_TRUE(player->Play());
    ASSERT_TRUE(WaitUntil([] { return WriteCount() >= 4; }));
    const double ms = MillisecondsOf([&] { player.reset(); });
    EXPECT_LT(ms, PromptMs);
    EXPECT_EQ(WriteCount(), 4u);
    EXPECT_FALSE(VirtualDevice::IsOpen());
}

TEST(PlayerThreads, ASecondPlayRestartsTheRing) {
    ScopedVirtualDevice device;
    auto player = MakePlayer();
    player->Module->Loaded = true;
    ASSERT_TRUE(player->Play());
    ASSERT_TRUE(WaitUntil([] { return WriteCount() >= 4; }));
    ASSERT_TRUE(player->Play()); // resets the device: every buffer comes back
    ASSERT_TRUE(WaitUntil([] { return WriteCount() >= 8; }));
    const auto writes = VirtualDevice::Writes();
    for (size_t n = 0; n < 4; ++n) EXPECT_EQ(writes[4 + n].Header, player->WaveOut->Headers[n]);
    EXPECT_EQ(VirtualDevice::ResetCount(), 2);
}

} // namespace
