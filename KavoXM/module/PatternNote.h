#pragma once
#include <cstdint>

// One pattern cell. All fields zero is the empty note.
struct TKavoXMPatternNote {
    int32_t Note = 0;            // 0 none, 1..96 notes, 97 key off
    int32_t Instrument = 0;      // 0 none, 1..255
    int32_t Volume = 0;          // volume-column byte, XM encoding
    int32_t Effect = 0;          // effect number, 0..255 as stored
    int32_t EffectParameter = 0; // 0..255

    bool operator==(const TKavoXMPatternNote&) const = default;

    static constexpr int32_t KeyOff = 97; // the Note of a key-off cell
};
static_assert(sizeof(TKavoXMPatternNote) == 20);
