#pragma once
// Access to the shared corpus of real XM files. Tests skip where it is absent.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// The corpus folder, or an empty path when it is not there.
std::filesystem::path CorpusDir();
// All .xm files below the corpus folder (or one subfolder of it), sorted.
std::vector<std::filesystem::path> CorpusFiles(const std::string& subfolder = "");
std::vector<uint8_t> ReadFile(const std::filesystem::path& path);

} // namespace testsupport

// Skips the current test with a clear message when the corpus is absent.
#define KAVOXM_REQUIRE_CORPUS()                                                                    \
    do {                                                                                           \
        if (testsupport::CorpusDir().empty())                                                      \
            GTEST_SKIP() << "shared corpus not found (../shared/corpus); skipping";                \
    } while (0)
