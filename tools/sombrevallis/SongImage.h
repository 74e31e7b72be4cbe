#pragma once
#include "Score.h"

#include <cstdint>
#include <vector>

namespace sombrevallis {

// The XM image of the score: version 0x0104 with a 276-byte header, 16 channels, one 8-bit
// mono sample per instrument behind a 263-byte instrument header, the order list 0..12, the
// message in a "text" chunk and a trailer that is not a chunk.
std::vector<uint8_t> SongImage(const Score& score);

// The image of the song as composed: what tools write to Ostrel/Sombrevallis.xm.
std::vector<uint8_t> SombrevallisImage();

} // namespace sombrevallis
