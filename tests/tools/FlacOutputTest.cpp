// `kavoxm render -o FILE.flac`: the FLAC file decodes (with the flac program) to exactly the
// samples of the WAV file rendered with the same options.
#include "FlacFile.h"
#include "ToolRun.h"
#include "ToolSongs.h"

namespace {
using namespace tooltest;

struct FlacCase {
    std::string name;
    std::string options; // of both renders
    std::string sign;    // of the raw samples flac decodes to
};

class FlacOutput : public ToolTest, public ::testing::WithParamInterface<FlacCase> {};

TEST_P(FlacOutput, DecodesToTheSamplesOfTheWav) {
    if (!FlacAvailable()) GTEST_SKIP() << "this build writes no FLAC";
    if (!HasPosixShell || std::system("command -v flac >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "the flac program is not installed (scripts/deps.sh test)";
    Write("song.xm", SmallSong(40)); // off centre: the channels differ
    const FlacCase& c = GetParam();
    ASSERT_EQ(Run("render song.xm -o song.wav " + c.options).exitCode, 0);
    const RunResult flac = Run("render song.xm -o song.flac " + c.options);
    ASSERT_EQ(flac.exitCode, 0) << flac.err;
    ASSERT_EQ(std::system(("cd '" + dir.string() + "' && flac -s -t song.flac").c_str()), 0);
    const std::string decode =
        "cd '" + dir.string() +
        "' && flac -s -d --force-raw-format --endian=little --sign=" + c.sign +
        " -o song.raw song.flac";
    ASSERT_EQ(std::system(decode.c_str()), 0);
    const std::string wav = ReadText(dir / "song.wav");
    const std::string raw = ReadText(dir / "song.raw");
    ASSERT_GT(wav.size(), 44u);
    EXPECT_GT(raw.size(), 10000u);
    EXPECT_TRUE(wav.substr(44) == raw)
        << "WAV data " << wav.size() - 44 << " bytes, FLAC " << raw.size();
    EXPECT_LT(fs::file_size(dir / "song.flac"), wav.size()); // it does compress
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FlacOutput,
    ::testing::Values(FlacCase{"Stereo16", "", "signed"},
                      FlacCase{"Stereo24Loud", "--bits 24 --gain 20", "signed"},
                      FlacCase{"Mono8", "--bits 8 --mono", "unsigned"},
                      FlacCase{"Stereo16At22050", "--rate 22050", "signed"}),
    [](const ::testing::TestParamInfo<FlacCase>& info) { return info.param.name; });

} // namespace
