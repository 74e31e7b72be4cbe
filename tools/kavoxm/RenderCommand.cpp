// Placeholder: the render command is not built yet.
#include "Commands.h"

#include <iostream>

void AddRenderCommand(CLI::App& app, int& exitCode) {
    auto* command = app.add_subcommand("render", "(not available yet)");
    command->callback([&exitCode] {
        std::cerr << "kavoxm render: not available yet\n";
        exitCode = 1;
    });
}
