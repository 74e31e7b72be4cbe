#include "PlatformFiles.h"

#include "OutputCheck.h"
#include "StopWhileWaiting.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <new>
#include <windows.h>

namespace {

constexpr size_t Piece = size_t(1) << 20; // read at a time from a pipe

// Names come from the command line in the system's code page.
std::wstring Wide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

std::string ErrorText(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 ? std::string(text, length) : std::string();
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message.empty() ? "system error " + std::to_string(error) : message;
}

// Closes a handle it opened (never standard input).
struct Handle {
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool owned = false;
    ~Handle() {
        if (owned && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

// Any file or folder, opened only to be looked at.
HANDLE OpenToInspect(const std::string& path, DWORD access) {
    return CreateFileW(Wide(path).c_str(), access,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Only what has an end and does not change under us: a regular file or a pipe.
bool Readable(HANDLE in, bool& regular, std::string& reason) {
    const DWORD type = GetFileType(in);
    BY_HANDLE_FILE_INFORMATION info{};
    regular = false;
    if (type == FILE_TYPE_PIPE) return true;
    if (type == FILE_TYPE_DISK && GetFileInformationByHandle(in, &info) != 0) {
        regular = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        if (regular) return true;
        reason = "is a directory";
    } else if (type == FILE_TYPE_CHAR) {
        reason = "is a device, not a file";
    } else {
        reason = "not a regular file or pipe";
    }
    return false;
}

// Reads to the end in pieces, stopping one byte past the limit. A pipe whose writer has
// closed it has ended. The first piece is one byte more than `expected` (a regular file's size),
// and room for it and a following piece is taken at once: a vector doubling its way up to
// hundreds of MiB may not find the room in 32 bits.
ReadResult ReadAll(HANDLE in, uint64_t limit, size_t expected, std::vector<uint8_t>& bytes,
                   std::string& reason) try {
    DWORD piece = DWORD(expected) + 1;
    bytes.clear();
    bytes.reserve(size_t(piece) + Piece);
    for (;;) {
        if (bytes.size() > limit) return ReadResult::TooLarge;
        const size_t before = bytes.size();
        bytes.resize(before + piece);
        DWORD n = 0;
        const bool ok = ReadFile(in, bytes.data() + before, piece, &n, nullptr) != 0;
        bytes.resize(before + n);
        if (!ok) {
            const DWORD error = GetLastError();
            if (error == ERROR_BROKEN_PIPE) return ReadResult::Done;
            reason = ErrorText(error);
            return ReadResult::Failed;
        }
        // After a short read the end is near: look for it with a small piece.
        piece = n == piece ? DWORD(Piece) : 4096;
        if (n == 0) return ReadResult::Done;
    }
} catch (const std::bad_alloc&) {
    bytes = {};
    reason = "not enough memory to read it";
    return ReadResult::Failed;
}

} // namespace

ReadResult ReadWholeInput(const std::string& path, uint64_t limit, std::vector<uint8_t>& bytes,
                          std::string& reason) {
    Handle in;
    if (path == "-") {
        in.handle = GetStdHandle(STD_INPUT_HANDLE);
    } else {
        in.handle = OpenToInspect(path, GENERIC_READ);
        in.owned = true;
    }
    if (in.handle == INVALID_HANDLE_VALUE || in.handle == nullptr) {
        reason = ErrorText(path == "-" ? ERROR_INVALID_HANDLE : GetLastError());
        return ReadResult::Failed;
    }
    bool regular = false;
    if (!Readable(in.handle, regular, reason)) return ReadResult::Failed;
    LARGE_INTEGER size{};
    if (regular && GetFileSizeEx(in.handle, &size) != 0 && uint64_t(size.QuadPart) > limit)
        return ReadResult::TooLarge;
    if (regular) return ReadAll(in.handle, limit, size_t(size.QuadPart), bytes, reason);
    const StopWhileWaiting stoppable; // a pipe may never end
    return ReadAll(in.handle, limit, Piece, bytes, reason);
}

bool SameFile(const std::string& a, const std::string& b) {
    Handle first{OpenToInspect(a, 0), true};
    Handle second{OpenToInspect(b, 0), true};
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    return first.handle != INVALID_HANDLE_VALUE && second.handle != INVALID_HANDLE_VALUE &&
           GetFileInformationByHandle(first.handle, &x) != 0 &&
           GetFileInformationByHandle(second.handle, &y) != 0 &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

bool PathExists(const std::string& path) {
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::FILE* CreateFileBeside(const std::string& target, std::string& name, std::string& reason) {
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    uint32_t seed = uint32_t(now.QuadPart) ^ (GetCurrentProcessId() << 16);
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
        name = TemporaryPrefix(target, "/\\:");
        for (int i = 0; i < 6; ++i) {
            seed = seed * 1664525u + 1013904223u;
            name += Letters[(seed >> 24) % (sizeof Letters - 1)];
        }
        const HANDLE handle = CreateFileW(Wide(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            error = GetLastError();
            continue;
        }
        const int fd = _open_osfhandle(intptr_t(handle), _O_WRONLY | _O_BINARY);
        std::FILE* file = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
        if (file != nullptr) return file;
        if (fd >= 0)
            _close(fd);
        else
            CloseHandle(handle);
        DeleteFileW(Wide(name).c_str());
        reason = "cannot open the file for writing";
        return nullptr;
    }
    reason = ErrorText(error);
    return nullptr;
}

bool SyncToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (FlushFileBuffers(handle) != 0) return true;
    errno = EIO;
    return false;
}

void RemoveFile(const std::string& path) {
    DeleteFileW(Wide(path).c_str());
}

PublishResult PublishFile(const std::string& finished, const std::string& target, bool replace,
                          std::string& reason) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the target exists: nothing that
    // appeared meanwhile is replaced.
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (MoveFileExW(Wide(finished).c_str(), Wide(target).c_str(), flags) != 0)
        return PublishResult::Published;
    const DWORD error = GetLastError();
    if (!replace && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS))
        return PublishResult::Exists;
    reason = ErrorText(error);
    return PublishResult::Failed;
}

void HoldStandardStreams() {
    // A console program without a standard handle gets writes that fail already; no file
    // opened later takes the handle's place.
}

OutputTarget ExamineOutput(const std::string& path) {
    OutputTarget target;
    target.File = path;
    Handle existing{OpenToInspect(path, 0), true};
    if (existing.handle == INVALID_HANDLE_VALUE) return target; // nothing there
    const DWORD type = GetFileType(existing.handle);
    BY_HANDLE_FILE_INFORMATION info{};
    if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) {
        target.Kind = TargetKind::Stream;
    } else if (type == FILE_TYPE_DISK && GetFileInformationByHandle(existing.handle, &info) != 0 &&
               (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        target.Kind = TargetKind::File;
    } else {
        target.Kind = TargetKind::Refused;
        target.Reason = type == FILE_TYPE_DISK ? "is a directory" : "is not a regular file";
    }
    return target;
}

std::FILE* OpenStream(const std::string& path, bool& rewritable, std::string& reason) {
    rewritable = false;
    const HANDLE handle =
        CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        reason = ErrorText(GetLastError());
        return nullptr;
    }
    const int fd = _open_osfhandle(intptr_t(handle), _O_WRONLY | _O_BINARY);
    std::FILE* file = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
    if (file != nullptr) return file;
    if (fd >= 0)
        _close(fd);
    else
        CloseHandle(handle);
    reason = "cannot open it for writing";
    return nullptr;
}
