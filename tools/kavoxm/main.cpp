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
    CLI11_PARSE(app, argc, argv);
    return exitCode;
}
