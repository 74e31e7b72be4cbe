#include "xmbuilder/XMSlowScan.h"

#include "xmbuilder/XMBuilder.h"

#include <algorithm>

namespace xmbuilder {

std::vector<uint8_t> CraftNestedLoops(const XMSlowScanShape& shape) {
    XMSong song;
    song.Name = "nested loops";
    song.Channels = shape.Channels;
    song.Speed = shape.Speed;
    song.Tempo = shape.Tempo;
    song.SongLength = std::clamp<uint16_t>(shape.Orders, 1, 256);
    song.Patterns.resize(1);
    XMPattern& pattern = song.Patterns[0];
    pattern.Rows = std::clamp<uint16_t>(shape.Rows, 2, 256);
    const int32_t loops = std::min<int32_t>(shape.Channels, pattern.Rows - 1);
    for (int32_t c = 0; c < loops; ++c) {
        pattern.Put(0, c, {0, 0, 0, 0xE, 0x60});
        pattern.Put(c + 1, c, {0, 0, 0, 0xE, 0x6F});
    }
    if (shape.Dense) {
        for (int32_t c = 0; c < shape.Channels; ++c)
            for (int32_t row = 0; row < pattern.Rows; ++row)
                if ((row + c) % 2 == 1 && (c >= loops || (row != 0 && row != c + 1)))
                    pattern.Put(row, c, {uint8_t(1 + (row + c) % 96), 1, 0x65, 4, 0x37});
        XMInstrument instrument;
        instrument.SampleMap.fill(0);
        instrument.VolumeEnvelope.Points = {{0, 64}, {8, 32}, {16, 48}};
        instrument.VolumeEnvelope.Type = 1;
        XMSample sample;
        sample.Left = {0, 60, 120, 60, 0, -60, -120, -60};
        sample.LoopType = 1;
        sample.LoopLengthFrames = 8;
        instrument.Samples.push_back(sample);
        song.Instruments.push_back(instrument);
    }
    return BuildXM(song);
}

std::vector<XMCraftedImage> SlowScanImages() {
    const auto shaped = [](uint16_t channels, uint16_t rows, uint16_t speed, bool dense) {
        XMSlowScanShape shape;
        shape.Channels = channels;
        shape.Rows = rows;
        shape.Speed = speed;
        shape.Dense = dense;
        return CraftNestedLoops(shape);
    };
    return {
        {"nested-loops-255", shaped(255, 64, 1, true)},
        {"nested-loops-64", shaped(64, 64, 1, true)},
        {"nested-loops-32-speed31", shaped(32, 64, 31, true)},
        {"nested-loops-sparse", shaped(255, 64, 1, false)},
    };
}

} // namespace xmbuilder
