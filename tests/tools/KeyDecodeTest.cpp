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
    for (const Case& c : {Case{"q", Key::Quit, 1},
                          Case{" ", Key::Pause, 1},
                          Case{"\x1b[C", Key::NextOrder, 3},
                          Case{"\x1bOD", Key::PreviousOrder, 3},
                          Case{"\x1b[A", Key::Forward10, 3},
                          Case{"\x1b[B", Key::Back10, 3},
                          Case{"\x1b[5~", Key::Forward60, 4},
                          Case{"\x1b[6~", Key::Back60, 4},
                          Case{"\x1b[5", Key::None, 3},
                          Case{"\x1b[2~", Key::None, 3},
                          Case{"\x1b[H", Key::None, 3},
                          Case{",", Key::Back10, 1},
                          Case{".", Key::Forward10, 1},
                          Case{"<", Key::Back60, 1},
                          Case{">", Key::Forward60, 1},
                          Case{"[", Key::ChannelsLeft, 1},
                          Case{"]", Key::ChannelsRight, 1},
                          Case{"c", Key::Message, 1},
                          Case{"}", Key::TempoUp, 1},
                          Case{"{", Key::TempoDown, 1},
                          Case{"t", Key::TempoReset, 1},
                          Case{"+", Key::VolumeUp, 1},
                          Case{"-", Key::VolumeDown, 1},
                          Case{"l", Key::Loop, 1},
                          Case{"n", Key::Next, 1},
                          Case{"p", Key::Previous, 1},
                          Case{"x", Key::None, 1},
                          Case{"\x1b", Key::None, 1}}) {
        size_t used = 0;
        const auto* bytes = reinterpret_cast<const unsigned char*>(c.bytes.data());
        EXPECT_EQ(DecodeKey(bytes, c.bytes.size(), used), c.key) << c.bytes;
        EXPECT_EQ(used, c.used) << c.bytes;
    }
}

} // namespace
