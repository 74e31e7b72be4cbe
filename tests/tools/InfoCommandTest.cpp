// `kavoxm info` run as a program on images written to a temporary folder.
#include "xmbuilder/XMBuilder.h"
#include "xmbuilder/XMSlowScan.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

using namespace xmbuilder;

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

fs::path ToolPath() {
    return fs::path(KAVOXM_BINARY_DIR) / "tools" / "kavoxm" / "kavoxm";
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class InfoCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(ToolPath())) GTEST_SKIP() << "kavoxm tool not built";
        dir_ = fs::temp_directory_path() /
               ("kavoxm-info-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        if (!dir_.empty()) fs::remove_all(dir_, ignored);
    }

    fs::path Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }

    RunResult Run(const std::string& arguments) {
        const fs::path out = dir_ / "stdout.txt";
        const fs::path err = dir_ / "stderr.txt";
        const std::string command = "'" + ToolPath().string() + "' " + arguments + " >'" +
                                    out.string() + "' 2>'" + err.string() + "'";
        const int status = std::system(command.c_str());
        RunResult result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = ReadText(out);
        result.err = ReadText(err);
        return result;
    }

    fs::path dir_;
};

XMSong InfoSong() {
    XMSong song;
    song.Name = "caf\xE9 \"q\"";
    song.Version = 0x0104;
    song.Channels = 2;
    song.SongLength = 3;
    song.RestartPosition = 1;
    song.Speed = 5;
    song.Tempo = 140;
    song.Orders[0] = 1;
    song.Orders[1] = 0;
    song.Orders[2] = 1;
    song.Orders[3] = 9; // beyond the song length: not listed
    song.Patterns.resize(2);
    XMInstrument ins;
    ins.Samples.resize(2);
    ins.Samples[0].Left = {1, 2, 3};
    ins.Samples[1].SixteenBit = true;
    ins.Samples[1].Left = {100, 200};
    ins.Name = "lead";
    ins.VolumeEnvelope.Type = 1;
    ins.VolumeEnvelope.Points = {{0, 64}, {10, 0}};
    song.Instruments.push_back(ins);
    XMInstrument empty;
    empty.Name = "nothing here";
    song.Instruments.push_back(empty); // no samples, listed all the same
    song.TrackerName = "Tracker 2.0";
    song.Chunks.push_back({"text", {'h', 'i', 13, 'x', '\\'}, std::nullopt});
    std::vector<uint8_t> names(64, 0);
    names[0] = 'A';
    names[32] = 'B';
    song.Chunks.push_back({"PNAM", names, std::nullopt});
    song.Chunks.push_back(
        {"CNAM", {'L', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, std::nullopt});
    return song;
}

} // namespace

TEST_F(InfoCommand, JsonHoldsTheHeaderFacts) {
    const fs::path file = Write("song.xm", BuildXM(InfoSong()));
    const RunResult r = Run("info '" + file.string() + "' --json");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string& j = r.out;
    EXPECT_EQ(j.front(), '{');
    // Not ModPlug or OpenMPT: code page 437, where 0xE9 is a capital theta.
    EXPECT_NE(j.find("\"name\":\"caf\xCE\x98 \\\"q\\\"\""), std::string::npos) << j;
    EXPECT_NE(j.find(R"("version":"1.04")"), std::string::npos) << j;
    EXPECT_NE(j.find(R"("channels":2,)"), std::string::npos) << j;
    EXPECT_NE(j.find(R"("song_length":3,)"), std::string::npos) << j;
    EXPECT_NE(j.find(R"("restart_position":1,)"), std::string::npos) << j;
    EXPECT_NE(j.find(R"("patterns":2,)"), std::string::npos) << j;
    EXPECT_NE(j.find(R"("instruments":2,)"), std::string::npos) << j;
    EXPECT_NE(j.find(R"("samples":2,)"), std::string::npos) << j;
    EXPECT_NE(j.find(R"("linear_frequencies":true,)"), std::string::npos) << j;
    EXPECT_NE(j.find(R"("initial_speed":5,)"), std::string::npos) << j;
    EXPECT_NE(j.find(R"("initial_tempo":140,)"), std::string::npos) << j;
    EXPECT_NE(j.find(R"("orders":[1,0,1],)"), std::string::npos) << j;
    EXPECT_NE(j.find(R"("message":"hi\nx\\")"), std::string::npos) << j;
    EXPECT_NE(j.find(R"("tracker":"Tracker 2.0")"), std::string::npos) << j;
    EXPECT_NE(
        j.find(R"("instrument_list":[{"number":1,"name":"lead","volume_envelope":true,)"
               R"("panning_envelope":false,"fadeout":0,"samples":[{"instrument":1,"slot":0,)"),
        std::string::npos)
        << j;
    EXPECT_NE(j.find(R"({"number":2,"name":"nothing here","volume_envelope":false,)"
                     R"("panning_envelope":false,"fadeout":0,"samples":[]})"),
              std::string::npos)
        << j;
    EXPECT_NE(j.find(R"("pattern_names":["A","B"])"), std::string::npos) << j;
    EXPECT_NE(j.find(R"("channel_names":["L",""])"), std::string::npos) << j;
    EXPECT_NE(j.find(R"("length":2,)"), std::string::npos) << j; // 16-bit sample in frames
}

