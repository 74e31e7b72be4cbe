#pragma once
// Small helpers to write pattern cells: notes by name, rows of tokens, effects.
#include "Score.h"

#include <string_view>

namespace sombrevallis {

constexpr uint8_t KeyOffNote = 97;

// Effect numbers of the XM format.
enum Effect : uint8_t {
    Arpeggio = 0x0,
    TonePorta = 0x3,
    Vibrato = 0x4,
    Tremolo = 0x7,
    SetPan = 0x8,
    VolSlide = 0xA,
    SetVol = 0xC,
    Extended = 0xE,
    SetSpeed = 0xF,
    GlobalVol = 0x10,
    GlobalVolSlide = 0x11,
    PanSlide = 0x19,
    MultiRetrig = 0x1B,
};

// "D5" -> XM note number (C-0 = 1); "C#4", "A#1" with sharps. Throws on bad text.
uint8_t NoteNumber(std::string_view name);

// Overall mix level applied to every volume written in the score, out of 64.
constexpr int MixLevel = 32;

// Volume-column values.
constexpr uint8_t SetVolume(int v) {
    return uint8_t(0x10 + v * MixLevel / 64);
}
constexpr uint8_t VibratoDepthColumn(int d) {
    return uint8_t(0xB0 + d);
}
constexpr uint8_t PanColumn(int p) {
    return uint8_t(0xC0 + p);
}
constexpr uint8_t PortaColumn(int s) {
    return uint8_t(0xF0 + s);
}

class Writer {
  public:
    explicit Writer(Pattern& pattern) : P(pattern) {}

    Cell& At(int row, int channel) { return P[size_t(row)][size_t(channel)]; }
    void Note(int row, int channel, uint8_t note, uint8_t instrument, uint8_t volume = 0);
    void Fx(int row, int channel, uint8_t effect, uint8_t parameter);
    void Vol(int row, int channel, uint8_t volume) { At(row, channel).volume = volume; }
    // Whitespace-separated tokens from `row` on, one per row: "." empty, "==" key off, a note
    // name. Notes get `instrument` and `volume`.
    void Line(int channel, int row, std::string_view tokens, uint8_t instrument,
              uint8_t volume = 0);

  private:
    Pattern& P;
};

} // namespace sombrevallis
