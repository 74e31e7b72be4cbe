#include "SongFile.h"

#include "KavoXM/module/Module.h"
#include "KavoXM/module/XMLoadInfo.h"
#include "PlatformFiles.h"

namespace {

std::string ReadError(const std::string& path, const std::string& reason) {
    return "cannot read " + DisplayName(path) + ": " + reason;
}

} // namespace

std::string DisplayName(const std::string& path) {
    return path == "-" ? "standard input" : path;
}

bool ReadSongFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    std::string reason;
    switch (ReadWholeInput(path, MaxSongFileBytes, bytes, reason)) {
    case ReadResult::Done:
        return true;
    case ReadResult::TooLarge:
        bytes.clear();
        reason = std::to_string(MaxSongFileBytes >> 20);
        reason.insert(0, "larger than ").append(" MiB");
        break;
    case ReadResult::Failed:
        break;
    }
    error = ReadError(path, reason);
    return false;
}

bool LoadSongImage(const std::string& path, const std::vector<uint8_t>& bytes,
                   TKavoXMModule& module, TKavoXMLoadInfo* info, std::string& error,
                   TKavoXMLoadParts parts) {
    TKavoXMLoadInfo own;
    TKavoXMLoadInfo& facts = info != nullptr ? *info : own;
    if (module.LoadFromMemory(bytes.data(), int32_t(bytes.size()), &facts, parts)) return true;
    error = "cannot load " + DisplayName(path) + ": " +
            (facts.RefusalReason[0] != 0 ? facts.RefusalReason : "not a valid XM module");
    return false;
}

bool LoadSongFile(const std::string& path, TKavoXMModule& module, std::string& error,
                  TKavoXMLoadParts parts) {
    std::vector<uint8_t> bytes;
    return ReadSongFile(path, bytes, error) &&
           LoadSongImage(path, bytes, module, nullptr, error, parts);
}
