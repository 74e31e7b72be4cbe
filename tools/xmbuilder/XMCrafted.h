#pragma once
// Hostile XM images for allocation tests: small files whose headers ask a loader to decode the
// same bytes many times or to store far more than the file holds. Each takes a size so tests
// can build small copies and the xmcraft tool large ones.
#include <cstdint>
#include <string>
#include <vector>

namespace xmbuilder {

struct XMCraftedImage {
    std::string Name; // short, usable as a file name
    std::vector<uint8_t> Image;
};

// 255 instruments, all at one offset, whose negative header size points back at one sample
// header with `sampleBytes` bytes of data, so that every instrument ends where it started.
std::vector<uint8_t> CraftRewindingInstruments(int32_t sampleBytes);
// Old layout of the same: instruments before the patterns; every instrument's negative header
// size points back at the same sample header.
std::vector<uint8_t> CraftRewindingOldInstruments(int32_t sampleBytes);
// 256 patterns of 256 rows and 255 channels with 1 byte of packed data each, followed by
// `trailerBytes` bytes of full cells that a loader could take for the patterns' cells.
std::vector<uint8_t> CraftOverlappingPatterns(int32_t trailerBytes);
// Patterns whose packed data is `bytesPerPattern` one-byte empty cells: the most cells per
// byte of file.
std::vector<uint8_t> CraftDensePatterns(int32_t patterns, uint16_t bytesPerPattern);
// One instrument with one 8-bit sample of `frames` frames stored as 4-bit compressed data:
// two frames per byte.
std::vector<uint8_t> CraftCompressedSample(int32_t frames);
// 255 instruments with 256 sample headers each, every sample one byte long.
std::vector<uint8_t> CraftManySamples();
// Every opaque extension chunk (EQFX, FX00..FX99, MODU) with a one-byte body, and a song
// message of `messageBytes` carriage returns.
std::vector<uint8_t> CraftChunks(int32_t messageBytes);

// All of the above at the given scale (1: test sizes of a few kilobytes; larger values give
// proportionally larger images, up to some megabytes).
std::vector<XMCraftedImage> CraftedImages(int32_t scale);

} // namespace xmbuilder
