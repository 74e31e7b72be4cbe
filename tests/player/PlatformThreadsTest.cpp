// The player's thread, lock and event: the standard library's in the normal build, the
// system's own in the Windows build for size (which also compiles this file, see
// tests/CMakeLists.txt). Both must behave alike.
#include "KavoXM/player/PlatformThreads.h"
#include "KavoXM/player/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>

namespace {

using namespace std::chrono_literals;

// Signals given before anyone waits, and what two waits in a row then see: an auto-reset
// event keeps one signal pending however many came, and each wait takes it.
struct PendingCase {
    const char* Name;
    int32_t Signals;
    bool FirstWait;
    bool SecondWait;
};

class EventPending : public testing::TestWithParam<PendingCase> {};

TEST_P(EventPending, KeepsOneSignalForTheNextWait) {
    const PendingCase& c = GetParam();
    TKavoXMEvent event;
    for (int32_t i = 0; i < c.Signals; ++i) event.Signal();
    EXPECT_EQ(event.WaitFor(20ms), c.FirstWait);
    EXPECT_EQ(event.WaitFor(20ms), c.SecondWait);
}

INSTANTIATE_TEST_SUITE_P(Signals, EventPending,
                         testing::Values(PendingCase{"None", 0, false, false},
                                         PendingCase{"One", 1, true, false},
                                         PendingCase{"TwoCountAsOne", 2, true, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(PlatformThreads, AThreadRunsItsBodyAndJoinWaitsForIt) {
    TKavoXMEvent started;
    std::atomic<int32_t> runs{0};
    TKavoXMThread thread([&] {
        started.Signal();
        KavoXMSleepMs(30);
        ++runs;
    });
    EXPECT_TRUE(thread.joinable());
    EXPECT_TRUE(started.WaitFor(5000ms)); // a signal from another thread wakes the wait
    thread.join();
    EXPECT_FALSE(thread.joinable());
    EXPECT_EQ(runs.load(), 1);
}

TEST(PlatformThreads, TheLockLetsOneThreadAtATimeIn) {
    constexpr int32_t Rounds = 20000;
    TKavoXMMutex mutex;
    int32_t counter = 0; // plain: only the lock keeps the increments apart
    auto add = [&] {
        for (int32_t i = 0; i < Rounds; ++i) {
            std::lock_guard lock(mutex);
            const int32_t seen = counter;
            if (i % 100 == 0) KavoXMSleepMs(0); // the other thread may run meanwhile
            counter = seen + 1;
        }
    };
    TKavoXMThread other(add);
    add();
    other.join();
    EXPECT_EQ(counter, 2 * Rounds);
}

TEST(PlatformThreads, TryLockFailsWhileAnotherThreadHoldsTheLock) {
    TKavoXMMutex mutex;
    TKavoXMEvent held, release;
    TKavoXMThread holder([&] {
        std::lock_guard lock(mutex);
        held.Signal();
        release.Wait();
    });
    ASSERT_TRUE(held.WaitFor(5000ms));
    EXPECT_FALSE(mutex.try_lock());
    release.Signal();
    holder.join();
    ASSERT_TRUE(mutex.try_lock());
    mutex.unlock();
}

TEST(PlatformThreads, SleepWaitsAtLeastItsTime) {
    const auto start = std::chrono::steady_clock::now();
    KavoXMSleepMs(50);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 45ms); // timer granularity
}

} // namespace
