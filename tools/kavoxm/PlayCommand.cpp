// Placeholder: the play command is not built yet.
#include "Commands.h"

#include <iostream>

void AddPlayCommand(CLI::App& app, int& exitCode) {
    auto* command = app.add_subcommand("play", "(not available yet)");
    command->callback([&exitCode] {
        std::cerr << "kavoxm play: not available yet\n";
        exitCode = 1;
    });
}
