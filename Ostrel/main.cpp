#include "MMSystem/Console.h"
#include "Ostrel/ConsolePlayer.h"
#include "Ostrel/PackedModule.h"
#include "Ostrel/SongPack.h"

#include <vector>

int main() {
    // The banner's lines end in CR LF and the progress line in a lone CR, byte for byte.
    SetBinaryMode(stdout);
    std::vector<uint8_t> song;
    // A song that does not unpack is one that does not load, and RunConsolePlayer says so.
    UnpackSong(PackedEmbeddedModule, size_t(PackedEmbeddedModuleSize), song);
    return RunConsolePlayer(song.data(), int32_t(song.size()), stdout, stderr);
}
