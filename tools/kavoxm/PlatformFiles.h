#pragma once
// The file operations of the kavoxm commands that each system does its own way.
// posix/PlatformFiles.cpp: file descriptors, mkstemp, link and rename; win32/PlatformFiles.cpp:
// file handles, volume serial and file index, MoveFileEx.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum class ReadResult {
    Done,     // `bytes` holds the whole input
    TooLarge, // longer than the limit: nothing more is read
    Failed    // `reason` says why
};

// Reads all of `path` ("-": standard input) into `bytes`. Only regular files and pipes are read;
// for a directory or a device `reason` is "is a directory" or "is a device, not a file".
ReadResult ReadWholeInput(const std::string& path, uint64_t limit, std::vector<uint8_t>& bytes,
                          std::string& reason);

// True when both names lead to one existing file (also through a hard link).
bool SameFile(const std::string& a, const std::string& b);

// True when something (a file, a folder...) exists under `path`.
bool PathExists(const std::string& path);

// Creates a new empty file beside `target` (same folder) under a name of its own, open for
// binary writing, with its name in `name`: the target's name with ".kavoxm-" and six
// characters, or ".kavoxm-" and six characters alone where that would not fit a file name.
// nullptr with `reason` on failure.
std::FILE* CreateFileBeside(const std::string& target, std::string& name, std::string& reason);

// The temporary name's start for CreateFileBeside: `target` and ".kavoxm-", or the target's
// folder and ".kavoxm-" when the target's own name is too long for the 14 more bytes (a file
// name has at most 255). `separators`: the characters that end a folder.
inline std::string TemporaryPrefix(const std::string& target, const char* separators) {
    constexpr size_t MaxName = 255, Added = 14; // ".kavoxm-" and six characters
    const size_t slash = target.find_last_of(separators);
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (target.size() - nameStart + Added <= MaxName) return target + ".kavoxm-";
    return target.substr(0, nameStart) + ".kavoxm-";
}

// What an output name leads to.
enum class TargetKind {
    New,    // nothing: a file is created
    File,   // a regular file, also through symbolic links: replaced only when asked to
    Stream, // a character device, a pipe, or the name of an open descriptor (/dev/stdout,
            // /dev/fd/N): written into as it is, never created, truncated or replaced
    Refused // a directory, a socket, a block device...: `Reason` says what it is
};

struct OutputTarget {
    TargetKind Kind = TargetKind::New;
    std::string File;   // the name to write: the one given, or the file its symbolic links name
    std::string Reason; // what a Refused target is ("is a directory")
};

OutputTarget ExamineOutput(const std::string& path);

// Opens a Stream target for binary writing, without creating or truncating anything.
// `rewritable`: it is a regular file (an open descriptor's name led to one) whose beginning can
// be written again. nullptr with `reason` on failure.
std::FILE* OpenStream(const std::string& path, bool& rewritable, std::string& reason);

// Flushes `file` and asks the system to put all of it on the disk.
bool SyncToDisk(std::FILE* file);

// Removes a file; quietly does nothing when it cannot.
void RemoveFile(const std::string& path);

enum class PublishResult {
    Published, // `finished` has the target's name and no other
    Exists,    // the target exists and was not to be replaced
    Failed     // `reason` says why; `finished` is still there
};

// Gives the closed file `finished` the name `target` in one step, replacing an existing target
// only when `replace`.
PublishResult PublishFile(const std::string& finished, const std::string& target, bool replace,
                          std::string& reason);
