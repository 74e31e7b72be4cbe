#include "SongFile.h"

#include "KavoXM/module/Module.h"
#include "KavoXM/module/XMLoadInfo.h"
#include "Signals.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes a descriptor it opened (never standard input).
struct Descriptor {
    int fd = -1;
    bool owned = false;
    ~Descriptor() {
        if (owned && fd >= 0) ::close(fd);
    }
};

std::string ReadError(const std::string& path, const std::string& reason) {
    return "cannot read " + DisplayName(path) + ": " + reason;
}

// Only what has an end and does not change under us: a regular file or a pipe.
bool Readable(const struct stat& st, std::string& reason) {
    if (S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode)) return true;
    if (S_ISDIR(st.st_mode))
        reason = "is a directory";
    else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        reason = "is a device, not a file";
    else
        reason = "not a regular file or pipe";
    return false;
}

// Reads to the end in pieces, stopping one byte past the limit. The first piece is one byte
// more than `expected` (a regular file's size), so that a file is read without zeroing a much
// larger buffer; full pieces are followed by 1 MiB ones.
bool ReadAll(int fd, std::vector<uint8_t>& bytes, size_t expected, std::string& reason) {
    size_t piece = expected + 1;
    bytes.clear();
    for (;;) {
        if (bytes.size() > MaxSongFileBytes) {
            reason = "larger than " + std::to_string(MaxSongFileBytes >> 20) + " MiB";
            return false;
        }
        const size_t before = bytes.size();
        bytes.resize(before + piece);
        const ssize_t n = ::read(fd, bytes.data() + before, piece);
        if (n < 0) {
            bytes.resize(before);
            if (errno == EINTR && StopSignal() == 0) continue;
            reason = std::strerror(errno);
            return false;
        }
        bytes.resize(before + size_t(n));
        // After a short read the end is near: look for it with a small piece.
        piece = size_t(n) == piece ? size_t(1) << 20 : 4096;
        if (n == 0) return true;
    }
}

} // namespace

std::string DisplayName(const std::string& path) {
    return path == "-" ? "standard input" : path;
}

bool ReadSongFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    Descriptor in;
    if (path == "-") {
        in.fd = STDIN_FILENO;
    } else {
        in.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        in.owned = true;
    }
    struct stat st {};
    if (in.fd < 0 || ::fstat(in.fd, &st) != 0) {
        error = ReadError(path, std::strerror(errno));
        return false;
    }
    std::string reason;
    if (!Readable(st, reason)) {
        error = ReadError(path, reason);
        return false;
    }
    if (S_ISREG(st.st_mode) && uint64_t(st.st_size) > MaxSongFileBytes) {
        error = ReadError(path, "larger than " + std::to_string(MaxSongFileBytes >> 20) + " MiB");
        return false;
    }
    const size_t expected = S_ISREG(st.st_mode) ? size_t(st.st_size) : size_t(1) << 20;
    if (!ReadAll(in.fd, bytes, expected, reason)) {
        error = ReadError(path, reason);
        return false;
    }
    return true;
}

bool LoadSongImage(const std::string& path, const std::vector<uint8_t>& bytes,
                   TKavoXMModule& module, TKavoXMLoadInfo* info, std::string& error) {
    TKavoXMLoadInfo own;
    TKavoXMLoadInfo& facts = info != nullptr ? *info : own;
    if (module.LoadFromMemory(bytes.data(), int32_t(bytes.size()), &facts)) return true;
    error = "cannot load " + DisplayName(path) + ": " +
            (facts.RefusalReason[0] != 0 ? facts.RefusalReason : "not a valid XM module");
    return false;
}

bool LoadSongFile(const std::string& path, TKavoXMModule& module, std::string& error) {
    std::vector<uint8_t> bytes;
    return ReadSongFile(path, bytes, error) && LoadSongImage(path, bytes, module, nullptr, error);
}
