// The nine instruments of the song: waveforms from Synth.cpp, shaped by envelopes.
#include "Instruments.h"

#include "Synth.h"

namespace sombrevallis {
namespace {

InstrumentDef Looped(std::string name, std::vector<int8_t> cycle, int volume) {
    InstrumentDef def;
    def.name = std::move(name);
    def.loop = true;
    def.loopStart = 0;
    def.loopLength = int(cycle.size());
    def.data = std::move(cycle);
    def.volume = volume;
    def.relativeNote = 12; // one 64-frame cycle: the note names its own pitch
    return def;
}

InstrumentDef OneShot(std::string name, std::vector<int8_t> data, int volume) {
    InstrumentDef def;
    def.name = std::move(name);
    def.data = std::move(data);
    def.volume = volume;
    return def;
}

EnvelopeDef Envelope(std::vector<std::pair<int, int>> points) {
    EnvelopeDef env;
    env.enabled = true;
    env.points = std::move(points);
    return env;
}

EnvelopeDef Sustained(std::vector<std::pair<int, int>> points, int sustainPoint) {
    EnvelopeDef env = Envelope(std::move(points));
    env.sustain = true;
    env.sustainPoint = sustainPoint;
    return env;
}

} // namespace

std::vector<InstrumentDef> MakeInstruments() {
    std::vector<InstrumentDef> all;

    InstrumentDef bass = Looped("Valley floor bass", BassCycle(), 52);
    bass.volumeEnvelope = Sustained({{0, 64}, {6, 44}, {24, 36}, {60, 0}}, 2);
    bass.fadeOut = 1024;
    all.push_back(bass);

    InstrumentDef pad = Looped("Mist pad", PadCycle(), 40);
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

    InstrumentDef lead = Looped("Lantern lead", LeadCycle(), 44);
    lead.volumeEnvelope = Sustained({{0, 0}, {2, 64}, {10, 50}, {40, 44}, {90, 0}}, 3);
    lead.fadeOut = 700;
    lead.vibratoType = 0;
    lead.vibratoSweep = 40;
    lead.vibratoDepth = 4;
    lead.vibratoRate = 10;
    all.push_back(lead);

    InstrumentDef kick = OneShot("Stone kick", Kick(), 60);
    all.push_back(kick);

    InstrumentDef snare = OneShot("Dry branch snare", Snare(), 44);
    all.push_back(snare);

    InstrumentDef hat = OneShot("Rain hat", Hat(), 34);
    hat.panning = 150;
    all.push_back(hat);

    InstrumentDef bell = Looped("Far bell", BellCycle(), 36);
    bell.volumeEnvelope = Envelope({{0, 64}, {4, 40}, {16, 20}, {48, 6}, {96, 0}});
    bell.fadeOut = 2048;
    all.push_back(bell);

    InstrumentDef strings = Looped("Dusk strings", StringCycle(), 34);
    strings.volumeEnvelope = Sustained({{0, 0}, {16, 52}, {40, 46}, {100, 0}}, 2);
    strings.fadeOut = 400;
    strings.vibratoType = 0;
    strings.vibratoSweep = 60;
    strings.vibratoDepth = 3;
    strings.vibratoRate = 6;
    all.push_back(strings);

    InstrumentDef drone = Looped("Deep drone", DroneCycle(), 48);
    drone.volumeEnvelope = Sustained({{0, 0}, {48, 56}, {200, 0}}, 1);
    drone.fadeOut = 160;
    all.push_back(drone);

    return all;
}

} // namespace sombrevallis
