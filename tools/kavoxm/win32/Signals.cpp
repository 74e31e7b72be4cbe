// Stop requests on Windows are console events, delivered on a thread of their own: Ctrl-C and
// Ctrl-Break ask to stop as SIGINT does (130), closing the console window, logging off and
// shutting down as SIGTERM does (143).
#include "Signals.h"

#include "KavoXM/song/SongScan.h"
#include "StopWhileWaiting.h"

#include <atomic>
#include <csignal>
#include <windows.h>

namespace {

std::atomic<int> Received{0};
std::atomic<int> Waiting{0}; // StopWhileWaiting objects alive

// Longest wait for the main thread to tidy up and exit after the console was closed; the
// system ends the process a few seconds after such an event in any case.
constexpr DWORD CloseGraceMs = 10000;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    int none = 0;
    Received.compare_exchange_strong(none, interrupt ? SIGINT : SIGTERM);
    if (Waiting.load() > 0) ExitProcess(UINT(StopExitCode()));
    // For a closed console the process ends as soon as this returns: wait here until the main
    // thread has restored the console and exits with 143 by itself.
    if (!interrupt) Sleep(CloseGraceMs);
    return TRUE;
}

} // namespace

StopWhileWaiting::StopWhileWaiting() {
    ++Waiting;
    if (StopSignal() != 0) ExitProcess(UINT(StopExitCode()));
}

StopWhileWaiting::~StopWhileWaiting() {
    --Waiting;
}

void InstallStopHandlers() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    SetScanStopFlag(&Received);
}

int StopSignal() {
    return Received.load();
}

int StopExitCode() {
    return 128 + Received.load();
}
