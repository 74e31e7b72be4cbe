// Placeholder: the info command is not built yet.
#include "Commands.h"

#include <iostream>

void AddInfoCommand(CLI::App& app, int& exitCode) {
    auto* command = app.add_subcommand("info", "(not available yet)");
    command->callback([&exitCode] {
        std::cerr << "kavoxm info: not available yet\n";
        exitCode = 1;
    });
}