TEST_F(InfoCommand, TextListsEveryInstrumentAndItsSamples) {
    const fs::path file = Write("song.xm", BuildXM(InfoSong()));
    const RunResult r = Run("info '" + file.string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Format version:   1.04"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Tracker:          Tracker 2.0\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Instrument 1 \"lead\": 2 samples, volume envelope on, panning "
                         "envelope off\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Instrument 2 \"nothing here\": no samples\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Message:\nhi\nx\\\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("3 frames, loop none, 8-bit mono"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2 frames, loop none, 16-bit mono"), std::string::npos) << r.out;
}

TEST_F(InfoCommand, RefusedFileGivesOneLineAndExitCode1) {
    std::vector<uint8_t> bad = BuildXM(InfoSong());
    bad[0] = 'e';
    const fs::path file = Write("bad.xm", bad);
    const RunResult r = Run("info '" + file.string() + "' --json");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.err, "kavoxm info: cannot load " + file.string() +
                         ": not an XM file (no 'Extended Module: ' header)\n");

    const RunResult missing = Run("info '" + (dir_ / "absent.xm").string() + "'");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(
        missing.err.rfind("kavoxm info: cannot read " + (dir_ / "absent.xm").string() + ": ", 0),
        0u)
        << missing.err;
}

// Two tunes in one order list, each looping on itself (Bxx to its own order): order 0 plays
// 64 rows, order 1 (never reached from order 0) 16 rows, at speed 5 and tempo 140.
TEST_F(InfoCommand, DurationAndSubsongs) {
    XMSong song = InfoSong();
    song.SongLength = 2;
    song.Orders[0] = 0;
    song.Orders[1] = 1;
    song.Patterns.assign(2, XMPattern{});
    song.Patterns[0].Put(63, 0, {0, 0, 0, 0x0B, 0x00});
    song.Patterns[1].Rows = 16;
    song.Patterns[1].Put(15, 0, {0, 0, 0, 0x0B, 0x01});
    const fs::path file = Write("song.xm", BuildXM(song));
    const RunResult r = Run("info '" + file.string() + "' --json");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const double tick = double(44100 * 640 / (140 * 256)) / 44100; // whole frames per tick
    char expected[256];
    std::snprintf(expected, sizeof expected, "\"duration_seconds\":%.3f,\"duration_end\":\"ends\"",
                  64 * 5 * tick);
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << " in " << r.out;
    std::snprintf(expected, sizeof expected,
                  "\"subsongs\":[{\"start_order\":0,\"duration_seconds\":%.3f,\"end\":\"ends\"},"
                  "{\"start_order\":1,\"duration_seconds\":%.3f,\"end\":\"ends\"}]",
                  64 * 5 * tick, 16 * 5 * tick);
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << " in " << r.out;

    const RunResult text = Run("info '" + file.string() + "'");
    std::snprintf(expected, sizeof expected,
                  "Duration:         0:%04.1f\nSubsongs:         2\n  1: from order 0, 0:%04.1f\n"
                  "  2: from order 1, 0:%04.1f\n",
                  64 * 5 * tick, 64 * 5 * tick, 16 * 5 * tick);
    EXPECT_NE(text.out.find(expected), std::string::npos) << expected << " in " << text.out;
}

