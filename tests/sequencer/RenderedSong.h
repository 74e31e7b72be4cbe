#pragma once
// Songs built as XM images and rendered through the C API, measured the way a listener would
// compare players: the loudness of each row and the pitch of a long note by its zero crossings.
#include "KavoXM/capi/kavoxm.h"
#include "xmbuilder/XMBuilder.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace renderedsong {

constexpr int32_t Rate = 44100;
constexpr int32_t RowFrames = 6 * 882; // speed 6, tempo 125

// One channel, speed 6, tempo 125, 64 rows, one instrument playing `sample`.
inline xmbuilder::XMSong OneChannelSong(const xmbuilder::XMSample& sample, bool linear = true) {
    xmbuilder::XMSong song;
    song.Channels = 1;
    song.Flags = linear ? 1 : 0;
    song.Patterns.push_back({});
    xmbuilder::XMInstrument instrument;
    instrument.Samples.push_back(sample);
    song.Instruments.push_back(instrument);
    return song;
}

// One cycle of a sine over `frames` frames (8-bit values), looped forward, or played once
// `cycles` times over when `loop` is false.
inline xmbuilder::XMSample Sine(int32_t frames, bool loop = true, int32_t cycles = 1) {
    xmbuilder::XMSample s;
    for (int32_t i = 0; i < frames * cycles; ++i)
        s.Left.push_back(int32_t(std::lround(100 * std::sin(6.283185307179586 * i / frames))));
    s.LoopType = loop ? 1 : 0;
    s.LoopLengthFrames = loop ? uint32_t(frames) : 0;
    return s;
}

// The first `frames` frames of the song, mono, 16-bit; empty when it does not load.
inline std::vector<int16_t> Render(const xmbuilder::XMSong& song, int32_t frames) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(song);
    kavoxm_module* module = nullptr;
    if (kavoxm_load_memory(image.data(), image.size(), &module, nullptr) != KAVOXM_OK) return {};
    std::vector<int16_t> pcm(size_t(frames), 0);
    const int64_t got = kavoxm_render_s16(module, Rate, 1, pcm.data(), pcm.size());
    kavoxm_destroy(module);
    pcm.resize(got > 0 ? size_t(got) : 0);
    return pcm;
}

// RMS of frames [begin, end) in dB of full scale, -120 for silence.
inline double RmsDb(const std::vector<int16_t>& pcm, size_t begin, size_t end) {
    double sum = 0;
    for (size_t i = begin; i < end && i < pcm.size(); ++i) sum += double(pcm[i]) * pcm[i];
    const double rms = std::sqrt(sum / double(end > begin ? end - begin : 1)) / 32768.0;
    return rms > 1e-6 ? 20 * std::log10(rms) : -120.0;
}

inline double RowDb(const std::vector<int16_t>& pcm, int32_t row) {
    return RmsDb(pcm, size_t(row) * RowFrames, size_t(row + 1) * RowFrames);
}

// Frequency from the upward zero crossings in [begin, end), each placed between its two frames
// by linear interpolation: over seconds of a steady note this resolves a thousandth of a hertz.
inline double ZeroCrossingHz(const std::vector<int16_t>& pcm, size_t begin, size_t end) {
    double first = -1, last = -1;
    int64_t count = 0;
    for (size_t i = begin + 1; i < end && i < pcm.size(); ++i) {
        if (pcm[i - 1] >= 0 || pcm[i] < 0) continue;
        const double at = double(i - 1) + double(-pcm[i - 1]) / double(pcm[i] - pcm[i - 1]);
        if (first < 0) first = at;
        last = at;
        ++count;
    }
    return count > 1 ? double(count - 1) * Rate / (last - first) : 0.0;
}

} // namespace renderedsong
