#pragma once
// Small songs for the tool tests, built as XM images.
#include "xmbuilder/XMBuilder.h"

#include <cstdint>
#include <vector>

namespace tooltest {

// A one-channel song of two 16-row patterns at speed 3: about 1.4 s per pass. A square wave
// at full volume on the left (panning 0) unless `panning` says otherwise.
inline std::vector<uint8_t> SmallSong(int32_t panning = 128) {
    using namespace xmbuilder;
    XMSong song;
    song.Channels = 1;
    song.Speed = 3;
    song.SongLength = 2;
    XMInstrument instrument;
    XMSample sample;
    for (int32_t f = 0; f < 32; ++f) sample.Left.push_back(f < 16 ? 100 : -100);
    sample.LoopType = 1;
    sample.LoopLengthFrames = 32;
    sample.Panning = uint8_t(panning);
    instrument.Samples.push_back(sample);
    song.Instruments.push_back(instrument);
    XMPattern pattern;
    pattern.Rows = 16;
    pattern.Put(0, 0, {49, 1, 0, 0, 0});
    song.Patterns = {pattern, pattern};
    song.Orders[1] = 1;
    return BuildXM(song);
}

} // namespace tooltest
