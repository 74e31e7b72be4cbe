// Build-time helper: writes the packed form (Ostrel/SongPack.h) of a file.
// Usage: pack_song_file INPUT OUTPUT
#include "Ostrel/SongPack.h"

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: pack_song_file INPUT OUTPUT\n", stderr);
        return 2;
    }
    std::FILE* in = std::fopen(argv[1], "rb");
    if (in == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::vector<uint8_t> data;
    uint8_t chunk[65536];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, in)) > 0;)
        data.insert(data.end(), chunk, chunk + got);
    const bool read = std::ferror(in) == 0;
    std::fclose(in);
    const std::vector<uint8_t> packed = PackSong(data.data(), data.size());
    std::FILE* out = read ? std::fopen(argv[2], "wb") : nullptr;
    const bool written = out != nullptr &&
                         std::fwrite(packed.data(), 1, packed.size(), out) == packed.size() &&
                         std::fclose(out) == 0;
    if (!written) std::perror(argv[2]);
    return written ? 0 : 1;
}
