#pragma once
// The header of a WAV file. Sizes in a RIFF header are 32-bit; data past that is declared in
// the RF64 form (EBU Tech 3306): "RF64" in place of "RIFF", the 32-bit sizes set to 0xFFFFFFFF
// and the true 64-bit sizes in a "ds64" chunk after "WAVE". A header with `Room` holds a
// placeholder "JUNK" chunk of the ds64 chunk's size in that place, so that the same file can
// still become RF64 once its length is known.
#include "KavoXM/player/PostMix.h"

#include <cstddef>
#include <cstdint>

struct WavLayout {
    int32_t Rate = 44100;
    int32_t Channels = 2;
    SampleFormat Format = SampleFormat::S16;
    bool Room = false; // reserve the ds64 chunk's place
};

// The most data a RIFF header can declare: its size field counts the rest of the header, the
// data and a pad byte after odd data.
constexpr uint64_t RiffDataLimit = 0xFFFFFFFFu - 128;

// Bytes of the header before the first data byte.
size_t WavHeaderBytes(const WavLayout& layout);

// Writes the header for `dataBytes` bytes of data to `out` (WavHeaderBytes long): RIFF, or RF64
// when `rf64` (which needs `layout.Room`). Odd data is followed by a pad byte in the file, which
// the sizes of RIFF and RF64 count.
void BuildWavHeader(const WavLayout& layout, uint64_t dataBytes, bool rf64, uint8_t* out);
