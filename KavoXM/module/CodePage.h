#pragma once
// The code page of the names and the message in a song file. XM files declare none: FastTracker 2
// is a DOS program and writes code page 437, as MilkyTracker and most other trackers do;
// ModPlug Tracker and OpenMPT write Windows-1252 and say so in the tracker name.
#include <cstdint>
#include <string_view>

enum class TKavoXMCodePage : uint8_t { Dos437, Windows1252 };

// Windows-1252 when the tracker name contains "OpenMPT" or "ModPlug" (any case), else code
// page 437.
TKavoXMCodePage CodePageOfTracker(std::string_view trackerName);

// The Unicode code point of byte 0x80..0xFF in `page`; 0 for a byte the page leaves undefined
// (five bytes of Windows-1252) and for a byte below 0x80 (ASCII: the byte itself).
uint32_t HighCodePoint(TKavoXMCodePage page, uint8_t byte);
