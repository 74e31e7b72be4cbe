#include "KavoXM/player/Event.h"

void TKavoXMEvent::Wait() {
    std::unique_lock<std::mutex> lock(Mutex);
    Condition.wait(lock, [this] { return Signalled; });
    Signalled = false;
}

bool TKavoXMEvent::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(Mutex);
    if (!Condition.wait_for(lock, timeout, [this] { return Signalled; })) return false;
    Signalled = false;
    return true;
}

void TKavoXMEvent::Signal() {
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Signalled = true;
    }
    Condition.notify_one();
}
