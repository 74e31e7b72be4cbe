// xmcraft DIR [SCALE]: writes the hostile XM images of XMCrafted.h into DIR (scale 256 by
// default, about the size at which they once made loaders hold gigabytes), and the songs of
// XMSlowScan.h that are costly to measure, and lists them.
#include "xmbuilder/XMCrafted.h"
#include "xmbuilder/XMSlowScan.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: xmcraft DIR [SCALE]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const int scale = argc == 3 ? std::atoi(argv[2]) : 256;
    std::vector<xmbuilder::XMCraftedImage> images = xmbuilder::CraftedImages(scale);
    for (auto& slow : xmbuilder::SlowScanImages()) images.push_back(std::move(slow));
    for (const auto& crafted : images) {
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
