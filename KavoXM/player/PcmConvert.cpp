#include "KavoXM/player/PcmConvert.h"

int16_t MixTo16(int32_t mix, bool clip) {
    const int32_t v = mix / 4096;
    if (clip) {
        if (v > 32767) return 32767;
        if (v < -32768) return -32768;
        return int16_t(v);
    }
    return int16_t(uint16_t(uint32_t(v)));
}

uint8_t Pcm16To8(int16_t sample) {
    return uint8_t((int32_t(sample) + 32768) / 256);
}

void ConvertMixTo16(const int32_t* mix, int32_t count, bool clip, uint8_t* out) {
    for (int32_t i = 0; i < count; ++i) {
        const uint16_t bits = uint16_t(MixTo16(mix[i], clip));
        out[2 * i] = uint8_t(bits & 0xFF);
        out[2 * i + 1] = uint8_t(bits >> 8);
    }
}

void Convert16To8InPlace(uint8_t* data, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const uint16_t bits = uint16_t(data[2 * i] | (data[2 * i + 1] << 8));
        data[i] = Pcm16To8(int16_t(bits));
    }
}
