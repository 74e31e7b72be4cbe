#include "SongImage.h"

#include "xmbuilder/XMBuilder.h"

namespace sombrevallis {
namespace {

xmbuilder::XMEnvelope ToEnvelope(const EnvelopeDef& def) {
    xmbuilder::XMEnvelope env;
    for (const auto& [x, y] : def.points) env.Points.emplace_back(uint16_t(x), uint16_t(y));
    env.Sustain = uint8_t(def.sustainPoint);
    env.LoopStart = uint8_t(def.loopStart);
    env.LoopEnd = uint8_t(def.loopEnd);
    env.Type = uint8_t((def.enabled ? 1 : 0) | (def.sustain ? 2 : 0) | (def.loop ? 4 : 0));
    return env;
}

xmbuilder::XMInstrument ToInstrument(const InstrumentDef& def) {
    xmbuilder::XMInstrument instrument;
    instrument.Name = def.name;
    instrument.HeaderSize = 263;
    instrument.SampleMap.fill(0);
    instrument.VolumeEnvelope = ToEnvelope(def.volumeEnvelope);
    instrument.PanningEnvelope = ToEnvelope(def.panningEnvelope);
    instrument.VibratoType = uint8_t(def.vibratoType);
    instrument.VibratoSweep = uint8_t(def.vibratoSweep);
    instrument.VibratoDepth = uint8_t(def.vibratoDepth);
    instrument.VibratoRate = uint8_t(def.vibratoRate);
    instrument.FadeOut = uint16_t(def.fadeOut);
    xmbuilder::XMSample sample;
    sample.Name = def.name;
    sample.Left.assign(def.data.begin(), def.data.end());
    sample.LoopType = def.loop ? 1 : 0;
    sample.LoopStartFrames = uint32_t(def.loopStart);
    sample.LoopLengthFrames = uint32_t(def.loopLength);
    sample.Volume = uint8_t(def.volume);
    sample.FineTune = int8_t(def.fineTune);
    sample.Panning = uint8_t(def.panning);
    sample.RelativeNote = int8_t(def.relativeNote);
    instrument.Samples.push_back(std::move(sample));
    return instrument;
}

xmbuilder::XMPattern ToPattern(const Pattern& pattern) {
    xmbuilder::XMPattern out;
    out.Rows = Rows;
    for (int r = 0; r < Rows; ++r) {
        for (int k = 0; k < Channels; ++k) {
            const Cell& c = pattern[size_t(r)][size_t(k)];
            if (c.note == 0 && c.instrument == 0 && c.volume == 0 && c.effect == 0 &&
                c.parameter == 0)
                continue;
            out.Put(r, k, {c.note, c.instrument, c.volume, c.effect, c.parameter});
        }
    }
    return out;
}

} // namespace

std::vector<uint8_t> SongImage(const Score& score) {
    xmbuilder::XMSong song;
    song.Name = score.title;
    song.TrackerName = "KavoXM composer";
    song.Version = 0x0104;
    song.HeaderSize = 276;
    song.SongLength = uint16_t(score.patterns.size());
    song.RestartPosition = 0;
    song.Channels = Channels;
    song.Flags = 1;
    song.Speed = uint16_t(score.speed);
    song.Tempo = uint16_t(score.tempo);
    for (size_t i = 0; i < score.patterns.size(); ++i) song.Orders[i] = uint8_t(i);
    for (const Pattern& pattern : score.patterns) song.Patterns.push_back(ToPattern(pattern));
    for (const InstrumentDef& def : score.instruments)
        song.Instruments.push_back(ToInstrument(def));
    song.Chunks.push_back({"text", {score.message.begin(), score.message.end()}, {}});
    // Not a chunk: readers stop after the message.
    const std::string trailer = "Quennorabeth, winter 2026.";
    song.Trailer.assign(trailer.begin(), trailer.end());
    return xmbuilder::BuildXM(song);
}

std::vector<uint8_t> SombrevallisImage() {
    return SongImage(ComposeSombrevallis());
}

} // namespace sombrevallis
