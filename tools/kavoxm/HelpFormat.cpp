#include "HelpFormat.h"
#include "Terminal.h"

#include <algorithm>
#include <sstream>

namespace {

size_t Indentation(const std::string& line, size_t column) {
    const size_t own = line.find_first_not_of(' ');
    if (own == std::string::npos) return 0;
    // An option line: its description starts at the column, after at least two spaces.
    if (own > 0 && line.size() > column && line.compare(column - 2, 2, "  ") == 0 &&
        line[column] != ' ')
        return column;
    return own;
}

void WrapLine(const std::string& line, size_t width, size_t column, std::string& out) {
    const size_t indent = std::min(Indentation(line, column), width / 2);
    std::string rest = line;
    while (rest.size() > width) {
        size_t cut = rest.rfind(' ', width);
        if (cut == std::string::npos || cut <= indent) cut = rest.find(' ', width);
        if (cut == std::string::npos) break;
        out += rest.substr(0, cut) + "\n";
        const size_t next = rest.find_first_not_of(' ', cut);
        if (next == std::string::npos) {
            rest.clear();
            break;
        }
        rest = std::string(indent, ' ') + rest.substr(next);
    }
    out += rest;
}

} // namespace

std::string WrapHelp(const std::string& text, size_t width, size_t column) {
    std::string out;
    std::istringstream lines(text);
    std::string line;
    bool first = true;
    while (std::getline(lines, line)) {
        if (!first) out += "\n";
        first = false;
        WrapLine(line, std::max<size_t>(width, 20), column, out);
    }
    if (!text.empty() && text.back() == '\n') out += "\n";
    return out;
}

std::string WrappingFormatter::make_help(const CLI::App* app, std::string name,
                                         CLI::AppFormatMode mode) const {
    return WrapHelp(CLI::Formatter::make_help(app, std::move(name), mode), TerminalColumns() - 1,
                    get_column_width());
}
