// The kavoxm command line: version, unknown commands, help, messages that name their command,
// and what play says on a machine without sound.
#include "HelpFormat.h"
#include "ToolRun.h"
#include "ToolSongs.h"

#include "KavoXM/capi/kavoxm.h"

#include <algorithm>
#include <sstream>

namespace {
using namespace tooltest;

struct LineCase {
    std::string name;
    std::string arguments;
    int exitCode;
    std::string stream; // "out" or "err"
    std::vector<std::string> contains;
};

class CommandLine : public ToolTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(CommandLine, AnswersAsDocumented) {
    Write("song.xm", SmallSong());
    const LineCase& c = GetParam();
    const RunResult r = Run(c.arguments);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
    const std::string text = c.stream == "out" ? Text(r.out) : r.err;
    for (const std::string& part : c.contains)
        EXPECT_NE(text.find(part), std::string::npos) << "'" << part << "' in:\n" << text;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLine,
    ::testing::Values(
        LineCase{"Version",
                 "--version",
                 0,
                 "out",
                 {"kavoxm " + std::string(kavoxm_version_string()) + "\n"}},
        LineCase{"UnknownCommand",
                 "plya song.xm",
                 2,
                 "err",
                 {"kavoxm: unknown command 'plya' (did you mean 'play'?)\nCommands:\n",
                  "  info    ", "  render  "}},
        LineCase{"MistypedProgramOption",
                 "--versio",
                 2,
                 "err",
                 {"kavoxm: unknown option '--versio'; did you mean '--version'?\n"}},
        LineCase{"FarFromAnyCommand", "compose x", 2, "err", {"unknown command 'compose'\n"}},
        LineCase{"HelpNamesTheProgramOnly",
                 "--help",
                 0,
                 "out",
                 {"Usage: kavoxm [OPTIONS]", "Examples:\n  kavoxm info song.xm",
                  "Exit codes: 0 done", "141 a reader"}},
        LineCase{"CommandHelp", "render --help", 0, "out", {"Usage: kavoxm render [OPTIONS]"}},
        LineCase{"BadValueNamesTheCommand",
                 "render song.xm -o out.wav --bits 12",
                 2,
                 "err",
                 {"kavoxm render: --bits: 12 not in {8,16,24,32f}", "Run 'kavoxm render --help'"}},
        LineCase{"TraceHelpHasItsOwnExamples",
                 "trace --help",
                 0,
                 "out",
                 {"Usage: kavoxm trace [OPTIONS] FILE", "  kavoxm trace song.xm --cells"}},
        LineCase{"TraceCells",
                 "trace song.xm --cells --seconds 0.1",
                 0,
                 "out",
                 {"    0    0    0     3   125   64 |C-4 01 .. ...\n",
                  "    0    0    1     3   125   64 |... .. .. ...\n"}},
        LineCase{"PlayRateInRange",
                 "play song.xm --rate 4000",
                 2,
                 "err",
                 {"kavoxm play: --rate: Value 4000 not in range"}},
        LineCase{"MissingFileNamesTheCommand", "info", 2, "err", {"kavoxm info: FILE is required"}},
        LineCase{"SubsongAndStartExcludeEachOther",
                 "render song.xm -o - --start 1 --subsong 2",
                 2,
                 "err",
                 {"kavoxm render: --start excludes --subsong"}},
        LineCase{"GainMustBeFinite",
                 "render song.xm -o - --gain nan",
                 2,
                 "err",
                 {"kavoxm render: --gain: must be a number from -60 to 24, not 'nan'"}}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return info.param.name; });

TEST_F(ToolTest, PlayWithoutASoundDeviceSaysSoInOneLine) {
    if (!HasPosixShell) GTEST_SKIP() << "ALSA's configuration by HOME " << SkipWithoutPosixShell;
    Write("song.xm", SmallSong());
    fs::create_directories(dir / "home");
    std::ofstream(dir / "home" / ".asoundrc") << "pcm.!default { type hw card 99 }\n";
    const RunResult r = Run("play song.xm", "HOME=home");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("kavoxm play: no audio output device could be opened", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.out, "");
}

// Every row traced from --start 1 is of order 1, the first at song time 0.
TEST_F(ToolTest, TraceBeginsAtTheStartOrder) {
    Write("song.xm", SmallSong());
    const RunResult r = Run("trace song.xm --start 1");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::istringstream lines(Text(r.out));
    std::string line;
    std::getline(lines, line); // the column heads
    int32_t rows = 0;
    while (std::getline(lines, line) && line.rfind("length:", 0) != 0) {
        std::istringstream fields(line);
        uint64_t frame = 0;
        double seconds = 0;
        int32_t order = -1;
        fields >> frame >> seconds >> order;
        if (rows++ == 0) {
            EXPECT_EQ(frame, 0u) << line;
        }
        EXPECT_EQ(order, 1) << line;
    }
    EXPECT_EQ(rows, 16);
}

TEST(WrapHelp, BreaksLongLinesUnderTheirColumn) {
    std::string option = "  --seconds FLOAT";
    option.resize(30, ' '); // the description column
    option += "Stop after this much audio, at most an hour of it";
    const std::string wrapped = WrapHelp(option + "\nshort line\n", 60, 30);
    std::istringstream lines(wrapped);
    std::string line;
    std::vector<std::string> all;
    while (std::getline(lines, line)) all.push_back(line);
    ASSERT_EQ(all.size(), 3u) << wrapped;
    for (const auto& l : all) EXPECT_LE(l.size(), 60u) << l;
    EXPECT_EQ(all[1].find_first_not_of(' '), 30u) << all[1]; // under the description
    EXPECT_EQ(all[2], "short line");
    EXPECT_EQ(wrapped.back(), '\n');
}

} // namespace
