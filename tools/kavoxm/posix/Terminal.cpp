#include "Terminal.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// What the handler of SIGTSTP needs: plain data, set before they are installed.
struct termios Saved {};
struct termios Raw {};
std::atomic<bool> RawActive{false};
std::atomic<bool> Continued{false};
std::atomic<bool> Resized{false};

extern "C" void OnResize(int) {
    Resized = true;
}

// Ctrl-Z: gives the shell its terminal back as it was, stops for real, and once continued
// (`fg`) takes raw mode again.
extern "C" void OnStop(int) {
    const int savedErrno = errno;
    if (RawActive) tcsetattr(STDIN_FILENO, TCSANOW, &Saved);
    std::signal(SIGTSTP, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    raise(SIGTSTP); // returns once continued
    std::signal(SIGTSTP, OnStop);
    if (RawActive) tcsetattr(STDIN_FILENO, TCSANOW, &Raw);
    Continued = true;
    errno = savedErrno;
}

} // namespace

size_t TerminalColumns() {
    struct winsize size {};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

size_t TerminalRows() {
    struct winsize size {};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0) return size.ws_row;
    return 24;
}

bool TerminalDrawsScreens() {
    return true;
}

std::string LineEraser(size_t /*length*/, size_t /*width*/) {
    return "\x1b[K";
}

bool StdoutIsScreen() {
    return isatty(STDOUT_FILENO) != 0;
}

RawTerminal::RawTerminal() {
    if (isatty(STDIN_FILENO) == 0 || tcgetattr(STDIN_FILENO, &Saved) != 0) return;
    Raw = Saved;
    Raw.c_lflag &= tcflag_t(~(ICANON | ECHO));
    Raw.c_cc[VMIN] = 0;
    Raw.c_cc[VTIME] = 0;
    RawActive = true;
    std::signal(SIGTSTP, OnStop);
    std::signal(SIGWINCH, OnResize);
    active = tcsetattr(STDIN_FILENO, TCSANOW, &Raw) == 0;
    if (!active) RawActive = false;
}

RawTerminal::~RawTerminal() {
    if (!active) return;
    std::signal(SIGTSTP, SIG_DFL);
    std::signal(SIGWINCH, SIG_DFL);
    RawActive = false;
    tcflush(STDIN_FILENO, TCIFLUSH);
    tcsetattr(STDIN_FILENO, TCSANOW, &Saved);
}

bool RawTerminal::TakeContinued() {
    return Continued.exchange(false);
}

bool RawTerminal::TakeResized() {
    return Resized.exchange(false);
}

Key RawTerminal::ReadKey() {
    if (!active) return Key::None;
    if (pendingCount < sizeof pending) {
        const ssize_t n =
            ::read(STDIN_FILENO, pending + pendingCount, sizeof pending - pendingCount);
        if (n > 0) pendingCount += size_t(n);
    }
    if (pendingCount == 0) return Key::None;
    size_t used = 0;
    const Key key = DecodeKey(pending, pendingCount, used);
    std::memmove(pending, pending + used, pendingCount - used);
    pendingCount -= used;
    return key;
}
