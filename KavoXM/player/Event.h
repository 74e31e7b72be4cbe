#pragma once
#include "KavoXM/player/PlatformThreads.h"

#include <chrono>
#if !defined(KAVOXM_WIN32_THREADS)
#include <condition_variable>
#include <mutex>
#endif

// Auto-reset event: Signal wakes one Wait (or stays pending until one comes).
class TKavoXMEvent {
  public:
#if defined(KAVOXM_WIN32_THREADS)
    TKavoXMEvent();
    ~TKavoXMEvent();
    TKavoXMEvent(const TKavoXMEvent&) = delete;
    TKavoXMEvent& operator=(const TKavoXMEvent&) = delete;
#endif
    void Wait();
    // Waits at most `timeout`; true when the event was signalled (and is reset again).
    bool WaitFor(std::chrono::milliseconds timeout);
    void Signal();

  private:
#if defined(KAVOXM_WIN32_THREADS)
    HANDLE Handle; // a system auto-reset event
#else
    std::mutex Mutex;
    std::condition_variable Condition;
    bool Signalled = false;
#endif
};
