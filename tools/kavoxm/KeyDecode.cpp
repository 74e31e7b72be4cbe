// Keys of `kavoxm play` from the bytes a terminal sends for them.
#include "Terminal.h"

namespace {

// The key of an escape sequence ESC [ or ESC O: arrows, and page up/down as ESC [ 5 ~, 6 ~.
Key SequenceKey(const unsigned char* bytes, size_t count, size_t& used) {
    used = 3;
    switch (bytes[2]) {
    case 'A':
        return Key::Forward10;
    case 'B':
        return Key::Back10;
    case 'C':
        return Key::NextOrder;
    case 'D':
        return Key::PreviousOrder;
    case '5':
    case '6':
        if (count >= 4 && bytes[3] == '~') {
            used = 4;
            return bytes[2] == '5' ? Key::Forward60 : Key::Back60;
        }
        return Key::None;
    default:
        return Key::None;
    }
}

Key LetterKey(unsigned char byte) {
    switch (byte) {
    case ',':
        return Key::Back10;
    case '.':
        return Key::Forward10;
    case '<':
        return Key::Back60;
    case '>':
        return Key::Forward60;
    case '[':
        return Key::ChannelsLeft;
    case ']':
        return Key::ChannelsRight;
    case 'c':
    case 'C':
        return Key::Message;
    case '}':
        return Key::TempoUp;
    case '{':
        return Key::TempoDown;
    case 't':
    case 'T':
        return Key::TempoReset;
    default:
        return Key::None;
    }
}

} // namespace

Key DecodeKey(const unsigned char* bytes, size_t count, size_t& used) {
    used = 1;
    if (count >= 3 && bytes[0] == 0x1B && (bytes[1] == '[' || bytes[1] == 'O'))
        return SequenceKey(bytes, count, used);
    switch (bytes[0]) {
    case 'q':
    case 'Q':
        return Key::Quit;
    case ' ':
        return Key::Pause;
    case '+':
    case '=':
        return Key::VolumeUp;
    case '-':
    case '_':
        return Key::VolumeDown;
    case 'l':
    case 'L':
        return Key::Loop;
    case 'n':
    case 'N':
        return Key::Next;
    case 'p':
    case 'P':
        return Key::Previous;
    default:
        return LetterKey(bytes[0]);
    }
}
