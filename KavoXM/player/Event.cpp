#include "KavoXM/player/Event.h"

#if defined(KAVOXM_WIN32_THREADS)
TKavoXMEvent::TKavoXMEvent() : Handle(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    if (Handle == nullptr) std::abort();
}

TKavoXMEvent::~TKavoXMEvent() {
    CloseHandle(Handle);
}

void TKavoXMEvent::Wait() {
    WaitForSingleObject(Handle, INFINITE);
}

bool TKavoXMEvent::WaitFor(std::chrono::milliseconds timeout) {
    return WaitForSingleObject(Handle, DWORD(timeout.count())) == WAIT_OBJECT_0;
}

void TKavoXMEvent::Signal() {
    SetEvent(Handle);
}
#else
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
#endif
