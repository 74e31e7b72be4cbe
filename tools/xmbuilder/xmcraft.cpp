// xmcraft DIR [SCALE]: writes the hostile XM images of XMCrafted.h into DIR (scale 256 by
// default, about the size at which they once made loaders hold gigabytes) and lists them.
#include "xmbuilder/XMCrafted.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: xmcraft DIR [SCALE]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const int scale = argc == 3 ? std::atoi(argv[2]) : 256;
    for (const auto& crafted : xmbuilder::CraftedImages(scale)) {
        const std::string path = dir + "/" + crafted.Name + ".xm";
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (out == nullptr ||
            std::fwrite(crafted.Image.data(), 1, crafted.Image.size(), out) !=
                crafted.Image.size() ||
            std::fclose(out) != 0) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s %zu\n", path.c_str(), crafted.Image.size());
    }
    return 0;
}
