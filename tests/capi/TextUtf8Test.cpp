// The display text of a song's names and message: UTF-8 kept, other bytes read in the code page
// (Windows-1252 here; code page 437 in CodePageTest), control characters removed.
#include "KavoXM/capi/TextUtf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TextCase {
    std::string name;
    std::string in;
    bool keepLineBreaks;
    std::string want;
};

class TextUtf8Cases : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextUtf8Cases, Converts) {
    EXPECT_EQ(TextUtf8(GetParam().in, TKavoXMCodePage::Windows1252, GetParam().keepLineBreaks),
              GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextUtf8Cases,
    ::testing::Values(
        TextCase{"PlainAscii", "Song 01", false, "Song 01"},
        TextCase{"ValidUtf8Stays",
                 "Gr\xC3\xBC\xC3\x9F"
                 "e \xE2\x99\xAA \xF0\x9F\x8E\xB5",
                 false,
                 "Gr\xC3\xBC\xC3\x9F"
                 "e \xE2\x99\xAA \xF0\x9F\x8E\xB5"},
        TextCase{"Latin1Byte", "caf\xE9", false, "caf\xC3\xA9"},
        TextCase{"Cp1252Quotes", "\x93hi\x94 \x80", false,
                 "\xE2\x80\x9Chi\xE2\x80\x9D \xE2\x82\xAC"},
        TextCase{"Cp1252UndefinedDropped",
                 "a\x81"
                 "b\x9D",
                 false, "ab"},
        TextCase{"OneBadByteMakesAllCp1252", "\xC3\xA9 \xE9", false, "\xC3\x83\xC2\xA9 \xC3\xA9"},
        TextCase{"OverlongIsNotUtf8", "\xC0\xAF", false, "\xC3\x80\xC2\xAF"},
        TextCase{"SurrogateIsNotUtf8", "\xED\xA0\x80", false, "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        TextCase{"TruncatedSequence", "ab\xE2\x99", false, "ab\xC3\xA2\xE2\x84\xA2"},
        TextCase{"ControlsRemoved",
                 std::string("a\x01"
                             "b\x7F"
                             "c\t\0d",
                             8),
                 false, "abcd"},
        TextCase{"C1InUtf8Removed",
                 "a\xC2\x85"
                 "b\xC2\xA0",
                 false, "ab\xC2\xA0"},
        TextCase{"LineBreaksKept", "a\r\nb\rc\nd\n\ne", true, "a\nb\nc\nd\n\ne"},
        TextCase{"LineBreaksDropped", "a\r\nb\rc", false, "abc"}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return info.param.name; });

} // namespace
