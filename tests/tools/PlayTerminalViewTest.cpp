// The pattern view of `kavoxm play` on a pseudo-terminal: rows around the one playing, cells in
// tracker notation, a meter per channel that moves, channel groups, the width kept after a
// resize, colours, and seeks that show their place at once (also while paused).
#include "PatternView.h"
#include "PlayTerminal.h"

#include "xmbuilder/XMBuilder.h"

#include <algorithm>
#include <set>

namespace {
using namespace tooltest;

// Sixteen channels, eight order entries of one 64-row pattern at speed 6, tempo 32 (a row is
// 0.47 s, an order entry 30 s): notes on every fourth cell of each channel, at volumes that change
// by row.
std::vector<uint8_t> WideSlowSong(const std::string& message = "") {
    using namespace xmbuilder;
    XMSong song;
    song.Channels = 16;
    song.Speed = 6;
    song.Tempo = 32;
    song.SongLength = 8;
    XMInstrument instrument;
    XMSample sample;
    for (int32_t f = 0; f < 32; ++f) sample.Left.push_back(f < 16 ? 100 : -100);
    sample.LoopType = 1;
    sample.LoopLengthFrames = 32;
    instrument.Samples.push_back(sample);
    song.Instruments.push_back(instrument);
    XMPattern pattern;
    pattern.Rows = 64;
    for (int32_t row = 0; row < 64; ++row)
        for (int32_t channel = 0; channel < 16; ++channel)
            if ((row + channel) % 4 == 0)
                pattern.Put(row, channel,
                            {uint8_t(49 + channel), 1,
                             uint8_t(0x10 + (row * 9 + channel * 13) % 65), 0, 0});
    song.Patterns = {pattern};
    if (!message.empty())
        song.Chunks.push_back({"text", {message.begin(), message.end()}, std::nullopt});
    return BuildXM(song);
}

// Row number of a pattern line ("> 12 |..." or "  13 |..."), -1 for other lines.
int32_t RowOf(const std::string& line) {
    if (line.size() < 6 || line[5] != '|') return -1;
    return std::atoi(line.substr(1, 3).c_str());
}

std::string Widest(const std::vector<std::string>& lines) {
    std::string widest;
    for (const std::string& line : lines)
        if (line.size() > widest.size()) widest = line;
    return widest;
}

// The status line's song time in seconds (m:ss), -1 when not found.
int32_t ShownSeconds(const std::string& status) {
    int minutes = 0, seconds = 0;
    const size_t slash = status.find(" / ");
    if (slash == std::string::npos) return -1;
    const size_t begin = status.rfind(' ', slash - 1) + 1;
    if (std::sscanf(status.c_str() + begin, "%d:%d", &minutes, &seconds) != 2) return -1;
    return minutes * 60 + seconds;
}

struct ViewSize {
    unsigned short columns, rows;
};

class PlayView : public PlayOnTerminal, public ::testing::WithParamInterface<ViewSize> {};

TEST_P(PlayView, RowsCellsMetersAndTheWidthAfterAResize) {
    const auto [columns, rows] = GetParam();
    Write("song.xm", WideSlowSong());
    Start({"song.xm", "--loops", "1000", "--no-color"}, columns, rows);
    const auto playing = [](const std::vector<std::string>& lines) {
        return std::any_of(lines.begin(), lines.end(),
                           [](const std::string& l) { return l.rfind('>', 0) == 0; });
    };
    std::vector<std::string> frame = FrameWhere(playing);
    ASSERT_FALSE(frame.empty()) << Visible(Tail());
    EXPECT_EQ(frame.size(), size_t(rows));
    EXPECT_LE(Widest(frame).size(), size_t(columns) - 1) << Widest(frame);
    EXPECT_EQ(frame[0].rfind("song.xm", 0), 0u) << frame[0];
    EXPECT_EQ(frame[1].find("order "), 0u) << frame[1];
    // As many channels as fit: their heads, and a meter for each.
    const int32_t fit = ChannelsThatFit(columns);
    EXPECT_EQ(std::count(frame[2].begin(), frame[2].end(), '|'), fit) << frame[2];
    EXPECT_EQ(std::count(frame[3].begin(), frame[3].end(), '|'), fit) << frame[3];
    // The row playing in the middle of the rows shown, the others in order around it.
    const size_t middle = 4 + (size_t(rows) - 5) / 2;
    ASSERT_EQ(frame[middle][0], '>') << frame[middle];
    const int32_t row = RowOf(frame[middle]);
    for (size_t i = 4; i + 1 < frame.size(); ++i) {
        const int32_t expected = row + int32_t(i) - int32_t(middle);
        EXPECT_EQ(RowOf(frame[i]), expected >= 0 && expected < 64 ? expected : -1) << frame[i];
    }
    // Cells of channel 1: C-4, instrument 1, on every fourth row.
    const size_t noted = middle + size_t((4 - row % 4) % 4);
    EXPECT_EQ(frame[noted].substr(6, 6), "C-4 01") << frame[noted];
    EXPECT_EQ(std::count(frame[noted].begin(), frame[noted].end(), '|'), fit) << frame[noted];

    // The meters move as the volumes change.
    std::set<std::string> meters;
    for (size_t mark = screen.size(); meters.size() < 3;) {
        frame = FrameWhere([&](const auto& l) { return meters.count(l[3]) == 0; }, mark);
        if (frame.empty()) break;
        meters.insert(frame[3]);
        mark = screen.size();
    }
    ASSERT_GE(meters.size(), 3u);
    EXPECT_NE(meters.begin()->find('#'), std::string::npos);

    // The next group of channels.
    size_t mark = screen.size();
    Type("]");
    frame = FrameWhere([&](const auto& l) { return l[2].find("|1 ") == std::string::npos; }, mark);
    ASSERT_FALSE(frame.empty());
    EXPECT_NE(frame[2].find("|" + std::to_string(fit + 1) + " "), std::string::npos) << frame[2];

    // A narrower, shorter terminal: the view follows and stays within the width.
    mark = screen.size();
    Resize(columns - 17, rows - 3);
    ASSERT_TRUE(WaitFor("\x1b[2J", mark));
    frame = FrameWhere([](const auto&) { return true; }, screen.rfind("\x1b[2J"));
    ASSERT_FALSE(frame.empty());
    EXPECT_EQ(frame.size(), size_t(rows) - 3);
    EXPECT_LE(Widest(frame).size(), size_t(columns) - 18) << Widest(frame);
    Type("q");
    EXPECT_EQ(ExitCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PlayView, ::testing::Values(ViewSize{80, 24}, ViewSize{200, 50}),
                         [](const ::testing::TestParamInfo<ViewSize>& info) {
                             return std::to_string(info.param.columns) + "x" +
                                    std::to_string(info.param.rows);
                         });

TEST_F(PlayOnTerminal, ViewColoursUnlessNoColor) {
    Write("song.xm", WideSlowSong());
    Start({"song.xm", "--loops", "1000"}, 100, 30);
    ASSERT_TRUE(WaitFor("\x1b[1;97;44m>")) << Visible(Tail()); // the bar of the row playing
    Type("q");
    EXPECT_EQ(ExitCode(), 0);
    close(master);
    master = -1;
    screen.clear();
    environment.push_back({"NO_COLOR", "1"});
    Start({"song.xm", "--loops", "1000"}, 100, 30);
    ASSERT_TRUE(WaitFor("\r\n>")) << Visible(Tail());
    EXPECT_EQ(screen.find("\x1b[3"), std::string::npos);
    EXPECT_EQ(screen.find("44m"), std::string::npos);
    Type("q");
    EXPECT_EQ(ExitCode(), 0);
}

// Paused at order 5: three presses of left land on order 2, each at once; space resumes there.
// Seeks by time while paused move the song time shown by their step.
TEST_F(PlayOnTerminal, SeeksWhilePausedShowTheirPlaceAndSpaceResumesThere) {
    Write("song.xm", WideSlowSong());
    Start({"song.xm", "--start", "5", "--no-color"}, 100, 30);
    ASSERT_FALSE(FrameWhere([](const auto& l) { return l[1].find("order 5/8") == 0; }).empty())
        << Visible(Tail());
    size_t mark = screen.size();
    Type(" ");
    std::vector<std::string> frame =
        FrameWhere([](const auto& l) { return l[1].find("PAUSED") == 0; }, mark);
    ASSERT_FALSE(frame.empty()) << Visible(Tail());
    // One press at a time, each shown before the next.
    for (const char* order : {"PAUSED  order 4/8 ", "PAUSED  order 3/8 ", "PAUSED  order 2/8 "}) {
        mark = screen.size();
        Type("\x1b[D");
        frame = FrameWhere([&](const auto& l) { return l[1].find(order) == 0; }, mark);
        ASSERT_FALSE(frame.empty()) << order << ": " << Visible(screen.substr(mark));
    }
    EXPECT_NE(frame[1].find(" row 00/64 "), std::string::npos) << frame[1];
    // Two entries of 64 x 6 ticks of 3445.3 frames before it: 60 s.
    EXPECT_NEAR(ShownSeconds(frame[1]), 59.5, 0.5) << frame[1];

    // Forward 10 s, a minute forward and back: the time shown moves by each step (its seconds
    // are cut to whole ones, and a seek lands on the start of the tick holding the time).
    const int32_t before = ShownSeconds(frame[1]);
    ASSERT_GE(before, 0) << frame[1];
    int32_t now = before;
    for (const auto& [keys, step] :
         {std::pair<std::string, int32_t>{"\x1b[A", 10}, {"\x1b[5~", 60}, {"\x1b[6~", -60}}) {
        mark = screen.size();
        Type(keys);
        frame = FrameWhere(
            [&](const auto& l) {
                const int32_t t = ShownSeconds(l[1]);
                return t >= now + step - 1 && t <= now + step;
            },
            mark);
        ASSERT_FALSE(frame.empty())
            << keys.substr(1) << " from " << now << " s: " << Visible(screen.substr(mark));
        EXPECT_EQ(frame[1].find("PAUSED"), 0u) << frame[1];
        now = ShownSeconds(frame[1]);
    }
    EXPECT_NEAR(now, before + 10, 1);
    // 10 s into order 2, at 0.469 s a row: row 21.
    EXPECT_NE(frame[1].find("order 2/8 pat 0 row 21/64 "), std::string::npos) << frame[1];

    mark = screen.size();
    Type(" ");
    frame = FrameWhere([](const auto& l) { return l[1].find("order 2/8 ") == 0; }, mark);
    ASSERT_FALSE(frame.empty()) << Visible(screen.substr(mark));
    EXPECT_GE(ShownSeconds(frame[1]), now);
    Type("q");
    EXPECT_EQ(ExitCode(), 0);
}

// c shows the song message in place of the pattern (safely: its ESC is dropped), c again the
// pattern.
TEST_F(PlayOnTerminal, MessageKeyShowsTheSongMessage) {
    Write("message.xm", WideSlowSong("first line\rsecond \x1b[2Jline"));
    Start({"message.xm", "--loops", "1000", "--no-color"}, 100, 30);
    ASSERT_FALSE(
        FrameWhere([](const auto& l) { return l[4].find('|') != std::string::npos; }).empty())
        << Visible(Tail());
    size_t mark = screen.size();
    Type("c");
    std::vector<std::string> frame =
        FrameWhere([](const auto& l) { return l[4] == "first line"; }, mark);
    ASSERT_FALSE(frame.empty()) << Visible(screen.substr(mark));
    EXPECT_EQ(frame[5], "second [2Jline");
    EXPECT_EQ(screen.find("\x1b[2Jline"), std::string::npos);
    mark = screen.size();
    Type("c");
    EXPECT_FALSE(FrameWhere([](const auto& l) { return l[4].find('|') != std::string::npos; }, mark)
                     .empty());
    Type("q");
    EXPECT_EQ(ExitCode(), 0);
}

} // namespace
