// kavoxm: inspect, trace, render and play XM modules with the KavoXM engine.
#include "Commands.h"

int main(int argc, char** argv) {
    CLI::App app{"kavoxm - inspect, trace, render and play FastTracker 2 XM modules"};
    app.require_subcommand(1);
    int exitCode = 0;
    AddInfoCommand(app, exitCode);
    AddTraceCommand(app, exitCode);
    AddRenderCommand(app, exitCode);
    AddPlayCommand(app, exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version exit with 0; every bad option or argument with 2.
        return app.exit(e) == 0 ? 0 : 2;
    }
    return exitCode;
}
