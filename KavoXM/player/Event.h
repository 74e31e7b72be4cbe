#pragma once
#include <condition_variable>
#include <mutex>

// Auto-reset event: Signal wakes one Wait (or stays pending until one comes).
class TKavoXMEvent {
public:
    void Wait();
    void Signal();

private:
    std::mutex Mutex;
    std::condition_variable Condition;
    bool Signalled = false;
};
