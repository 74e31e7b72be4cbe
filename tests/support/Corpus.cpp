#include "support/Corpus.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace testsupport {

std::filesystem::path CorpusDir() {
    if (const char* env = std::getenv("KAVOXM_CORPUS")) {
        if (std::filesystem::is_directory(env)) return env;
    }
#ifdef KAVOXM_CORPUS_DIR
    if (std::filesystem::is_directory(KAVOXM_CORPUS_DIR)) return KAVOXM_CORPUS_DIR;
#endif
    return {};
}

std::vector<std::filesystem::path> CorpusFiles(const std::string& subfolder) {
    std::vector<std::filesystem::path> files;
    const auto root = CorpusDir();
    if (root.empty()) return files;
    const auto dir = subfolder.empty() ? root : root / subfolder;
    if (!std::filesystem::is_directory(dir)) return files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        auto ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (entry.is_regular_file() && ext == ".xm") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace testsupport
