#include "Signals.h"

#include "KavoXM/song/SongScan.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<int> Received{0};

extern "C" void OnStopSignal(int signal) {
    int none = 0;
    Received.compare_exchange_strong(none, signal);
}

} // namespace

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a read waiting on a pipe returns EINTR
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal the parent set to be ignored (a job started in the background by a shell
        // without job control gets SIGINT and SIGQUIT so) stays ignored, as in the shells.
        struct sigaction inherited {};
        if (sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
    // A full disk or a file size limit shows up as a failed write, not a dead process.
    std::signal(SIGXFSZ, SIG_IGN);
    SetScanStopFlag(&Received);
}

int StopSignal() {
    return Received.load();
}

int StopExitCode() {
    return 128 + Received.load();
}
