// The keys of `kavoxm play` from the Windows console's key events.
#include "win32/ConsoleKeys.h"

#include <gtest/gtest.h>

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
                      EventCase{"UpArrow", true, VK_UP, 0, Key::None},
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

} // namespace
