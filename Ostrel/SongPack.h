#pragma once
// A small LZ77 packing for songs carried inside programs (Ostrel's own, and the players of
// `kavoxm exe`): XM images hold long runs of empty pattern cells and repeated sample data,
// which pack to a third or less, and the unpacker is a few dozen instructions.
//
// Packed form: the unpacked length (4 bytes, little-endian), then sequences of a token byte
// (high four bits: literal count, low four bits: match length - 3; 15 in either continues in
// bytes of 255 and a final smaller one), the literals, and, unless the sequence ends the data,
// the match distance back in the output (2 bytes, little-endian, 1..65535).
#include <cstddef>
#include <cstdint>
#include <vector>

// The packed form of `size` bytes.
std::vector<uint8_t> PackSong(const uint8_t* data, size_t size);
// Unpacks `size` packed bytes into `out`; false (and `out` empty) when they are not a valid
// packed form or unpack to more than `limit` bytes.
bool UnpackSong(const uint8_t* packed, size_t size, std::vector<uint8_t>& out,
                size_t limit = size_t(512) << 20);
