// `kavoxm play` on the Windows console: keys from its key events, and the status line that is
// redrawn in place without escape sequences.
#include "win32/ConsoleKeys.h"

#include <gtest/gtest.h>

#include <string>

#include <windows.h>

namespace {

struct EventCase {
    const char* name;
    bool down;
    unsigned short virtualKey;
    wchar_t character;
    Key key;
};

class ConsoleKeys : public ::testing::TestWithParam<EventCase> {};

TEST_P(ConsoleKeys, MapEventsToKeys) {
    const EventCase& c = GetParam();
    EXPECT_EQ(ConsoleKey(c.down, c.virtualKey, c.character), c.key);
}

INSTANTIATE_TEST_SUITE_P(
    Events, ConsoleKeys,
    ::testing::Values(EventCase{"LeftArrow", true, VK_LEFT, 0, Key::PreviousOrder},
                      EventCase{"RightArrow", true, VK_RIGHT, 0, Key::NextOrder},
                      EventCase{"UpArrow", true, VK_UP, 0, Key::Forward10},
                      EventCase{"DownArrow", true, VK_DOWN, 0, Key::Back10},
                      EventCase{"PageDown", true, VK_NEXT, 0, Key::Back60},
                      EventCase{"RightArrowReleased", false, VK_RIGHT, 0, Key::None},
                      EventCase{"Q", true, 'Q', L'q', Key::Quit},
                      EventCase{"QReleased", false, 'Q', L'q', Key::None},
                      EventCase{"Space", true, VK_SPACE, L' ', Key::Pause},
                      EventCase{"Plus", true, VK_ADD, L'+', Key::VolumeUp},
                      EventCase{"Minus", true, VK_SUBTRACT, L'-', Key::VolumeDown},
                      EventCase{"N", true, 'N', L'n', Key::Next},
                      EventCase{"P", true, 'P', L'P', Key::Previous},
                      EventCase{"Shift", true, VK_SHIFT, 0, Key::None},
                      EventCase{"NonAsciiWhoseLowByteIsQ", true, 0, wchar_t(0x0171), Key::None}),
    [](const ::testing::TestParamInfo<EventCase>& info) { return std::string(info.param.name); });

// Spaces cover what a longer line left, up to the last column but one: a character in the last
// column would wrap the line on some consoles.
TEST(LineEraser, FillsToTheLastColumnButOne) {
    EXPECT_EQ(LineEraser(60, 80), std::string(19, ' '));
    EXPECT_EQ(LineEraser(78, 80), " ");
    EXPECT_EQ(LineEraser(79, 80), "");
    EXPECT_EQ(LineEraser(85, 80), ""); // never negative
}

} // namespace
