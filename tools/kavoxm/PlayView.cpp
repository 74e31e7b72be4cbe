#include "PlayView.h"

#include "Terminal.h"

#include <cstdio>

bool ViewFits(size_t columns, size_t rows) {
    return columns >= 80 && rows >= 24;
}

PlayView::PlayView() {
    std::fputs("\x1b[?1049h\x1b[?25l\x1b[2J", stdout);
}

PlayView::~PlayView() {
    std::fputs("\x1b[0m\x1b[?25h\x1b[?1049l", stdout);
    std::fflush(stdout);
}

void PlayView::Draw(const ViewFrame& frame) {
    const size_t width = TerminalColumns(), height = TerminalRows();
    std::string out;
    if (RawTerminal::TakeResized() || width != columns || height != rows) {
        columns = width;
        rows = height;
        out = "\x1b[2J";
        last.clear();
    }
    const std::vector<std::string> lines = ViewLines(frame, width, height);
    std::string text = "\x1b[H";
    for (size_t i = 0; i < lines.size(); ++i)
        text += lines[i] + "\x1b[0m\x1b[K" + (i + 1 < lines.size() ? "\r\n" : "");
    text += "\x1b[J";
    if (text == last) return;
    last = text;
    out += text;
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}
