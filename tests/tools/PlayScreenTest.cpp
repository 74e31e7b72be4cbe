// Lines of `kavoxm play`'s screen: cut to the width by characters, never inside one.
#include "PlayScreen.h"

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

} // namespace
