#include "SongFile.h"

#include "KavoXM/module/Module.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>

bool ReadSongFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read " + path + ": read error";
        return false;
    }
    if (bytes.size() > size_t(INT32_MAX)) {
        error = "cannot read " + path + ": file too large";
        return false;
    }
    return true;
}

bool LoadSongFile(const std::string& path, TKavoXMModule& module, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadSongFile(path, bytes, error)) return false;
    if (!module.LoadFromMemory(bytes.data(), int32_t(bytes.size()))) {
        error = "cannot load " + path + ": not a valid XM module";
        return false;
    }
    return true;
}
