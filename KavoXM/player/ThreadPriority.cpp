#include "KavoXM/player/ThreadPriority.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#if defined(KAVOXM_WIN32_THREADS)
// The system's own thread (PlatformThreads.h): its native handle is the Win32 handle.
static HANDLE Win32HandleOf(TKavoXMThread& thread) {
    return thread.native_handle();
}
#elif defined(__MINGW32__)
#include <pthread.h>

// MinGW's std::thread (posix thread model) is a winpthreads thread: its native handle is a
// pthread_t, and the Win32 thread handle behind it comes from pthread_gethandle.
static HANDLE Win32HandleOf(TKavoXMThread& thread) {
    return pthread_gethandle(thread.native_handle());
}
#else
static HANDLE Win32HandleOf(TKavoXMThread& thread) {
    return thread.native_handle();
}
#endif

void RaiseToTimeCriticalPriority(TKavoXMThread& thread) {
    SetThreadPriority(Win32HandleOf(thread), THREAD_PRIORITY_TIME_CRITICAL);
}

#else
#include <pthread.h>
#include <sched.h>

// Real-time FIFO scheduling at a middle priority: above every ordinary thread, below the
// system's own real-time work. Refused without the privilege, which is the common case.
void RaiseToTimeCriticalPriority(TKavoXMThread& thread) {
    const int low = sched_get_priority_min(SCHED_FIFO);
    const int high = sched_get_priority_max(SCHED_FIFO);
    if (low < 0 || high < low) return;
    sched_param param{};
    param.sched_priority = low + (high - low) / 2;
    pthread_setschedparam(thread.native_handle(), SCHED_FIFO, &param);
}
#endif
