// The keys of `kavoxm play` from the bytes a terminal sends.
#include "Terminal.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DecodeKey, ArrowsLettersAndOthers) {
    struct Case {
        std::string bytes;
        Key key;
        size_t used;
    };
    for (const Case& c :
         {Case{"q", Key::Quit, 1}, Case{" ", Key::Pause, 1}, Case{"\x1b[C", Key::NextOrder, 3},
          Case{"\x1bOD", Key::PreviousOrder, 3}, Case{"\x1b[A", Key::None, 3},
          Case{"+", Key::VolumeUp, 1}, Case{"-", Key::VolumeDown, 1}, Case{"l", Key::Loop, 1},
          Case{"n", Key::Next, 1}, Case{"p", Key::Previous, 1}, Case{"x", Key::None, 1},
          Case{"\x1b", Key::None, 1}}) {
        size_t used = 0;
        const auto* bytes = reinterpret_cast<const unsigned char*>(c.bytes.data());
        EXPECT_EQ(DecodeKey(bytes, c.bytes.size(), used), c.key) << c.bytes;
        EXPECT_EQ(used, c.used) << c.bytes;
    }
}

} // namespace
