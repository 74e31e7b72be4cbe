// `kavoxm exe` run as a program: the player it writes renders with --wav the bytes `kavoxm
// render` writes with the same settings; damaged players, missing stubs and taken names are
// refused with a message.
#include "ToolRun.h"
#include "ToolSongs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {
using namespace tooltest;

// The corpus songs, sorted by name; empty when the corpus is absent.
std::vector<fs::path> CorpusSongs() {
    std::vector<fs::path> songs;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(KAVOXM_CORPUS_DIR) / "songs", error))
        if (entry.path().extension() == ".xm") songs.push_back(entry.path());
    std::sort(songs.begin(), songs.end());
    return songs;
}

class ExeCommand : public ToolTest {
  protected:
    // Runs the generated program in the folder.
    RunResult RunProgram(const std::string& program, const std::string& arguments) {
        const std::string command =
            "cd '" + dir.string() + "' && ./" + program + " " + arguments + " >.stdout 2>.stderr";
        RunResult result;
        result.exitCode = ExitCodeOf(std::system(command.c_str()));
        result.out = ReadText(dir / ".stdout");
        result.err = ReadText(dir / ".stderr");
        return result;
    }

    // `kavoxm exe SONG SETTINGS`, the program's --wav and `kavoxm render SONG RENDER` agree.
    void ExpectSameRender(const fs::path& song, const std::string& settings,
                          const std::string& renderSettings) {
        const std::string input = "'" + song.string() + "'";
        const RunResult made = Run("exe " + input + " -o player " + settings);
        ASSERT_EQ(made.exitCode, 0) << made.err;
        const RunResult played = RunProgram("player", "--wav played.wav");
        ASSERT_EQ(played.exitCode, 0) << played.err;
        EXPECT_NE(played.out.find(" | \""), std::string::npos) << "no banner: " << played.out;
        ASSERT_EQ(Run("render " + input + " -o rendered.wav " + renderSettings).exitCode, 0);
        const std::string a = ReadText(dir / "played.wav"), b = ReadText(dir / "rendered.wav");
        EXPECT_GT(a.size(), 44u);
        EXPECT_TRUE(a == b) << "sizes " << a.size() << " and " << b.size();
    }
};

struct SettingsCase {
    const char* name;
    std::string exe;    // options of kavoxm exe
    std::string render; // the same settings for kavoxm render
};

class ExeSettings : public ExeCommand, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(ExeSettings, ProgramRendersWhatRenderWrites) {
    const fs::path song = Write("small.xm", SmallSong(40));
    ExpectSameRender(song, GetParam().exe, GetParam().render);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ExeSettings,
    ::testing::Values(
        SettingsCase{"Defaults", "", ""},
        SettingsCase{"AllSettings",
                     "--master-volume 230 --interpolation linear --stereo-separation 50 --loops 2",
                     "--master-volume 230 --interpolation linear --stereo-separation 50 --loops 2"},
        SettingsCase{"NearestAndWide", "--interpolation nearest --stereo-separation 200",
                     "--interpolation nearest --stereo-separation 200"},
        SettingsCase{"SilentVolume", "--master-volume 0", "--master-volume 0"},
        SettingsCase{"LoopingForeverRendersOnePass", "--loops 0", "--loops 1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExeCommand, CorpusSongsRenderAsWithRender) {
    const std::vector<fs::path> songs = CorpusSongs();
    if (songs.size() < 2) GTEST_SKIP() << "no corpus at " << KAVOXM_CORPUS_DIR;
    ExpectSameRender(songs[0], "", "");
    fs::remove(dir / "player");
    fs::remove(dir / "played.wav");
    fs::remove(dir / "rendered.wav");
    ExpectSameRender(songs[1], "--master-volume 200 --stereo-separation 70",
                     "--master-volume 200 --stereo-separation 70");
}

struct DamageCase {
    const char* name;
    std::string damage; // shell commands on the file `player`
    std::string message;
};

class ExeDamage : public ExeCommand, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(ExeDamage, ProgramRefusesWithAMessage) {
    Write("small.xm", SmallSong());
    ASSERT_EQ(Run("exe small.xm -o player").exitCode, 0);
    const std::string command = "cd '" + dir.string() + "' && " + GetParam().damage;
    ASSERT_EQ(ExitCodeOf(std::system(command.c_str())), 0);
    const RunResult run = RunProgram("player", "--wav out.wav");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir / "out.wav"));
}

INSTANTIATE_TEST_SUITE_P(
    Players, ExeDamage,
    ::testing::Values(
        DamageCase{"LastByteCut", "truncate -s -1 player", "no complete song"},
        DamageCase{"HalfTheSongCut", "head -c -1000 player > p && cat p > player", "no complete"},
        DamageCase{"TrailerByteChanged",
                   "printf 'Z' | dd of=player bs=1 seek=$(($(stat -c %s player) - 20)) "
                   "conv=notrunc 2>/dev/null",
                   "damaged"},
        DamageCase{"SongByteChanged",
                   "printf 'Z' | dd of=player bs=1 seek=$(($(stat -c %s player) - 26)) "
                   "conv=notrunc 2>/dev/null",
                   "damaged"},
        DamageCase{"SongLengthTooLarge",
                   "printf '\\377\\377\\377\\377' | dd of=player bs=1 seek=$(($(stat -c %s player) "
                   "- 24)) conv=notrunc 2>/dev/null",
                   "incomplete"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExeCommand, RefusesTakenNamesMissingStubsAndLoadedStubs) {
    Write("small.xm", SmallSong());
    ASSERT_EQ(Run("exe small.xm -o player").exitCode, 0);
    RunResult again = Run("exe small.xm -o player");
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("kavoxm exe: player exists already"), std::string::npos) << again.err;
    EXPECT_EQ(Run("exe small.xm -o player --force").exitCode, 0);
    // The player itself is no stub for another.
    RunResult loaded = Run("exe small.xm -o other --stub player");
    EXPECT_EQ(loaded.exitCode, 1);
    EXPECT_NE(loaded.err.find("already carries a song"), std::string::npos) << loaded.err;
    RunResult missing = Run("exe small.xm -o other --stub nothing-here");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("kavoxm exe: cannot"), std::string::npos) << missing.err;
    RunResult bad = Run("exe small.xm -o other --target amiga");
    EXPECT_EQ(bad.exitCode, 2);
    RunResult notSong = Run("exe player -o other");
    EXPECT_EQ(notSong.exitCode, 1);
    EXPECT_FALSE(fs::exists(dir / "other"));
}

TEST_F(ExeCommand, BareStubAndHelp) {
    const fs::path stub = fs::path(KAVOXM_BINARY_DIR) / "tools" / "stub" / "kavoxm-stub-linux";
    fs::copy_file(stub, dir / "bare");
    RunResult bare = RunProgram("bare", "");
    EXPECT_EQ(bare.exitCode, 1);
    EXPECT_EQ(bare.err.rfind("bare: no complete song is attached", 0), 0u) << bare.err;
    RunResult help = RunProgram("bare", "--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--wav FILE"), std::string::npos);
    RunResult wrong = RunProgram("bare", "--loud");
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_NE(wrong.err.find("unknown argument --loud"), std::string::npos) << wrong.err;
}

} // namespace
