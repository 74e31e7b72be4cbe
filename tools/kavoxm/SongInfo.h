#pragma once
// The facts `kavoxm info` prints about a loaded song, as text or as one JSON object.
#include <cstdint>
#include <string>
#include <vector>

class TKavoXMModule;
struct TKavoXMLoadInfo;

std::string SongInfoText(const TKavoXMModule& module, const TKavoXMLoadInfo& info);
std::string SongInfoJson(const TKavoXMModule& module, const TKavoXMLoadInfo& info);
// The tracker name in an XM image's header (trailing spaces and zeros removed), or empty.
std::string TrackerName(const std::vector<uint8_t>& image);
// A JSON string literal of raw bytes; bytes of 0x80 and above are written as \u00XX.
std::string JsonString(const std::string& bytes);
