#pragma once
#include <cstdint>
#include <string>
#include <vector>

class TKavoXMModule;

// Reads a whole file. On failure returns false and sets `error` to "cannot read FILE: reason".
bool ReadSongFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);
// Reads and loads an XM file into `module`. On failure returns false with `error` set to
// "cannot read FILE: reason" or "cannot load FILE: not a valid XM module".
bool LoadSongFile(const std::string& path, TKavoXMModule& module, std::string& error);
