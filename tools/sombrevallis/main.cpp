// Writes the song "Sombrevallis" as an XM file: compose_sombrevallis OUT.xm
#include "SongImage.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: compose_sombrevallis OUT.xm\n");
        return 2;
    }
    try {
        const auto image = sombrevallis::SombrevallisImage();
        std::FILE* out = std::fopen(argv[1], "wb");
        if (out == nullptr || std::fwrite(image.data(), 1, image.size(), out) != image.size() ||
            std::fclose(out) != 0) {
            std::perror(argv[1]);
            return 1;
        }
        std::printf("%s: %zu bytes\n", argv[1], image.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "compose_sombrevallis: %s\n", e.what());
        return 1;
    }
    return 0;
}
