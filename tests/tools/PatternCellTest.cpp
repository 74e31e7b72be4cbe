// Pattern cells in tracker notation, as trace --cells and the play view show them.
#include "PatternCell.h"

#include <gtest/gtest.h>

namespace {

TEST(PatternCell, NotesAcrossTheRangeAndKeyOff) {
    EXPECT_EQ(NoteText(0), "...");
    EXPECT_EQ(NoteText(1), "C-0");
    EXPECT_EQ(NoteText(12), "B-0");
    EXPECT_EQ(NoteText(13), "C-1");
    EXPECT_EQ(NoteText(50), "C#4");
    EXPECT_EQ(NoteText(96), "B-7");
    EXPECT_EQ(NoteText(97), "===");
    EXPECT_EQ(NoteText(98), "???");
}

TEST(PatternCell, ColumnsOfAWholeCell) {
    EXPECT_EQ(CellText({49, 1, 0x50, 0xA, 0x0F}), "C-4 01 40 A0F");
    EXPECT_EQ(CellText({}), "... .. .. ...");
    EXPECT_EQ(CellText({97, 0, 0x10, 0, 0}), "=== .. 00 ...");
    // An arpeggio (effect 0) with a parameter is an effect, not an empty column.
    EXPECT_EQ(CellText({0, 0xFF, 0, 0, 0x37}), "... FF .. 037");
    // Volume-column commands: a letter and the nibble; bytes below 0x10 are empty.
    EXPECT_EQ(CellText({0, 0, 0x6F, 35, 0x01}), "... .. -F Z01");
    EXPECT_EQ(CellText({0, 0, 0xF3, 36, 0}), "... .. M3 ?00");
    EXPECT_EQ(CellText({0, 0, 0x0F, 0, 0}), "... .. .. ...");
    EXPECT_EQ(CellText({0, 0, 0x51, 0, 0}), "... .. .. ...");
    EXPECT_EQ(CellText({1, 2, 0x80, 1, 2}).size(), CellTextWidth);
}

} // namespace
