// Placeholder: the trace command is not built yet.
#include "Commands.h"

#include <iostream>

void AddTraceCommand(CLI::App& app, int& exitCode) {
    auto* command = app.add_subcommand("trace", "(not available yet)");
    command->callback([&exitCode] {
        std::cerr << "kavoxm trace: not available yet\n";
        exitCode = 1;
    });
}
