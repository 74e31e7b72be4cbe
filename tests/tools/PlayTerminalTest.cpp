// `kavoxm play` on a pseudo-terminal, sounding through ALSA's null device: the screen it
// draws, the keys it takes, and the terminal modes it leaves behind.
#include "PlayTerminal.h"
#include "Terminal.h"
#include "ToolSongs.h"
#include "xmbuilder/XMBuilder.h"

namespace {
using namespace tooltest;

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

// } and { step the tempo factor by 1/16 (shown beside the volume), t puts it back to 1.
TEST_F(PlayOnTerminal, TempoKeysStepTheFactorAndTBringsItBack) {
    Write("song.xm", SmallSong());
    Start({"song.xm", "--loops", "1000", "--no-view"}, 120);
    ASSERT_TRUE(WaitFor(" order ")) << screen;
    for (const auto& [keys, shown] : {std::pair<std::string, std::string>{"}", "  x1.06  ["},
                                      {"}t{{", "  x0.88  ["},
                                      {"}}t", "  vol 128  ["}}) {
        const size_t mark = screen.size();
        Type(keys);
        ASSERT_TRUE(WaitFor(shown, mark)) << keys << ": " << Tail();
    }
    EXPECT_EQ(LastStatus().find(" x"), std::string::npos) << LastStatus();
    Type("q");
    EXPECT_EQ(ExitCode(), 0);
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

// --start-seconds: play begins in the order entry holding that time, with the time there;
// render leaves out what comes before it.
TEST_F(ToolTest, StartSecondsBeginsPlayAndRenderThere) {
    Write("song.xm", SmallSong());
    const std::string home = std::string(KAVOXM_BINARY_DIR) + "/tests/alsa-homes/null";
    const RunResult play =
        Run("play song.xm --start-seconds 1.5 < /dev/null", "HOME='" + home + "'");
    ASSERT_EQ(play.exitCode, 0) << play.err;
    EXPECT_NE(play.out.find("\norder 1/2  pattern 1  0:01\n"), std::string::npos) << play.out;
    EXPECT_EQ(play.out.find("order 0/2"), std::string::npos) << play.out;

    ASSERT_EQ(Run("render song.xm -o whole.wav").exitCode, 0);
    ASSERT_EQ(Run("render song.xm -o part.wav --start-seconds 1.5").exitCode, 0);
    // Both end with the block holding the song's end: they differ by 1.5 s, give or take a
    // block of 2048 frames and a tick of 882.
    const auto missing =
        double(fs::file_size(dir / "whole.wav")) - double(fs::file_size(dir / "part.wav"));
    EXPECT_NEAR(missing / 4, 1.5 * 44100, 2048 + 882);
    EXPECT_EQ(Run("render song.xm -o x.wav --start 1 --start-seconds 1").exitCode, 2);
}

// An order entry the song's start never reaches shows the time of the subsong that reaches it.
TEST_F(ToolTest, PlayFromAnEntryOfASecondSubsongShowsItsTimeThere) {
    using namespace xmbuilder;
    XMSong song;
    song.Channels = 1;
    song.SongLength = 3;
    XMInstrument instrument;
    XMSample sample;
    sample.Left = {100, -100};
    sample.LoopType = 1;
    sample.LoopLengthFrames = 2;
    instrument.Samples.push_back(sample);
    song.Instruments.push_back(instrument);
    XMPattern first, second;
    first.Put(0, 0, {49, 1, 0, 0, 0}).Put(63, 0, {0, 0, 0, 0xB, 0}); // jumps back: subsong 1
    second.Put(0, 0, {52, 1, 0, 0, 0});
    song.Patterns = {first, second};
    song.Orders[1] = 1;
    song.Orders[2] = 1;
    Write("song.xm", BuildXM(song));
    const std::string home = std::string(KAVOXM_BINARY_DIR) + "/tests/alsa-homes/null";
    const RunResult r = Run("play song.xm --start 2 < /dev/null", "HOME='" + home + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // Order 1 (64 rows x 6 ticks of 882 frames, 7.68 s) comes before it in subsong 2.
    EXPECT_NE(r.out.find("\norder 2/3  pattern 1  0:07\n"), std::string::npos) << r.out;
}

} // namespace
