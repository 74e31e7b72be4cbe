#include "PatternView.h"

#include "PatternCell.h"
#include "PlayScreen.h"

#include "KavoXM/module/Pattern.h"

#include <algorithm>
#include <cstdio>

namespace {

const char* const Reset = "\x1b[0m";
const char* const Dim = "\x1b[90m";

const char* const KeysHelp = "q quit  space pause  left/right order  up/down 10s  pgup/pgdn 60s  "
                             "[ ] channels  c message  +/- volume  { } t tempo  l loop  n/p file";

std::string Cut(const std::string& text, size_t width) {
    return CutToWidth(text, width);
}

std::string Paint(const std::string& text, const char* colour, bool on) {
    return on && !text.empty() ? colour + text + Reset : text;
}

// A cell with its columns coloured: note, instrument, volume column and effect.
std::string PaintCell(const std::string& cell, bool on) {
    if (!on) return cell;
    static const char* const colours[] = {"\x1b[97m", "\x1b[36m", "\x1b[32m", "\x1b[35m"};
    static const size_t starts[] = {0, 4, 7, 10, 13};
    std::string out;
    for (size_t i = 0; i < 4; ++i) {
        const std::string part = cell.substr(starts[i], starts[i + 1] - starts[i]);
        const bool empty = part[0] == '.';
        out += (empty ? Dim : colours[i]) + part + Reset;
    }
    return out;
}

int32_t ShownChannels(const ViewFrame& f, size_t width) {
    return std::clamp(f.Channels - f.FirstChannel, 0, ChannelsThatFit(width));
}

std::string ChannelHeads(const ViewFrame& f, size_t width) {
    std::string line(ViewRowColumns, ' ');
    for (int32_t i = 0; i < ShownChannels(f, width); ++i) {
        const size_t start = line.size();
        line += '|';
        line += std::to_string(f.FirstChannel + i + 1);
        line.resize(start + ViewChannelColumns, ' ');
    }
    return Paint(line, "\x1b[1m", f.Colour);
}

std::string Meters(const ViewFrame& f, size_t width) {
    std::string line(ViewRowColumns, ' ');
    const auto levelOf = [&](const ChannelLevels* levels, int32_t i) {
        return levels != nullptr ? (*levels)[size_t(f.FirstChannel + i)] / 255.0 : 0.0;
    };
    // One meter across the cell, or a left and a right half with a space between.
    const auto meter = [&](double level, int32_t cells) {
        const std::string text = LevelMeter(level, cells);
        const size_t lit = text.find('.') == std::string::npos ? text.size() : text.find('.');
        const bool loud = lit * 13 > size_t(cells) * 10;
        return Paint(text.substr(0, lit), loud ? "\x1b[31m" : "\x1b[32m", f.Colour) +
               Paint(text.substr(lit), Dim, f.Colour);
    };
    for (int32_t i = 0; i < ShownChannels(f, width); ++i) {
        line += "|";
        if (f.RightLevels == nullptr) {
            line += meter(levelOf(f.Levels, i), int32_t(CellTextWidth));
            continue;
        }
        const int32_t half = int32_t(CellTextWidth) / 2;
        line += meter(levelOf(f.Levels, i), half);
        line += std::string(CellTextWidth - size_t(2 * half), ' ');
        line += meter(levelOf(f.RightLevels, i), half);
    }
    return line;
}

std::string PatternRow(const ViewFrame& f, int32_t row, size_t width) {
    const int32_t rows = f.Pattern != nullptr ? f.Pattern->RowCount : 0;
    if (row < 0 || row >= rows) return "";
    const bool playing = row == f.Row;
    char number[16];
    std::snprintf(number, sizeof number, "%c%3d ", playing ? '>' : ' ', int(row));
    // The row playing stands out as a bar of one colour; the others colour their columns.
    const bool columns = f.Colour && !playing;
    std::string line = Paint(number, Dim, columns);
    for (int32_t i = 0; i < ShownChannels(f, width); ++i) {
        line += '|';
        line += PaintCell(CellText(f.Pattern->GetNote(row, f.FirstChannel + i)), columns);
    }
    return Paint(line, "\x1b[1;97;44m", playing && f.Colour);
}

} // namespace

int32_t ChannelsThatFit(size_t width) {
    const size_t room = width > ViewRowColumns + 1 ? width - 1 - ViewRowColumns : 0;
    return std::max<int32_t>(1, int32_t(room / ViewChannelColumns));
}

size_t VisibleColumns(const std::string& line) {
    size_t columns = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\x1b') {
            while (i < line.size() && line[i] != 'm') ++i;
            continue;
        }
        if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++columns; // UTF-8 starts
    }
    return columns;
}

std::vector<std::string> ViewLines(const ViewFrame& f, size_t width, size_t height) {
    // Too narrow for one channel: the row number and as much of the first cell as fits.
    const size_t narrow = ViewRowColumns + ViewChannelColumns + 1;
    std::vector<std::string> lines;
    lines.push_back(Paint(Cut(SafeText(f.Title), width), "\x1b[1m", f.Colour));
    lines.push_back(Cut(f.Status, width));
    lines.push_back(width >= narrow ? ChannelHeads(f, width) : "");
    lines.push_back(width >= narrow ? Meters(f, width) : "");
    const size_t area = height > lines.size() + 1 ? height - lines.size() - 1 : 0;
    const auto middle = int32_t(area / 2);
    for (size_t i = 0; i < area; ++i) {
        if (f.Message != nullptr)
            lines.push_back(i < f.Message->size() ? Cut((*f.Message)[i], width) : "");
        else
            lines.push_back(width >= narrow ? PatternRow(f, f.Row - middle + int32_t(i), width)
                                            : "");
    }
    lines.push_back(Paint(Cut(KeysHelp, width), Dim, f.Colour));
    lines.resize(std::min(lines.size(), height));
    return lines;
}
