// Every command checks its output: text that could not be written is a failure with its
// reason, said once, and never a success. A reader closing a pipe early ends the tool as it
// ends cat.
#include "ToolRun.h"
#include "ToolSongs.h"

namespace {
using namespace tooltest;

struct LostOutput {
    std::string name;
    std::string arguments;
    std::string message;
    std::string environment = ""; // shell words before the command
};

// ALSA's null device, which takes audio as fast as it comes.
const std::string NullSoundCard = "HOME='" KAVOXM_BINARY_DIR "/tests/alsa-homes/null'";

// Runs the tool with `arguments` and standard output redirected by `output` (shell words);
// returns the exit code, `err` the text on standard error.
int RunWithOutput(const fs::path& dir, const std::string& arguments, const std::string& output,
                  std::string& err, const std::string& environment = "") {
    const std::string command = "cd '" + dir.string() + "' && " + environment + " '" +
                                ToolPath().string() + "' " + arguments + " " + output +
                                " 2>.stderr";
    const int code = ExitCodeOf(std::system(command.c_str()));
    err = ReadText(dir / ".stderr");
    return code;
}

class OutputToAFullDevice : public ToolTest, public ::testing::WithParamInterface<LostOutput> {};

TEST_P(OutputToAFullDevice, FailsOnceWithTheReason) {
    Write("song.xm", SmallSong());
    std::string err;
    EXPECT_EQ(RunWithOutput(dir, GetParam().arguments, ">/dev/full", err, GetParam().environment),
              1)
        << err;
    const std::string expected = GetParam().message + ": No space left on device\n";
    EXPECT_EQ(err, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, OutputToAFullDevice,
    ::testing::Values(
        LostOutput{"Info", "info song.xm", "kavoxm info: cannot write standard output"},
        LostOutput{"InfoJson", "info song.xm --json", "kavoxm info: cannot write standard output"},
        LostOutput{"Trace", "trace song.xm", "kavoxm trace: cannot write standard output"},
        LostOutput{"RawRender", "render song.xm -o -",
                   "kavoxm render: cannot write standard output"},
        LostOutput{"WavToTheDevice", "render song.xm -o /dev/full",
                   "kavoxm render: cannot write /dev/full"},
        LostOutput{"Play", "play song.xm --seconds 0.2",
                   "kavoxm play: cannot write standard output", NullSoundCard},
        LostOutput{"Version", "--version", "kavoxm: cannot write standard output"},
        LostOutput{"CommandHelp", "info --help", "kavoxm info: cannot write standard output"}),
    [](const ::testing::TestParamInfo<LostOutput>& info) { return info.param.name; });

TEST_F(ToolTest, ClosedStandardOutputIsAFailure) {
    Write("song.xm", SmallSong());
    for (const std::string command : {"info", "trace"}) {
        std::string err;
        EXPECT_EQ(RunWithOutput(dir, command + " song.xm", ">&-", err), 1) << command;
        EXPECT_EQ(err,
                  "kavoxm " + command + ": cannot write standard output: Bad file descriptor\n");
    }
}

// 256 orders of a 256-row pattern at speed 1: megabytes of trace, far more than a pipe holds.
std::vector<uint8_t> LongSong() {
    xmbuilder::XMSong song;
    song.Channels = 1;
    song.Speed = 1;
    song.SongLength = 256;
    xmbuilder::XMPattern pattern;
    pattern.Rows = 256;
    song.Patterns = {pattern};
    return xmbuilder::BuildXM(song);
}

// The reader takes one byte and goes. With SIGPIPE as the parent usually leaves it, the tool
// ends at once and quietly (killed by SIGPIPE, 141 to the shell, as cat); with SIGPIPE ignored,
// the failed write is reported like any other.
TEST_F(ToolTest, AReaderLeavingEarlyEndsTheToolAsItEndsCat) {
    Write("long.xm", LongSong());
    const std::string keep = "2>.err; echo $? >.status; } | head -c 1 >/dev/null; exit 0";
    Run("trace long.xm " + keep, "{");
    EXPECT_EQ(ReadText(dir / ".status"), "141\n");
    EXPECT_EQ(ReadText(dir / ".err"), "");
    Run("trace long.xm " + keep, "trap '' PIPE; {");
    EXPECT_EQ(ReadText(dir / ".status"), "1\n");
    EXPECT_EQ(ReadText(dir / ".err"), "kavoxm trace: cannot write standard output: Broken pipe\n");
}

} // namespace
