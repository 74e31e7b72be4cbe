#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>

// Auto-reset event: Signal wakes one Wait (or stays pending until one comes).
class TKavoXMEvent {
  public:
    void Wait();
    // Waits at most `timeout`; true when the event was signalled (and is reset again).
    bool WaitFor(std::chrono::milliseconds timeout);
    void Signal();

  private:
    std::mutex Mutex;
    std::condition_variable Condition;
    bool Signalled = false;
};
