#pragma once
#include <cstdint>

// Conversion of the 32-bit mix (16-bit scale x 4096) to the device's PCM formats.

// One mix value to a 16-bit sample: divided by 4096 truncating toward zero, then saturated
// (clip) or reduced to its low 16 bits (wrap).
int16_t MixTo16(int32_t mix, bool clip);
// One 16-bit sample to unsigned 8-bit: the high byte of the value offset by 32768.
uint8_t Pcm16To8(int16_t sample);

// count mix values to little-endian 16-bit samples written from the start of out.
void ConvertMixTo16(const int32_t* mix, int32_t count, bool clip, uint8_t* out);
// count little-endian 16-bit samples at the start of data to 8 bits, in place, front to back.
void Convert16To8InPlace(uint8_t* data, int32_t count);
