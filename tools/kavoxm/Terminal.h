#pragma once
// The terminal of `kavoxm play`: keys read one by one without echo while playing, with the
// terminal's modes restored on every way out (normal end, Ctrl-C, SIGTERM or the console
// window closed, and Ctrl-Z until `fg`, when they are taken again).
// posix/Terminal.cpp: termios; win32/Terminal.cpp: the Windows console.
#include <cstddef>
#include <string>

// Columns of the terminal on standard output; 80 when it is not a terminal.
size_t TerminalColumns();

// Rows of the terminal on standard output; 24 when it is not a terminal.
size_t TerminalRows();

// True when the terminal takes the escape sequences that draw a whole screen (cursor
// positioning, the alternate screen, colours): terminals yes, the Windows console not here.
bool TerminalDrawsScreens();

// True when standard output is a terminal (a Windows console), where the status line is
// redrawn in place.
bool StdoutIsScreen();

// What follows a redrawn line of `length` characters on a screen `width` columns wide so that
// nothing of a longer line before it stays: the erase-to-end-of-line sequence of terminals, or
// spaces up to the last column but one on a Windows console, which may not understand it.
std::string LineEraser(size_t length, size_t width);

enum class Key {
    None,
    Quit,
    Pause,
    PreviousOrder,
    NextOrder,
    VolumeUp,
    VolumeDown,
    Loop,
    Next,
    Previous,
    Back10,       // seek 10 s back
    Forward10,    // and forward
    Back60,       // seek a minute back
    Forward60,    // and forward
    ChannelsLeft, // the view's previous group of channels
    ChannelsRight,
    Message,    // the song message on or off
    TempoUp,    // the tempo factor up a step
    TempoDown,  // and down
    TempoReset, // the tempo factor back to 1
};

// Raw mode of standard input for as long as the object lives: no echo, no line editing, reads
// that do not wait; Ctrl-C still stops the program. Does nothing when standard input is
// not a terminal. Keys typed but not read are discarded at the end, so none leak into the
// shell.
class RawTerminal {
  public:
    RawTerminal();
    ~RawTerminal();
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

    bool Active() const { return active; }
    // The next key typed, or Key::None.
    Key ReadKey();
    // True once after the program was stopped (Ctrl-Z) and continued: the screen may need
    // drawing again. Never on Windows, whose consoles do not stop programs.
    static bool TakeContinued();
    // True once after the terminal changed its size (SIGWINCH). Never on Windows, where the
    // size is read again for every drawing.
    static bool TakeResized();

  private:
    bool active = false;
    unsigned char pending[32] = {}; // bytes read but not yet decoded (POSIX)
    size_t pendingCount = 0;
};

// Turns a sequence of typed bytes into a key; `used` tells how many bytes it took (at least 1).
Key DecodeKey(const unsigned char* bytes, size_t count, size_t& used);
