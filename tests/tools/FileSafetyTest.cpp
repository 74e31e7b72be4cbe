// What the tool reads and writes: only regular files and pipes come in, bounded in size; a
// WAV file appears only when it is complete.
#include "FlacFile.h"
#include "Options.h"
#include "SongFile.h"
#include "ToolRun.h"
#include "ToolSongs.h"

namespace {
using namespace tooltest;

struct Refused {
    std::string name;
    std::string arguments;
    std::string reason;
};

// Devices, which have no end or change under the reader.
#ifdef _WIN32
const std::string ZeroDevice = "NUL", RandomDevice = "NUL";
#else
const std::string ZeroDevice = "/dev/zero", RandomDevice = "/dev/urandom";
#endif

std::string RefusedName(const ::testing::TestParamInfo<Refused>& info) {
    return info.param.name;
}

class UnreadableInput : public ToolTest, public ::testing::WithParamInterface<Refused> {};

TEST_P(UnreadableInput, EveryCommandSaysWhyAndExits1) {
    fs::create_directories(dir / "folder");
    const RunResult r = Run(GetParam().arguments);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find(GetParam().reason), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, UnreadableInput,
    ::testing::Values(
        Refused{"InfoOfAFolder", "info folder", "kavoxm info: cannot read folder: is a directory"},
        Refused{"TraceOfAFolder", "trace folder",
                "kavoxm trace: cannot read folder: is a directory"},
        Refused{"RenderOfAFolder", "render folder -o x.wav", "kavoxm render: cannot read folder"},
        Refused{"PlayOfAFolder", "play folder", "kavoxm play: cannot read folder: is a directory"},
        Refused{"InfoOfDevZero", "info " + ZeroDevice, ZeroDevice + ": is a device"},
        Refused{"RenderOfDevUrandom", "render " + RandomDevice + " -o x.wav",
                RandomDevice + ": is a device"}),
    RefusedName);

TEST_F(ToolTest, SizeLimitIsExact) {
    // Sparse files: nothing is written to disk. At the limit the file is read (and refused by
    // the loader), one byte more is refused before reading.
    for (const uint64_t size : {MaxSongFileBytes, MaxSongFileBytes + 1}) {
        const fs::path big = dir / "big.xm";
        fs::resize_file(Write("big.xm", {}), size);
        const RunResult r = Run("info big.xm");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err.find("cannot read big.xm: larger than 512 MiB") != std::string::npos,
                  size > MaxSongFileBytes)
            << size << ": " << r.err;
    }
}

TEST_F(ToolTest, StandardInputIsAFile) {
    Write("song.xm", SmallSong());
    const RunResult info = Run("info - < song.xm");
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(Text(info.out).find("Channels:         1\n"), std::string::npos) << info.out;
    // cmd.exe has no tool that pipes binary data (type stops at the XM header's ^Z): reading a
    // pipe is tested in-process there.
    if (!HasPosixShell) return;
    const RunResult piped = Run("render - -o - --seconds 0.1", "cat song.xm |");
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(piped.out.size(), 4410u * 4);
}

TEST(SecondsOption, TakesFinitePositiveNumbersUpToTheCap) {
    for (const char* good : {"0.5", "1", "3600", "1e3", "0.001"})
        EXPECT_EQ(CheckSeconds(good), "") << good;
    for (const char* bad :
         {"0", "-1", "nan", "inf", "-inf", "1e15", "3600.01", "1e400", "", "12s", "abc"}) {
        const std::string why = CheckSeconds(bad);
        EXPECT_NE(why, "") << bad;
        EXPECT_LT(why.size(), 120u) << why; // no 309-digit numbers
    }
}