// Names and the message from the file reach the terminal and JSON alike: UTF-8 that is valid
// stays, other bytes are read as Windows-1252 in a file from OpenMPT, control characters (ESC,
// BEL) are dropped.
TEST_F(InfoCommand, TextsAreShownSafelyAndAlikeInTextAndJson) {
    XMSong song = InfoSong();
    song.TrackerName = "OpenMPT 1.31.06.00";
    song.Name = "caf\xE9 \x1b[31mred\x07"; // Latin-1, with ESC and BEL
    song.Instruments[0].Name = "\xC3\xBC"
                               "ber";            // UTF-8
    song.Instruments[1].Name = "\x80 \x93q\x94"; // Windows-1252: euro, quotes
    song.Chunks[0] = {"text", {'a', 13, 'b', 0x1B, 'c', 13, 'd'}, std::nullopt};
    const fs::path file = Write("song.xm", BuildXM(song));
    const RunResult text = Run("info '" + file.string() + "'");
    const RunResult json = Run("info '" + file.string() + "' --json");
    ASSERT_EQ(text.exitCode, 0) << text.err;
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(text.out.find('\x1b'), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find('\x07'), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Name:             caf\xC3\xA9 [31mred\n"), std::string::npos)
        << text.out;
    EXPECT_NE(json.out.find("\"name\":\"caf\xC3\xA9 [31mred\""), std::string::npos) << json.out;
    EXPECT_NE(text.out.find("Instrument 1 \"\xC3\xBC"
                            "ber\""),
              std::string::npos)
        << text.out;
    EXPECT_NE(json.out.find("\"name\":\"\xC3\xBC"
                            "ber\""),
              std::string::npos)
        << json.out;
    const std::string windows = "\xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D"; // € “q”
    EXPECT_NE(text.out.find("Instrument 2 \"" + windows + "\""), std::string::npos) << text.out;
    EXPECT_NE(json.out.find("\"name\":\"" + windows + "\""), std::string::npos) << json.out;
    EXPECT_NE(text.out.find("Message:\na\nbc\nd\n"), std::string::npos) << text.out;
    EXPECT_NE(json.out.find(R"("message":"a\nbc\nd")"), std::string::npos) << json.out;
}

// A FastTracker 2 file's names are in code page 437, in the text and the JSON alike.
TEST_F(InfoCommand, FastTrackerNamesAreInTheDosCodePage) {
    XMSong song = InfoSong();
    song.TrackerName = "FastTracker v2.00";
    song.Name = "Gummib\x86t";
    song.Instruments[0].Name = "\xDA\xC4\xBF";
    const fs::path file = Write("song.xm", BuildXM(song));
    const RunResult text = Run("info '" + file.string() + "'");
    const RunResult json = Run("info '" + file.string() + "' --json");
    ASSERT_EQ(text.exitCode, 0) << text.err;
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_NE(text.out.find("Name:             Gummib\xC3\xA5t\n"), std::string::npos) << text.out;
    EXPECT_NE(json.out.find("\"name\":\"Gummib\xC3\xA5t\""), std::string::npos) << json.out;
    const std::string box = "\xE2\x94\x8C\xE2\x94\x80\xE2\x94\x90"; // ┌─┐
    EXPECT_NE(text.out.find("Instrument 1 \"" + box + "\""), std::string::npos) << text.out;
    EXPECT_NE(json.out.find("\"name\":\"" + box + "\""), std::string::npos) << json.out;
}

namespace {

// 255 channels of pattern loops nested across channels, a note on every other cell and 256
// orders each starting a subsong: once minutes of work, now one bounded measurement that says
// where it stopped.
TEST_F(InfoCommand, CostlySongIsMeasuredWithinItsBound) {
    const fs::path path = Write("nested.xm", CraftNestedLoops({}));
    const RunResult r = Run("info '" + path.string() + "'");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Duration:         unknown (more than"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("measurement stopped at its work limit"), std::string::npos) << r.out;
}

} // namespace
