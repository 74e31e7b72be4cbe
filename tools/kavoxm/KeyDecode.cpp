// Keys of `kavoxm play` from the bytes a terminal sends for them.
#include "Terminal.h"

Key DecodeKey(const unsigned char* bytes, size_t count, size_t& used) {
    used = 1;
    if (count >= 3 && bytes[0] == 0x1B && (bytes[1] == '[' || bytes[1] == 'O')) {
        used = 3;
        if (bytes[2] == 'C') return Key::NextOrder;
        if (bytes[2] == 'D') return Key::PreviousOrder;
        return Key::None;
    }
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
        return Key::None;
    }
}
