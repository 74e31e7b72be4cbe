#pragma once
// The song "Sombrevallis" as plain data: instruments with their synthesised samples and the
// pattern cells. Writing it out as an XM image is a separate step.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sombrevallis {

constexpr int Channels = 16;
constexpr int Rows = 64;
constexpr int PatternCount = 13;

struct EnvelopeDef {
    bool enabled = false;
    bool sustain = false;
    bool loop = false;
    std::vector<std::pair<int, int>> points; // (tick, value 0..64)
    int sustainPoint = 0;
    int loopStart = 0;
    int loopEnd = 0;
};

struct InstrumentDef {
    std::string name;
    std::vector<int8_t> data; // one 8-bit mono sample
    bool loop = false;
    int loopStart = 0;
    int loopLength = 0;
    int volume = 64;
    int panning = 128;
    int relativeNote = 0;
    int fineTune = 0;
    EnvelopeDef volumeEnvelope;
    EnvelopeDef panningEnvelope;
    int fadeOut = 0;
    int vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

struct Cell {
    uint8_t note = 0, instrument = 0, volume = 0, effect = 0, parameter = 0;
};

using Pattern = std::array<std::array<Cell, Channels>, Rows>;

struct Score {
    std::string title;
    std::vector<InstrumentDef> instruments; // numbered from 1
    std::vector<Pattern> patterns;
    std::string message;
    int speed = 4;
    int tempo = 85;
};

Score ComposeSombrevallis();

} // namespace sombrevallis
