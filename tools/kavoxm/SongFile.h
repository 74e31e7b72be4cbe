#pragma once
// Reading a song file for the kavoxm commands: a regular file, a pipe, or "-" for standard
// input, bounded in size; and loading it with the loader's reason when it is refused.
#include <cstdint>
#include <string>
#include <vector>

#include "KavoXM/module/Module.h"

struct TKavoXMLoadInfo;

// Largest song file read: 512 MiB. Real XM files stay far below (the largest known are a few
// hundred megabytes of sample data); anything longer is not read to the end.
constexpr uint64_t MaxSongFileBytes = uint64_t(512) << 20;

// Reads a whole file ("-": standard input). Directories, devices and other files that are
// neither regular files nor pipes are refused, and so is anything longer than
// MaxSongFileBytes. On failure returns false with `error` set to "cannot read FILE: reason".
bool ReadSongFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Loads an image read by ReadSongFile into `module`, filling `info` when given; `parts`
// leaves out the sample values of a song that is only looked at. On failure returns false with
// `error` set to "cannot load FILE: reason".
bool LoadSongImage(const std::string& path, const std::vector<uint8_t>& bytes,
                   TKavoXMModule& module, TKavoXMLoadInfo* info, std::string& error,
                   TKavoXMLoadParts parts = TKavoXMLoadParts::Everything);

// ReadSongFile followed by LoadSongImage.
bool LoadSongFile(const std::string& path, TKavoXMModule& module, std::string& error,
                  TKavoXMLoadParts parts = TKavoXMLoadParts::Everything);

// The name a file is shown under in messages ("standard input" for "-").
std::string DisplayName(const std::string& path);
