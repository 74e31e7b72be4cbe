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
// binary writing, with its name in `name`. nullptr with `reason` on failure.
std::FILE* CreateFileBeside(const std::string& target, std::string& name, std::string& reason);

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
