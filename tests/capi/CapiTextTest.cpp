// Texts and patterns through the C API: UTF-8 cut only between characters, patterns the file
// does not store answered as missing.
#include "CapiSongs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
using namespace capisongs;

// A title of one-, two-, three- and four-byte characters: A é € 𝄞 é Z (13 bytes).
const std::string Title = "A\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E\xC3\xA9Z";

Handle TitledSong() {
    xmbuilder::XMSong song = Busy();
    song.Name = Title;
    return Load(xmbuilder::BuildXM(song));
}

bool Continuation(char c) {
    return (uint8_t(c) & 0xC0) == 0x80;
}

class CapiTextCut : public ::testing::TestWithParam<size_t> {};

// Every buffer size gives the longest whole-character prefix that fits, and the whole length.
TEST_P(CapiTextCut, Utf8EndsOnACharacterBoundary) {
    const Handle m = TitledSong();
    ASSERT_TRUE(m);
    const size_t size = GetParam();
    std::vector<char> buffer(size, '#');
    ASSERT_EQ(kavoxm_get_text(m.get(), KAVOXM_TEXT_TITLE, 0, KAVOXM_TEXT_UTF8, buffer.data(), size),
              int64_t(Title.size()));
    size_t expected = std::min(size - 1, Title.size());
    while (expected < Title.size() && Continuation(Title[expected])) --expected;
    EXPECT_EQ(std::string(buffer.data()), Title.substr(0, expected)) << "buffer of " << size;
    // Raw text is bytes: it is cut where the buffer ends.
    ASSERT_EQ(kavoxm_get_text(m.get(), KAVOXM_TEXT_TITLE, 0, KAVOXM_TEXT_RAW, buffer.data(), size),
              int64_t(Title.size()));
    EXPECT_EQ(std::string(buffer.data()), Title.substr(0, std::min(size - 1, Title.size())));
}

INSTANTIATE_TEST_SUITE_P(BufferSizes, CapiTextCut, ::testing::Range(size_t(1), size_t(16)));

struct PatternQuery {
    const char* what;
    int32_t pattern;
    int32_t rows; // or the error
};

class CapiPatternRows : public ::testing::TestWithParam<PatternQuery> {};

TEST_P(CapiPatternRows, AnswerAsTheCellsDo) {
    const Handle m = Load(xmbuilder::BuildXM(Busy())); // three patterns of 32 rows
    ASSERT_TRUE(m);
    const PatternQuery& q = GetParam();
    EXPECT_EQ(kavoxm_pattern_rows(m.get(), q.pattern), q.rows);
    kavoxm_cell cell{};
    EXPECT_EQ(kavoxm_get_cell(m.get(), q.pattern, 0, 0, &cell),
              q.rows > 0 ? KAVOXM_OK : KAVOXM_ERROR_POSITION);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, CapiPatternRows,
    ::testing::Values(PatternQuery{"first", 0, 32}, PatternQuery{"last_stored", 2, 32},
                      PatternQuery{"first_not_stored", 3, KAVOXM_ERROR_POSITION},
                      PatternQuery{"highest_number", 255, KAVOXM_ERROR_POSITION},
                      PatternQuery{"beyond_every_number", 256, KAVOXM_ERROR_POSITION},
                      PatternQuery{"negative", -1, KAVOXM_ERROR_POSITION}),
    [](const auto& info) { return std::string(info.param.what); });

} // namespace
