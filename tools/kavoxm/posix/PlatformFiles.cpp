#include "PlatformFiles.h"

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
ReadResult ReadAll(int fd, uint64_t limit, size_t expected, std::vector<uint8_t>& bytes,
                   std::string& reason) {
    size_t piece = expected + 1;
    bytes.clear();
    for (;;) {
        if (bytes.size() > limit) return ReadResult::TooLarge;
        const size_t before = bytes.size();
        bytes.resize(before + piece);
        const ssize_t n = ::read(fd, bytes.data() + before, piece);
        if (n < 0) {
            bytes.resize(before);
            if (errno == EINTR && StopSignal() == 0) continue;
            reason = std::strerror(errno);
            return ReadResult::Failed;
        }
        bytes.resize(before + size_t(n));
        // After a short read the end is near: look for it with a small piece.
        piece = size_t(n) == piece ? size_t(1) << 20 : 4096;
        if (n == 0) return ReadResult::Done;
    }
}

// mkstemp makes the file private; the finished file gets the mode of any new file.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

ReadResult ReadWholeInput(const std::string& path, uint64_t limit, std::vector<uint8_t>& bytes,
                          std::string& reason) {
    Descriptor in;
    if (path == "-") {
        in.fd = STDIN_FILENO;
    } else {
        in.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        in.owned = true;
    }
    struct stat st {};
    if (in.fd < 0 || ::fstat(in.fd, &st) != 0) {
        reason = std::strerror(errno);
        return ReadResult::Failed;
    }
    if (!Readable(st, reason)) return ReadResult::Failed;
    if (S_ISREG(st.st_mode) && uint64_t(st.st_size) > limit) return ReadResult::TooLarge;
    const size_t expected = S_ISREG(st.st_mode) ? size_t(st.st_size) : size_t(1) << 20;
    return ReadAll(in.fd, limit, expected, bytes, reason);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::FILE* CreateFileBeside(const std::string& target, std::string& name, std::string& reason) {
    name = target + ".kavoxm-XXXXXX";
    const int fd = ::mkstemp(name.data());
    std::FILE* file = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (file == nullptr) {
        reason = std::strerror(errno);
        if (fd >= 0) {
            ::close(fd);
            ::unlink(name.c_str());
        }
        return nullptr;
    }
    ::fchmod(fd, NewFileMode());
    return file;
}

bool SyncToDisk(std::FILE* file) {
    return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
}

void RemoveFile(const std::string& path) {
    ::unlink(path.c_str());
}

PublishResult PublishFile(const std::string& finished, const std::string& target, bool replace,
                          std::string& reason) {
    if (replace) {
        if (::rename(finished.c_str(), target.c_str()) == 0) return PublishResult::Published;
    } else if (::link(finished.c_str(), target.c_str()) == 0) {
        ::unlink(finished.c_str());
        return PublishResult::Published;
    } else if (errno == EEXIST) {
        return PublishResult::Exists;
    } else {
        // A file system without hard links: take the name unless it appeared meanwhile.
        struct stat st {};
        if (::stat(target.c_str(), &st) != 0 && ::rename(finished.c_str(), target.c_str()) == 0)
            return PublishResult::Published;
    }
    reason = std::strerror(errno);
    return PublishResult::Failed;
}
