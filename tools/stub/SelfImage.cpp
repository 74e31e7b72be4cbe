#include "SelfImage.h"

#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

// The path of the running program, or nullptr.
const char* SelfPath() {
#if defined(_WIN32)
    static char path[MAX_PATH + 1];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? path : nullptr;
#else
    return "/proc/self/exe";
#endif
}

} // namespace

bool ReadSelfImage(std::vector<uint8_t>& bytes) {
    bytes.clear();
    const char* path = SelfPath();
    std::FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr) return false;
    uint8_t chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    if (!ok) bytes.clear();
    return ok;
}
