// Stop signals end every command tidily, even while it waits for its input: exit code
// 128 + signal, nothing left behind.
#include "ToolRun.h"

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

namespace {
using namespace tooltest;

// Starts the tool on a pipe nobody writes to, so that it waits while reading its input, with
// `ignored` (0: none) set to be ignored as a parent may leave it.
pid_t StartWaiting(const fs::path& dir, std::vector<std::string> arguments, int ignored = 0) {
    const std::string fifo = (dir / "fifo.xm").string();
    ::mkfifo(fifo.c_str(), 0600);
    arguments.insert(arguments.begin(), ToolPath().string());
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        if (ignored != 0) ::signal(ignored, SIG_IGN);
        std::vector<char*> argv;
        for (auto& a : arguments) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::chdir(dir.c_str());
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return child;
}

// Exit code of a child (1000 + signal for a death by signal).
int Reap(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

// The tool waiting on its input gets `signal`; it must exit (not die) with 128 + signal.
int ExitCodeAfterSignal(const fs::path& dir, const std::vector<std::string>& arguments,
                        int signal) {
    const pid_t child = StartWaiting(dir, arguments);
    ::kill(child, signal);
    return Reap(child);
}

TEST_F(ToolTest, StopSignalsWhileLoadingExitTidily) {
    const std::vector<std::vector<std::string>> commands = {
        {"info", "fifo.xm"}, {"render", "fifo.xm", "-o", "out.wav"}, {"play", "fifo.xm"}};
    for (const auto& command : commands) {
        EXPECT_EQ(ExitCodeAfterSignal(dir, command, SIGINT), 130) << command[0];
        EXPECT_EQ(ExitCodeAfterSignal(dir, command, SIGTERM), 143) << command[0];
    }
    EXPECT_EQ(Files(), std::vector<std::string>{"fifo.xm"});
}

// A signal ignored by the parent stays ignored; the others still stop the tool.
TEST_F(ToolTest, InheritedIgnoredStopSignalsStayIgnored) {
    for (const int ignored : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t child = StartWaiting(dir, {"info", "fifo.xm"}, ignored);
        ::kill(child, ignored);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        int status = 0;
        EXPECT_EQ(::waitpid(child, &status, WNOHANG), 0) << "ended by ignored signal " << ignored;
        const int stop = ignored == SIGTERM ? SIGINT : SIGTERM;
        ::kill(child, stop);
        EXPECT_EQ(Reap(child), 128 + stop) << ignored;
    }
}

} // namespace
