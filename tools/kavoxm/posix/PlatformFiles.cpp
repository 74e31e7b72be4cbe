#include "PlatformFiles.h"

#include "OutputCheck.h"
#include "Signals.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
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

// Reads to the end, stopping one byte past the limit. Room for `expected` bytes (a regular
// file's size) and one more is taken at once, so that a file is read in one piece without a
// larger copy; the end is found with a small read on the side. Past the room (a pipe, a file
// that grew) the vector grows as vectors do.
ReadResult ReadAll(int fd, uint64_t limit, size_t expected, std::vector<uint8_t>& bytes,
                   std::string& reason) {
    bytes.clear();
    bytes.reserve(expected + 1);
    uint8_t probe[4096];
    for (;;) {
        if (bytes.size() > limit) return ReadResult::TooLarge;
        const size_t before = bytes.size();
        // Pieces of at most 1 MiB past the expected size: the room a vector doubled into is
        // not touched (zeroed) ahead of the data.
        const size_t room =
            std::min(bytes.capacity() - before, std::max(expected + 1, size_t(1) << 20));
        if (room > 0) bytes.resize(before + room);
        const ssize_t n =
            room > 0 ? ::read(fd, bytes.data() + before, room) : ::read(fd, probe, sizeof probe);
        if (room > 0) bytes.resize(before + size_t(n > 0 ? n : 0));
        if (n < 0) {
            if (errno == EINTR && StopSignal() == 0) continue;
            reason = std::strerror(errno);
            return ReadResult::Failed;
        }
        if (n == 0) return ReadResult::Done;
        if (room == 0) bytes.insert(bytes.end(), probe, probe + n);
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
    name = TemporaryPrefix(target, "/") + "XXXXXX";
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

void HoldStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // Opened the wrong way round: reading standard input or writing the others fails.
        const int held = ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
        if (held >= 0 && held != fd) {
            ::dup2(held, fd);
            ::close(held);
        }
    }
}

namespace {

// The descriptor that /dev/stdout, /dev/stderr, /dev/fd/N or /proc/self/fd/N stands for, or -1.
int DescriptorNamed(const std::string& path) {
    if (path == "/dev/stdout") return STDOUT_FILENO;
    if (path == "/dev/stderr") return STDERR_FILENO;
    for (const std::string prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        if (path.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string digits = path.substr(prefix.size());
        if (digits.empty() || digits.size() > 6 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return -1;
        return std::stoi(digits);
    }
    return -1;
}

std::string WhatItIs(mode_t mode) {
    if (S_ISDIR(mode)) return "is a directory";
    if (S_ISSOCK(mode)) return "is a socket";
    if (S_ISBLK(mode)) return "is a block device";
    return "is not a regular file";
}

// The file at the end of a chain of symbolic links, or `path` itself.
std::string LinkedFile(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string file = resolved;
    std::free(resolved);
    return file;
}

} // namespace

OutputTarget ExamineOutput(const std::string& path) {
    OutputTarget target;
    target.File = path;
    struct stat st {};
    if (DescriptorNamed(path) >= 0) {
        target.Kind = TargetKind::Stream;
    } else if (::stat(path.c_str(), &st) != 0) {
        // Nothing there, or a symbolic link to nothing, which is not written through.
        if (::lstat(path.c_str(), &st) == 0) {
            target.Kind = TargetKind::Refused;
            target.Reason = "is a symbolic link to a missing file";
        }
    } else if (S_ISREG(st.st_mode)) {
        target.Kind = TargetKind::File;
        target.File = LinkedFile(path);
    } else if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
        target.Kind = TargetKind::Stream;
    } else {
        target.Kind = TargetKind::Refused;
        target.Reason = WhatItIs(st.st_mode);
    }
    return target;
}

std::FILE* OpenStream(const std::string& path, bool& rewritable, std::string& reason) {
    const int named = DescriptorNamed(path);
    // An open descriptor is shared, with its position: output appended to stays appended to.
    const int fd = named >= 0 ? ::fcntl(named, F_DUPFD_CLOEXEC, 3)
                              : ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    std::FILE* file = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (file == nullptr) {
        reason = std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return nullptr;
    }
    struct stat st {};
    const int flags = ::fcntl(fd, F_GETFL);
    rewritable =
        ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flags >= 0 && (flags & O_APPEND) == 0;
    return file;
}
