#include "Writer.h"

#include <stdexcept>
#include <string>

namespace sombrevallis {

uint8_t NoteNumber(std::string_view name) {
    static constexpr int Semitones[7] = {9, 11, 0, 2, 4, 5, 7}; // A..G
    if (name.size() < 2 || name[0] < 'A' || name[0] > 'G')
        throw std::invalid_argument("bad note " + std::string(name));
    int semitone = Semitones[name[0] - 'A'];
    size_t i = 1;
    if (name[i] == '#') {
        ++semitone;
        ++i;
    }
    if (i + 1 != name.size() || name[i] < '0' || name[i] > '7')
        throw std::invalid_argument("bad note " + std::string(name));
    return uint8_t((name[i] - '0') * 12 + semitone + 1);
}

void Writer::Note(int row, int channel, uint8_t note, uint8_t instrument, uint8_t volume) {
    Cell& cell = At(row, channel);
    cell.note = note;
    cell.instrument = note == KeyOffNote ? 0 : instrument;
    if (volume != 0) cell.volume = volume;
}

void Writer::Fx(int row, int channel, uint8_t effect, uint8_t parameter) {
    Cell& cell = At(row, channel);
    cell.effect = effect;
    cell.parameter = parameter;
}

void Writer::Line(int channel, int row, std::string_view tokens, uint8_t instrument,
                  uint8_t volume) {
    size_t pos = 0;
    while (pos < tokens.size()) {
        while (pos < tokens.size() && tokens[pos] == ' ') ++pos;
        if (pos >= tokens.size()) break;
        size_t end = tokens.find(' ', pos);
        if (end == std::string_view::npos) end = tokens.size();
        const std::string_view token = tokens.substr(pos, end - pos);
        if (row >= Rows) throw std::out_of_range("line runs past the pattern");
        if (token == "==")
            Note(row, channel, KeyOffNote, 0);
        else if (token != ".")
            Note(row, channel, NoteNumber(token), instrument, volume);
        ++row;
        pos = end;
    }
}

} // namespace sombrevallis
