#pragma once
// Help text of the kavoxm tool: CLI11's layout, wrapped at the terminal width.
#include <CLI/CLI.hpp>

#include <cstddef>
#include <string>

// Breaks lines longer than `width` at spaces. A continued line starts under the description
// column (`column`) when the line has one, else under the line's own indentation.
std::string WrapHelp(const std::string& text, size_t width, size_t column);

// CLI11's formatter, with every help page wrapped at the terminal width.
class WrappingFormatter : public CLI::Formatter {
  public:
    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override;
};
