// Lines of `kavoxm play`'s screen: cut to the width by characters, never inside one.
#include "PlayScreen.h"
#include "PatternView.h"

#include <gtest/gtest.h>

namespace {

TEST(PlayScreen, LinesAreCutByCharactersBeforeTheLastColumn) {
    EXPECT_EQ(CutToWidth("abcdef", 4), "abc");
    EXPECT_EQ(CutToWidth("abc", 4), "abc");
    EXPECT_EQ(CutToWidth("abcd", 4), "abc");
    EXPECT_EQ(CutToWidth("abc", 1), "");
    // "é" and "€" are two and three bytes, one column each.
    EXPECT_EQ(CutToWidth("caf\xC3\xA9 \xE2\x82\xAC!", 6), "caf\xC3\xA9 ");
    EXPECT_EQ(CutToWidth("caf\xC3\xA9 \xE2\x82\xAC!", 7), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(SafeText("caf\xE9\x1b[1m"), "caf\xC3\xA9[1m");
}

TEST(PlayScreen, StatusShowsATempoFactorOtherThanOne) {
    PlayStatus status;
    EXPECT_EQ(StatusLine(status, 200).find(" x1"), std::string::npos);
    EXPECT_EQ(ViewStatusLine(status, 200).find(" x1"), std::string::npos);
    status.TempoFactor = 1.25;
    EXPECT_NE(StatusLine(status, 200).find("x1.25"), std::string::npos);
    EXPECT_NE(ViewStatusLine(status, 200).find("x1.25"), std::string::npos);
}

// With right levels each channel's meter is a left and a right half: a channel heard only on
// the left lights the left half alone.
TEST(PlayScreen, StereoMetersShowEachSide) {
    ChannelLevels left{}, right{};
    left[0] = 255;
    right[1] = 255;
    ViewFrame frame;
    frame.Channels = 2;
    frame.Levels = &left;
    frame.RightLevels = &right;
    const std::vector<std::string> lines = ViewLines(frame, 80, 24);
    ASSERT_GT(lines.size(), 3u);
    const std::string& meters = lines[3];
    EXPECT_NE(meters.find("|###### ......|...... ######"), std::string::npos) << meters;
}

} // namespace
