#include "Ostrel/ConsolePlayer.h"
#include "Ostrel/EmbeddedModule.h"

int main() {
    return RunConsolePlayer(EmbeddedModule, EmbeddedModuleSize, stdout, stderr);
}
