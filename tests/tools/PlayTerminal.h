#pragma once
// `kavoxm` on a pseudo-terminal, sounding through ALSA's null device: a fixture that starts the
// tool on the slave side, types keys, reads what it draws and changes the terminal's size.
#include "ToolRun.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>

namespace tooltest {

using Clock = std::chrono::steady_clock;
// How long a test waits for the player's screen to show something. Generous: the suite runs
// in parallel on small machines, where a loaded player falls seconds behind.
constexpr auto WaitLimit = std::chrono::seconds(30);

// The tool running on the slave side of a pseudo-terminal of `columns` columns.
class PlayOnTerminal : public ToolTest {
  protected:
    int master = -1;
    pid_t child = -1;
    std::string screen; // everything written so far
    // Environment of the tool besides HOME: a colour terminal unless a test says otherwise.
    std::vector<std::pair<std::string, std::string>> environment = {{"TERM", "xterm"}};

    void Start(const std::vector<std::string>& arguments, unsigned short columns,
               unsigned short rows = 24, const std::string& command = "play") {
        struct winsize size {};
        size.ws_col = columns;
        size.ws_row = rows;
        const std::string home = std::string(KAVOXM_BINARY_DIR) + "/tests/alsa-homes/null";
        child = ::forkpty(&master, nullptr, nullptr, &size);
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::setenv("HOME", home.c_str(), 1);
            ::unsetenv("NO_COLOR");
            for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
            ::chdir(dir.c_str());
            std::vector<std::string> all = {ToolPath().string(), command};
            all.insert(all.end(), arguments.begin(), arguments.end());
            std::vector<char*> argv;
            for (auto& a : all) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    // Gives the terminal a new size; the kernel tells the tool with SIGWINCH.
    void Resize(unsigned short columns, unsigned short rows) {
        struct winsize size {};
        size.ws_col = columns;
        size.ws_row = rows;
        ASSERT_EQ(::ioctl(master, TIOCSWINSZ, &size), 0);
    }
    // A line without its escape sequences: what the terminal shows of it.
    static std::string Visible(const std::string& text) {
        std::string seen;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r') {
                continue; // the terminal's own line ends ("\n" becomes "\r\n")
            } else if (text[i] != '\x1b') {
                seen += text[i];
            } else if (i + 1 < text.size() && text[i + 1] == '[') {
                // ESC [, parameters, and a final character from @ to ~
                for (i += 2; i < text.size() && !(text[i] >= '@' && text[i] <= '~');) ++i;
            } else {
                ++i; // ESC and one character
            }
        }
        return seen;
    }
    // The lines of the last whole frame of the view drawn after `from` (a frame is drawn from
    // the top-left corner and ends by clearing the rest of the screen); empty when none.
    std::vector<std::string> Frame(size_t from = 0) {
        const size_t end = screen.rfind("\x1b[J");
        if (end == std::string::npos || end < from) return {};
        const size_t begin = screen.rfind("\x1b[H", end);
        if (begin == std::string::npos || begin < from) return {};
        std::vector<std::string> lines;
        const std::string body = screen.substr(begin + 3, end - begin - 3);
        for (size_t at = 0;;) {
            const size_t next = body.find("\r\n", at);
            lines.push_back(Visible(body.substr(at, next - at)));
            if (next == std::string::npos) break;
            at = next + 2;
        }
        return lines;
    }
    // Reads on until a whole frame after `from` satisfies `wanted`, or 10 seconds pass.
    template <typename Wanted> std::vector<std::string> FrameWhere(Wanted wanted, size_t from = 0) {
        const auto end = Clock::now() + WaitLimit;
        for (;;) {
            std::vector<std::string> lines = Frame(from);
            if (!lines.empty() && wanted(lines)) return lines;
            if (Clock::now() > end) return {};
            ReadSome();
        }
    }
    void ReadSome() {
        struct pollfd p {
            master, POLLIN, 0
        };
        if (::poll(&p, 1, 20) > 0) {
            char bytes[8192];
            const ssize_t n = ::read(master, bytes, sizeof bytes);
            if (n > 0) screen.append(bytes, size_t(n));
        }
    }
    void TearDown() override {
        if (child > 0 && ::waitpid(child, nullptr, WNOHANG) == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
        if (master >= 0) ::close(master);
        ToolTest::TearDown();
    }

    // Reads until `text` has appeared after `from`, or 10 seconds pass.
    bool WaitFor(const std::string& text, size_t from = 0) {
        const auto end = Clock::now() + WaitLimit;
        while (screen.find(text, from) == std::string::npos) {
            if (Clock::now() > end) return false;
            struct pollfd p {
                master, POLLIN, 0
            };
            if (::poll(&p, 1, 50) > 0) {
                char bytes[4096];
                const ssize_t n = ::read(master, bytes, sizeof bytes);
                if (n <= 0) return screen.find(text, from) != std::string::npos;
                screen.append(bytes, size_t(n));
            }
        }
        return true;
    }
    // Reads everything until the tool closes the terminal (or 10 seconds pass).
    void ReadToEnd() {
        const auto end = Clock::now() + WaitLimit;
        char bytes[4096];
        for (ssize_t n = 1; n > 0 && Clock::now() < end;) {
            struct pollfd p {
                master, POLLIN, 0
            };
            if (::poll(&p, 1, 50) <= 0) continue;
            n = ::read(master, bytes, sizeof bytes);
            if (n > 0) screen.append(bytes, size_t(n));
        }
    }
    void Type(const std::string& keys) {
        ASSERT_EQ(::write(master, keys.data(), keys.size()), ssize_t(keys.size()));
    }

    // The slave's local modes: ICANON and ECHO are set in a cooked terminal.
    tcflag_t LocalModes() {
        struct termios modes {};
        ::tcgetattr(master, &modes);
        return modes.c_lflag & (ICANON | ECHO);
    }
    int ExitCode() {
        int status = 0;
        ::waitpid(child, &status, 0);
        child = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }
    std::string Tail() { return screen.substr(screen.size() > 400 ? screen.size() - 400 : 0); }
    // The last status line drawn: after the last carriage return, without the erase sequence.
    std::string LastStatus() {
        const size_t cr = screen.rfind('\r', screen.rfind("\x1b[K"));
        std::string line = screen.substr(cr + 1);
        return line.substr(0, line.find("\x1b[K"));
    }
};

} // namespace tooltest