TEST_F(ToolTest, SecondsBeyondTheCapAreABadCommandLine) {
    Write("song.xm", SmallSong());
    for (const char* value : {"1e15", "nan", "-2"}) {
        const RunResult r = Run(std::string("render song.xm -o out.wav --seconds ") + value);
        EXPECT_EQ(r.exitCode, 2) << value;
        EXPECT_NE(r.err.find("kavoxm render: --seconds"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("at most 3600"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir / "out.wav"));
    }
}

// A file size limit makes writes fail the way a full disk does. Neither the WAV file nor its
// temporary may stay behind, whether the failure comes while rendering (5 passes, more than the
// 1 MiB write buffer) or when the last buffered bytes are written out.
TEST_F(ToolTest, FailedWriteLeavesNoFile) {
    if (!HasPosixShell) GTEST_SKIP() << "ulimit -f " << SkipWithoutPosixShell;
    Write("song.xm", SmallSong());
    for (const char* loops : {"1", "5"}) {
        const RunResult r =
            Run(std::string("render song.xm -o out.wav --loops ") + loops, "ulimit -f 64 &&");
        EXPECT_EQ(r.exitCode, 1) << loops;
        EXPECT_NE(r.err.find("kavoxm render: cannot write out.wav"), std::string::npos) << r.err;
        EXPECT_EQ(Files(), std::vector<std::string>{"song.xm"}) << loops;
    }
}

TEST_F(ToolTest, OutputFileAppearsWhole) {
    Write("song.xm", SmallSong());
    ASSERT_EQ(Run("render song.xm -o out.wav").exitCode, 0);
    EXPECT_EQ(Files(), (std::vector<std::string>{"out.wav", "song.xm"}));
    // Readable like any new file, not private as a temporary.
    const fs::perms others = fs::perms::group_read | fs::perms::others_read;
    EXPECT_NE(fs::status(dir / "out.wav").permissions() & others, fs::perms::none);
}

struct OutputCase {
    std::string name;
    std::string arguments;
    int exitCode;
    std::string message; // empty: succeeds
};

class OutputName : public ToolTest, public ::testing::WithParamInterface<OutputCase> {};

TEST_P(OutputName, IsCheckedBeforeRendering) {
    Write("song.xm", SmallSong());
    Write("old.wav", {'o', 'l', 'd'});
    fs::create_hard_link(dir / "song.xm", dir / "link.wav");
    fs::create_directories(dir / "sub.flac");
    const RunResult r = Run(GetParam().arguments);
    EXPECT_EQ(r.exitCode, GetParam().exitCode) << r.err;
    if (!GetParam().message.empty()) {
        EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
    }
    const auto song = tooltest::ReadText(dir / "song.xm");
    EXPECT_EQ(std::vector<uint8_t>(song.begin(), song.end()), SmallSong()); // input intact
}

INSTANTIATE_TEST_SUITE_P(
    Names, OutputName,
    ::testing::Values(
        OutputCase{"Existing", "render song.xm -o old.wav", 1,
                   "old.wav exists (--force replaces the file)"},
        OutputCase{"ExistingForced", "render song.xm -o old.wav --force", 0, ""},
        OutputCase{"Input", "render song.xm -o song.xm --force", 1, "is the input file"},
        OutputCase{"InputByLink", "render song.xm -o ./link.wav --force", 1, "is the input file"},
        OutputCase{"Mp3", "render song.xm -o out.MP3", 1, "not .mp3"},
        // FLAC where the build writes it (integer samples only), else refused by its name.
        OutputCase{"FloatFlac", "render song.xm -o out.flac --bits 32f", 1,
                   FlacAvailable() ? "FLAC holds integer samples" : "not .flac"},
        OutputCase{"NoExtension", "render song.xm -o out", 0, ""},
        OutputCase{"DotInFolder", "render song.xm -o sub.flac/out.wav", 0, ""}),
    [](const ::testing::TestParamInfo<OutputCase>& info) { return info.param.name; });

} // namespace

namespace {
using namespace tooltest;

// Speed 31, tempo 32 and a 16-row delay on each of 256 rows: a pass lasts almost three hours.
std::vector<uint8_t> EndlessSong() {
    xmbuilder::XMSong song;
    song.Channels = 1;
    song.Speed = 31;
    song.Tempo = 32;
    xmbuilder::XMPattern pattern;
    pattern.Rows = 256;
    for (uint16_t row = 0; row < pattern.Rows; ++row) pattern.Put(row, 0, {0, 0, 0, 0x0E, 0xEF});
    song.Patterns = {pattern};
    return xmbuilder::BuildXM(song);
}

TEST_F(ToolTest, RenderOfASongWithoutEndStopsAtTheCapWithAWarning) {
    Write("endless.xm", EndlessSong());
    const RunResult r = Run("render endless.xm -o - --rate 8000 --mono --bits 8");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.size(), uint64_t(MaxRenderSeconds) * 8000);
    EXPECT_EQ(r.err, "kavoxm render: warning: endless.xm does not end within 1:00:00; stopped at "
                     "1:00:00 a pass (--seconds sets the length)\n");
}

} // namespace
