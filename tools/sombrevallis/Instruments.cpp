// The nine instruments of the song: waveforms from Synth.cpp, shaped by envelopes.
#include "Instruments.h"

#include "Synth.h"

namespace sombrevallis {
namespace {

InstrumentSpec Looped(std::string name, std::vector<int8_t> cycle, int volume) {
    InstrumentSpec spec;
    spec.name = std::move(name);
    spec.loop = true;
    spec.loopStart = 0;
    spec.loopLength = int(cycle.size());
    spec.data = std::move(cycle);
    spec.volume = volume;
    spec.relativeNote = 12; // one 64-frame cycle: the note names its own pitch
    return spec;
}

InstrumentSpec OneShot(std::string name, std::vector<int8_t> data, int volume) {
    InstrumentSpec spec;
    spec.name = std::move(name);
    spec.data = std::move(data);
    spec.volume = volume;
    return spec;
}

EnvelopeSpec Envelope(std::vector<std::pair<int, int>> points) {
    EnvelopeSpec env;
    env.enabled = true;
    env.points = std::move(points);
    return env;
}

EnvelopeSpec Sustained(std::vector<std::pair<int, int>> points, int sustainPoint) {
    EnvelopeSpec env = Envelope(std::move(points));
    env.sustain = true;
    env.sustainPoint = sustainPoint;
    return env;
}

} // namespace

std::vector<InstrumentSpec> MakeInstruments() {
    std::vector<InstrumentSpec> all;

    InstrumentSpec bass = Looped("Valley floor bass", BassCycle(), 52);
    bass.volumeEnvelope = Sustained({{0, 64}, {6, 44}, {24, 36}, {60, 0}}, 2);
    bass.fadeOut = 1024;
    all.push_back(bass);

    InstrumentSpec pad = Looped("Mist pad", PadCycle(), 40);
    // Slow swell, then a breathing loop while the key is held.
    pad.volumeEnvelope = Envelope({{0, 0}, {24, 48}, {48, 40}, {72, 48}, {160, 0}});
    pad.volumeEnvelope.sustain = true;
    pad.volumeEnvelope.sustainPoint = 3;
    pad.volumeEnvelope.loop = true;
    pad.volumeEnvelope.loopStart = 1;
    pad.volumeEnvelope.loopEnd = 3;
    pad.panningEnvelope = Envelope({{0, 32}, {40, 20}, {80, 44}, {120, 32}});
    pad.panningEnvelope.loop = true;
    pad.panningEnvelope.loopStart = 0;
    pad.panningEnvelope.loopEnd = 3;
    pad.fadeOut = 300;
    all.push_back(pad);

    InstrumentSpec lead = Looped("Lantern lead", LeadCycle(), 44);
    lead.volumeEnvelope = Sustained({{0, 0}, {2, 64}, {10, 50}, {40, 44}, {90, 0}}, 3);
    lead.fadeOut = 700;
    lead.vibratoType = 0;
    lead.vibratoSweep = 40;
    lead.vibratoDepth = 4;
    lead.vibratoRate = 10;
    all.push_back(lead);

    InstrumentSpec kick = OneShot("Stone kick", Kick(), 60);
    all.push_back(kick);

    InstrumentSpec snare = OneShot("Dry branch snare", Snare(), 44);
    all.push_back(snare);

    InstrumentSpec hat = OneShot("Rain hat", Hat(), 34);
    hat.panning = 150;
    all.push_back(hat);

    InstrumentSpec bell = Looped("Far bell", BellCycle(), 36);
    bell.volumeEnvelope = Envelope({{0, 64}, {4, 40}, {16, 20}, {48, 6}, {96, 0}});
    bell.fadeOut = 2048;
    all.push_back(bell);

    InstrumentSpec strings = Looped("Dusk strings", StringCycle(), 34);
    strings.volumeEnvelope = Sustained({{0, 0}, {16, 52}, {40, 46}, {100, 0}}, 2);
    strings.fadeOut = 400;
    strings.vibratoType = 0;
    strings.vibratoSweep = 60;
    strings.vibratoDepth = 3;
    strings.vibratoRate = 6;
    all.push_back(strings);

    InstrumentSpec drone = Looped("Deep drone", DroneCycle(), 48);
    drone.volumeEnvelope = Sustained({{0, 0}, {48, 56}, {200, 0}}, 1);
    drone.fadeOut = 160;
    all.push_back(drone);

    return all;
}

} // namespace sombrevallis
