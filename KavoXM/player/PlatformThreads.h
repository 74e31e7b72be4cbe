#pragma once
// The thread, lock and sleep of the player's output thread. The standard library's, except in
// the Windows build for size (KAVOXM_WIN32_THREADS, cmake/SmallEngine.cmake): MinGW's standard
// threads run on a POSIX thread emulation of some 34 KiB, while the system's own threads,
// critical sections and sleep cost nothing to link. Both sets behave alike for the player:
// a thread runs a callable and is joined, a mutex is locked and unlocked (std::lock_guard
// works with either), a sleep waits a number of milliseconds.
#include <cstdint>

#if defined(KAVOXM_WIN32_THREADS)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <process.h>
#include <windows.h>

#include <cstdlib>
#include <utility>

class TKavoXMMutex {
  public:
    TKavoXMMutex() { InitializeCriticalSection(&Section); }
    ~TKavoXMMutex() { DeleteCriticalSection(&Section); }
    TKavoXMMutex(const TKavoXMMutex&) = delete;
    TKavoXMMutex& operator=(const TKavoXMMutex&) = delete;
    void lock() { EnterCriticalSection(&Section); }
    bool try_lock() { return TryEnterCriticalSection(&Section) != 0; }
    void unlock() { LeaveCriticalSection(&Section); }

  private:
    CRITICAL_SECTION Section;
};

// A joinable thread running a callable, as std::thread; one the system refuses ends the
// program, as std::thread's uncaught error would.
class TKavoXMThread {
  public:
    TKavoXMThread() = default;
    template <class Body> explicit TKavoXMThread(Body body) {
        auto* state = new Body(std::move(body));
        Handle =
            reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &Run<Body>, state, 0, nullptr));
        if (Handle == nullptr) std::abort();
    }
    TKavoXMThread(TKavoXMThread&& other) noexcept : Handle(std::exchange(other.Handle, nullptr)) {}
    TKavoXMThread& operator=(TKavoXMThread&& other) noexcept {
        if (joinable()) std::abort();
        Handle = std::exchange(other.Handle, nullptr);
        return *this;
    }
    ~TKavoXMThread() {
        if (joinable()) std::abort();
    }
    bool joinable() const { return Handle != nullptr; }
    void join() {
        WaitForSingleObject(Handle, INFINITE);
        CloseHandle(Handle);
        Handle = nullptr;
    }
    HANDLE native_handle() { return Handle; }

  private:
    template <class Body> static unsigned __stdcall Run(void* state) {
        Body* body = static_cast<Body*>(state);
        (*body)();
        delete body;
        return 0;
    }
    HANDLE Handle = nullptr;
};

inline void KavoXMSleepMs(int32_t ms) {
    Sleep(DWORD(ms));
}

#else
#include <chrono>
#include <mutex>
#include <thread>

using TKavoXMMutex = std::mutex;
using TKavoXMThread = std::thread;

inline void KavoXMSleepMs(int32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
#endif
