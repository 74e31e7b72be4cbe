#include "Terminal.h"
#include "ConsoleKeys.h"

#include <windows.h>

namespace {

HANDLE Input = nullptr;
DWORD SavedMode = 0; // of the console's input, restored at the end

} // namespace

Key ConsoleKey(bool down, unsigned short virtualKey, wchar_t character) {
    if (!down) return Key::None;
    if (virtualKey == VK_LEFT) return Key::PreviousOrder;
    if (virtualKey == VK_RIGHT) return Key::NextOrder;
    if (character == 0 || character > 0x7F) return Key::None;
    const auto byte = static_cast<unsigned char>(character);
    size_t used = 0;
    return DecodeKey(&byte, 1, used);
}

size_t TerminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) != 0) {
        const int columns = info.srWindow.Right - info.srWindow.Left + 1;
        if (columns > 0) return size_t(columns);
    }
    return 80;
}

bool StdoutIsScreen() {
    // A console (not a file, a pipe or NUL) whose escape sequences can be turned on; older
    // consoles that cannot get the line-per-order output instead.
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode) == 0) return false;
    constexpr DWORD Sequences = 0x0004; // ENABLE_VIRTUAL_TERMINAL_PROCESSING
    return (mode & Sequences) != 0 || SetConsoleMode(output, mode | Sequences) != 0;
}

RawTerminal::RawTerminal() {
    Input = GetStdHandle(STD_INPUT_HANDLE);
    if (Input == nullptr || Input == INVALID_HANDLE_VALUE || GetConsoleMode(Input, &SavedMode) == 0)
        return;
    // Processed input stays on, so that Ctrl-C reaches the stop handler.
    const DWORD raw = SavedMode & ~DWORD(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT);
    active = SetConsoleMode(Input, raw) != 0;
}

RawTerminal::~RawTerminal() {
    if (!active) return;
    FlushConsoleInputBuffer(Input);
    SetConsoleMode(Input, SavedMode);
}

bool RawTerminal::TakeContinued() {
    return false;
}

Key RawTerminal::ReadKey() {
    if (!active) return Key::None;
    DWORD waiting = 0;
    // Only events already there are read: ReadConsoleInput would wait for one.
    while (GetNumberOfConsoleInputEvents(Input, &waiting) != 0 && waiting > 0) {
        INPUT_RECORD record{};
        DWORD read = 0;
        if (ReadConsoleInputW(Input, &record, 1, &read) == 0 || read == 0) break;
        if (record.EventType != KEY_EVENT) continue;
        const KEY_EVENT_RECORD& event = record.Event.KeyEvent;
        const Key key =
            ConsoleKey(event.bKeyDown != 0, event.wVirtualKeyCode, event.uChar.UnicodeChar);
        if (key != Key::None) return key;
    }
    return Key::None;
}
