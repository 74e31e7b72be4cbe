// kavoxm: inspect, trace, render and play XM modules with the KavoXM engine.
#include "Commands.h"
#include "HelpFormat.h"
#include "OutputCheck.h"
#include "Signals.h"

#include "KavoXM/capi/kavoxm.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const Examples =
    "Examples:\n"
    "  kavoxm info song.xm\n"
    "  kavoxm play song.xm other.xm --loops 2\n"
    "  kavoxm render song.xm -o song.wav --bits 24\n"
    "  kavoxm render song.xm -o - | aplay -f cd\n"
    "  kavoxm exe song.xm -o song.exe --target win32\n"
    "\n"
    "Exit codes: 0 done, 1 unreadable or refused file, no audio device or "
    "failed write, 2 bad command line, 130 Ctrl-C, 143 SIGTERM, 129 SIGHUP, "
    "141 a reader that left the pipe early (SIGPIPE).";

std::string CommandList(const CLI::App& app) {
    std::string list;
    for (const CLI::App* command : app.get_subcommands({}))
        list += "  " + command->get_name() + std::string(8 - command->get_name().size(), ' ') +
                command->get_description() + "\n";
    return list;
}

// Letters to change to turn one word into the other.
size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// "Did you mean" for a word within two letters of a command.
std::string Suggestion(const CLI::App& app, const std::string& word) {
    for (const CLI::App* command : app.get_subcommands({}))
        if (EditDistance(word, command->get_name()) <= 2)
            return " (did you mean '" + command->get_name() + "'?)";
    return "";
}

// Options of the program itself, before any command.
const char* const ProgramOptions[] = {"--help", "-h", "--version"};

// A word within two letters of one of `names`, or empty.
std::string Nearest(const std::string& word, const std::vector<std::string>& names) {
    for (const std::string& name : names)
        if (EditDistance(word, name) <= 2) return name;
    return "";
}

// The first word is a command name, or an option (help, version) of the program itself.
bool KnownCommand(const CLI::App& app, const char* word) {
    if (word[0] == '-')
        return std::any_of(std::begin(ProgramOptions), std::end(ProgramOptions),
                           [&](const char* option) { return std::strcmp(word, option) == 0; });
    for (const CLI::App* command : app.get_subcommands({}))
        if (command->get_name() == word) return true;
    return false;
}

// Messages of bad command lines carry the command they belong to.
std::string FailureMessage(const CLI::App* app, const CLI::Error& e) {
    std::string prefix = "kavoxm";
    for (const CLI::App* command : app->get_subcommands({}))
        if (command->count() > 0) prefix += " " + command->get_name();
    return prefix + ": " + e.what() + "\nRun '" + prefix + " --help' for more information.\n";
}

// "kavoxm" and the command that ran, for messages.
std::string MessagePrefix(const CLI::App& app) {
    const auto ran = app.get_subcommands();
    return ran.empty() ? "kavoxm" : "kavoxm " + ran.front()->get_name();
}

} // namespace

int main(int argc, char** argv) {
    HoldStandardStreams();
    InstallStopHandlers();
    CLI::App app{"kavoxm - inspect, trace, render and play FastTracker 2 XM modules", "kavoxm"};
    app.formatter(std::make_shared<WrappingFormatter>());
    app.set_version_flag("--version", std::string("kavoxm ") + kavoxm_version_string());
    app.require_subcommand(1);
    // A word beginning with '/' is a path, also on Windows, never an option.
    app.allow_windows_style_options(false);
    app.failure_message(FailureMessage);
    app.footer(Examples);
    int exitCode = 0;
    AddInfoCommand(app, exitCode);
    AddTraceCommand(app, exitCode);
    AddRenderCommand(app, exitCode);
    AddPlayCommand(app, exitCode);
    AddExeCommand(app, exitCode);
    if (argc > 1 && argv[1][0] == '-' && !KnownCommand(app, argv[1])) {
        const std::string near =
            Nearest(argv[1], {std::begin(ProgramOptions), std::end(ProgramOptions)});
        std::cerr << "kavoxm: unknown option '" << argv[1] << "'"
                  << (near.empty() ? "" : "; did you mean '" + near + "'?")
                  << "\nRun 'kavoxm --help' for more information.\n";
        return 2;
    }
    if (argc > 1 && !KnownCommand(app, argv[1])) {
        std::cerr << "kavoxm: unknown command '" << argv[1] << "'" << Suggestion(app, argv[1])
                  << "\nCommands:\n"
                  << CommandList(app);
        return 2;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version exit with 0; every bad option or argument with 2.
        return FinishStandardOutput(MessagePrefix(app), app.exit(e) == 0 ? 0 : 2);
    }
    if (StopSignal() != 0) exitCode = StopExitCode();
    return FinishStandardOutput(MessagePrefix(app), exitCode);
}
