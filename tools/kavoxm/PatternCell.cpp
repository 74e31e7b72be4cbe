#include "PatternCell.h"

#include <array>
#include <cstdio>

namespace {

char HexDigit(int32_t value) {
    return "0123456789ABCDEF"[value & 15];
}

std::string Hex2(int32_t value) {
    return {HexDigit(value >> 4), HexDigit(value)};
}

// Volume column: a volume 00..40, or a command letter and its nibble.
std::string VolumeText(int32_t volume) {
    if (volume >= 0x10 && volume <= 0x50) return Hex2(volume - 0x10);
    static const std::array<char, 10> commands = {'-', '+', 'D', 'U', 'S', 'V', 'P', 'L', 'R', 'M'};
    if (volume >= 0x60 && volume <= 0xFF)
        return {commands[size_t(volume >> 4) - 6], HexDigit(volume)};
    return "..";
}

// Effects 0..35 are written 0-9 and A-Z.
std::string EffectText(int32_t effect, int32_t parameter) {
    if (effect == 0 && parameter == 0) return "...";
    const char letter = effect < 10   ? char('0' + effect)
                        : effect < 36 ? char('A' + effect - 10)
                                      : '?';
    return letter + Hex2(parameter);
}

} // namespace

std::string NoteText(int32_t note) {
    if (note == 0) return "...";
    if (note == 97) return "===";
    if (note < 1 || note > 96) return "???";
    static const std::array<const char*, 12> names = {"C-", "C#", "D-", "D#", "E-", "F-",
                                                      "F#", "G-", "G#", "A-", "A#", "B-"};
    return names[size_t(note - 1) % 12] + std::string(1, char('0' + (note - 1) / 12));
}

std::string CellText(const TKavoXMPatternNote& cell) {
    return NoteText(cell.Note) + ' ' + (cell.Instrument == 0 ? ".." : Hex2(cell.Instrument)) + ' ' +
           VolumeText(cell.Volume) + ' ' + EffectText(cell.Effect, cell.EffectParameter);
}
