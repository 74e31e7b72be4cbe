#include "Terminal.h"
#include "ConsoleKeys.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <thread>
#include <windows.h>

namespace {

HANDLE Input = nullptr;
DWORD SavedMode = 0; // of the console's input, restored at the end

// Keys come from a thread that waits in ReadConsoleInput: a console may take input from its
// terminal only while a read waits (Wine's does), so polling for events could see none.
std::thread Reader;
std::atomic<bool> Stopping{false};
std::mutex KeysLock;
std::array<Key, 32> Keys{}; // typed and not yet taken, oldest first
size_t KeyCount = 0;

void ReadKeys() {
    for (;;) {
        INPUT_RECORD record{};
        DWORD read = 0;
        if (ReadConsoleInputW(Input, &record, 1, &read) == 0 || Stopping) return;
        if (read == 0 || record.EventType != KEY_EVENT) continue;
        const KEY_EVENT_RECORD& event = record.Event.KeyEvent;
        const Key key =
            ConsoleKey(event.bKeyDown != 0, event.wVirtualKeyCode, event.uChar.UnicodeChar);
        const std::lock_guard<std::mutex> hold(KeysLock);
        if (key != Key::None && KeyCount < Keys.size()) Keys[KeyCount++] = key;
    }
}

// Ends the reader: an event of no key written into the console's input wakes its wait.
void StopReader() {
    Stopping = true;
    INPUT_RECORD wake{};
    wake.EventType = KEY_EVENT;
    DWORD written = 0;
    if (WriteConsoleInputW(Input, &wake, 1, &written) != 0 && written == 1)
        Reader.join();
    else
        Reader.detach(); // the console is gone, and with it the wait
}

} // namespace

Key ConsoleKey(bool down, unsigned short virtualKey, wchar_t character) {
    if (!down) return Key::None;
    if (virtualKey == VK_LEFT) return Key::PreviousOrder;
    if (virtualKey == VK_RIGHT) return Key::NextOrder;
    if (virtualKey == VK_UP) return Key::Forward10;
    if (virtualKey == VK_DOWN) return Key::Back10;
    if (virtualKey == VK_PRIOR) return Key::Forward60;
    if (virtualKey == VK_NEXT) return Key::Back60;
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

size_t TerminalRows() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) != 0) {
        const int rows = info.srWindow.Bottom - info.srWindow.Top + 1;
        if (rows > 0) return size_t(rows);
    }
    return 24;
}

// The status line stays the console's display: older consoles print escape sequences as text.
bool TerminalDrawsScreens() {
    return false;
}

bool StdoutIsScreen() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

std::string LineEraser(size_t length, size_t width) {
    return std::string(length + 1 < width ? width - 1 - length : 0, ' ');
}

RawTerminal::RawTerminal() {
    Input = GetStdHandle(STD_INPUT_HANDLE);
    if (Input == nullptr || Input == INVALID_HANDLE_VALUE || GetConsoleMode(Input, &SavedMode) == 0)
        return;
    // Processed input stays on, so that Ctrl-C reaches the stop handler.
    const DWORD raw = SavedMode & ~DWORD(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT);
    active = SetConsoleMode(Input, raw) != 0;
    if (!active) return;
    Stopping = false;
    KeyCount = 0;
    Reader = std::thread(ReadKeys);
}

RawTerminal::~RawTerminal() {
    if (!active) return;
    StopReader();
    FlushConsoleInputBuffer(Input);
    SetConsoleMode(Input, SavedMode);
}

bool RawTerminal::TakeContinued() {
    return false;
}

bool RawTerminal::TakeResized() {
    return false;
}

Key RawTerminal::ReadKey() {
    if (!active) return Key::None;
    const std::lock_guard<std::mutex> hold(KeysLock);
    if (KeyCount == 0) return Key::None;
    const Key key = Keys[0];
    std::copy(Keys.begin() + 1, Keys.begin() + ptrdiff_t(KeyCount), Keys.begin());
    --KeyCount;
    return key;
}
