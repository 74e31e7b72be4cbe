// `kavoxm play` on a pseudo-terminal, sounding through ALSA's null device: the screen it
// draws, the keys it takes, and the terminal modes it leaves behind.
#include "Terminal.h"
#include "ToolRun.h"
#include "ToolSongs.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>

namespace {
using namespace tooltest;
using Clock = std::chrono::steady_clock;

// The tool running on the slave side of a pseudo-terminal of `columns` columns.
class PlayOnTerminal : public ToolTest {
  protected:
    int master = -1;
    pid_t child = -1;
    std::string screen; // everything written so far

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
        const auto end = Clock::now() + std::chrono::seconds(10);
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
        const auto end = Clock::now() + std::chrono::seconds(10);
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

TEST_F(PlayOnTerminal, KeysDriveThePlayerAndTheTerminalIsRestored) {
    Write("song.xm", SmallSong());
    const tcflag_t cooked = ICANON | ECHO; // a new pseudo-terminal's modes
    Start({"song.xm", "--loops", "1000", "--no-view"}, 100);
    ASSERT_TRUE(WaitFor("Keys: q quit")) << screen;
    ASSERT_TRUE(WaitFor(" order ")) << screen;
    EXPECT_EQ(LocalModes(), tcflag_t(0)) << "raw while playing";
    EXPECT_NE(screen.find("  Channels: 1   Orders: 2   Length: 0:01"), std::string::npos) << screen;

    size_t mark = screen.size();
    Type("+l");
    ASSERT_TRUE(WaitFor("vol 144  [", mark)) << Tail();
    EXPECT_NE(screen.find("  speed 3 tempo 125  ", mark), std::string::npos) << Tail();
    mark = screen.size();
    Type(" ");
    ASSERT_TRUE(WaitFor("[ paused ]", mark)) << Tail();
    EXPECT_NE(screen.find(" loop ", mark), std::string::npos) << Tail();
    const std::string status = LastStatus();
    EXPECT_LE(status.size(), 99u) << status; // never wraps
    EXPECT_EQ(status.rfind(" order ", 0), 0u) << status;

    Type("q");
    EXPECT_EQ(ExitCode(), 0);
    EXPECT_EQ(LocalModes(), cooked) << "modes restored";
}

TEST_F(PlayOnTerminal, CtrlCExits130WithTheTerminalRestored) {
    Write("song.xm", SmallSong());
    const tcflag_t cooked = ICANON | ECHO; // a new pseudo-terminal's modes
    Start({"song.xm", "--loops", "1000"}, 40);
    ASSERT_TRUE(WaitFor(" order ")) << screen;
    ASSERT_TRUE(WaitFor("\x1b[K", screen.find(" order "))) << screen;
    const std::string status = LastStatus();
    EXPECT_EQ(status.size(), 39u) << status; // cut to a narrow terminal's width
    Type("\x03");
    EXPECT_EQ(ExitCode(), 130);
    EXPECT_EQ(LocalModes(), cooked);
}

// The volume set by keys stays for the next file.
TEST_F(PlayOnTerminal, NextFileKeepsTheVolumeAndTheListEnds) {
    Write("a.xm", SmallSong());
    Write("b.xm", SmallSong(0));
    Start({"a.xm", "b.xm", "--loops", "1000", "--master-volume", "64", "--no-view"}, 110);
    ASSERT_TRUE(WaitFor("[1/2] a.xm")) << screen;
    ASSERT_TRUE(WaitFor(" order ")) << screen;
    Type("-");
    ASSERT_TRUE(WaitFor("vol 48  [")) << Tail();
    const size_t mark = screen.size();
    Type("n");
    ASSERT_TRUE(WaitFor("[2/2] b.xm", mark)) << screen.substr(mark);
    ASSERT_TRUE(WaitFor(" order ", mark)) << screen.substr(mark);
    ASSERT_TRUE(WaitFor("\x1b[K", screen.find(" order ", mark))) << screen.substr(mark);
    EXPECT_NE(LastStatus().find(" vol 48 "), std::string::npos) << LastStatus();
    Type("n"); // past the last file: done
    EXPECT_EQ(ExitCode(), 0);
}

TEST_F(PlayOnTerminal, RenderRefusesRawPcmToATerminal) {
    Write("song.xm", SmallSong());
    Start({"song.xm", "-o", "-"}, 80, 24, "render");
    EXPECT_EQ(ExitCode(), 2);
    ReadToEnd();
    EXPECT_NE(screen.find("kavoxm render: raw PCM to a terminal; redirect it or use -o FILE"),
              std::string::npos)
        << screen;
}

// The progress on a terminal ends at the song's last order, not at the start of a new pass.
TEST_F(PlayOnTerminal, RenderProgressEndsWithTheLastOrder) {
    Write("song.xm", SmallSong());
    Start({"song.xm", "-o", "out.wav", "--loops", "2"}, 80, 24, "render");
    ReadToEnd();
    EXPECT_EQ(ExitCode(), 0);
    const size_t last = screen.rfind("order ");
    ASSERT_NE(last, std::string::npos) << screen;
    EXPECT_EQ(screen.substr(last, 11), "order   1/2") << screen;
    EXPECT_NE(screen.find("pass 2/2", screen.rfind('\r', last)), std::string::npos) << screen;
}

// Output that is not a terminal: no status line, one line per order with the song time
// counting on across passes, nothing after the last pass, and the song's end ends the command.
TEST_F(ToolTest, PlayIntoAPipeWritesOneLinePerOrder) {
    Write("song.xm", SmallSong());
    const std::string home = std::string(KAVOXM_BINARY_DIR) + "/tests/alsa-homes/null";
    const RunResult r = Run("play song.xm --loops 3 < /dev/null", "HOME='" + home + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find('\r'), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("\x1b"), std::string::npos) << r.out;
    std::vector<std::string> lines;
    for (size_t at = r.out.find("\norder "); at != std::string::npos;
         at = r.out.find("\norder ", at + 1))
        lines.push_back(r.out.substr(at + 1, r.out.find('\n', at + 1) - at - 1));
    ASSERT_EQ(lines.size(), 6u) << r.out;
    // A pass is 32 rows of 3 ticks at tempo 125: 1.92 s; each order starts 0.96 s after the last.
    const std::vector<std::string> expected = {
        "order 0/2  pattern 0  0:00", "order 1/2  pattern 1  0:00", "order 0/2  pattern 0  0:01",
        "order 1/2  pattern 1  0:02", "order 0/2  pattern 0  0:03", "order 1/2  pattern 1  0:04"};
    EXPECT_EQ(lines, expected) << r.out;
}

} // namespace
