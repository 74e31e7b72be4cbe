// The generated player's banner and status line: the song's own title in a box that fits it,
// header text made printable, the length as a clock.
#include "tools/stub/StubBanner.h"

#include <gtest/gtest.h>

namespace {

struct TextCase {
    const char* name;
    std::string input;
    std::string expected;
};

class Printable : public ::testing::TestWithParam<TextCase> {};

TEST_P(Printable, ShowsHeaderText) {
    EXPECT_EQ(PrintableText(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Printable,
    ::testing::Values(TextCase{"Plain", "Sombrevallis", "Sombrevallis"},
                      TextCase{"PaddedWithSpaces", "  Song title        ", "Song title"},
                      TextCase{"PaddedWithNuls", std::string("Song\0\0\0", 7), "Song"},
                      TextCase{"ControlCharacters", "a\x01\x1b[2Jb", "a??[2Jb"},
                      TextCase{"HighBytes", "caf\xe9", "caf?"}, TextCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct ClockCase {
    const char* name;
    int64_t seconds;
    std::string expected;
};

class Clock : public ::testing::TestWithParam<ClockCase> {};

TEST_P(Clock, ShowsMinutesAndSeconds) {
    EXPECT_EQ(ClockText(GetParam().seconds), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Lengths, Clock,
                         ::testing::Values(ClockCase{"Zero", 0, "0:00"},
                                           ClockCase{"UnderAMinute", 9, "0:09"},
                                           ClockCase{"Minutes", 98, "1:38"},
                                           ClockCase{"JustUnderAnHour", 3599, "59:59"},
                                           ClockCase{"AnHour", 3600, "1:00:00"},
                                           ClockCase{"Hours", 3 * 3600 + 61, "3:01:01"},
                                           ClockCase{"Negative", -5, "0:00"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Banner, BoxFitsTheTitleAndLinesEndInCrLf) {
    const TBannerFacts facts{"Sombrevallis", "KavoXM composer     ", 98, true};
    const std::string text = BannerText(facts, true);
    const std::string box =
        "\r\n  ----------------\r\n | \"Sombrevallis\" |\r\n  ----------------\r\n\r\n";
    EXPECT_EQ(text.substr(0, box.size()), box);
    EXPECT_NE(text.find(" Tracker: KavoXM composer\r\n"), std::string::npos);
    EXPECT_NE(text.find(" Length:  1:38\r\n"), std::string::npos);
    EXPECT_NE(text.find(" Powered using KavoXM engine / WinMM\r\n Press any key"),
              std::string::npos);
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        EXPECT_EQ(text[at - 1], '\r') << "line feed without carriage return at " << at;
}

TEST(Banner, NamesWhatIsMissingAndTheLinuxWay) {
    const std::string text = BannerText({"", "", 7200, false}, false);
    EXPECT_NE(text.find(" | \"untitled\" |\r\n"), std::string::npos);
    EXPECT_NE(text.find(" Tracker: unknown\r\n"), std::string::npos);
    EXPECT_NE(text.find(" Length:  more than an hour\r\n"), std::string::npos);
    EXPECT_NE(text.find("/ ALSA\r\n Press Ctrl-C to stop\r\n"), std::string::npos);
}

TEST(Status, PadsPatternAndRowToTwoDigits) {
    EXPECT_EQ(StatusText(3, 7, 65), " Pattern:  3, Row:  7  1:05  \r");
    EXPECT_EQ(StatusText(12, 63, 0), " Pattern: 12, Row: 63  0:00  \r");
    EXPECT_EQ(StatusText(120, 255, 3600), " Pattern: 120, Row: 255  1:00:00  \r");
}

} // namespace
