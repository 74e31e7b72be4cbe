#include "MMSystem/Console.h"
#include "Ostrel/ConsolePlayer.h"
#include "Ostrel/EmbeddedModule.h"

int main() {
    // The banner's lines end in CR LF and the progress line in a lone CR, byte for byte.
    SetBinaryMode(stdout);
    return RunConsolePlayer(EmbeddedModule, EmbeddedModuleSize, stdout, stderr);
}
