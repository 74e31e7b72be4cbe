// Stop signals end every command tidily, even while it waits for its input: exit code
// 128 + signal, nothing left behind.
#include "ToolRun.h"

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

namespace {
using namespace tooltest;

// Runs the tool on a pipe nobody writes to, so that it waits while reading its input, then
// sends `signal`. The tool must exit (not die) with 128 + signal.
int ExitCodeAfterSignal(const fs::path& dir, std::vector<std::string> arguments, int signal) {
    const std::string fifo = (dir / "fifo.xm").string();
    ::mkfifo(fifo.c_str(), 0600);
    arguments.insert(arguments.begin(), ToolPath().string());
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> argv;
        for (auto& a : arguments) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::chdir(dir.c_str());
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(child, signal);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
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

} // namespace
