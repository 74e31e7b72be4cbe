#pragma once
// Each subcommand of the kavoxm tool registers itself on the application and runs from its
// callback, storing the process exit code in `exitCode`.
#include <CLI/CLI.hpp>

void AddInfoCommand(CLI::App& app, int& exitCode);
void AddTraceCommand(CLI::App& app, int& exitCode);
void AddRenderCommand(CLI::App& app, int& exitCode);
void AddPlayCommand(CLI::App& app, int& exitCode);
void AddExeCommand(CLI::App& app, int& exitCode);
