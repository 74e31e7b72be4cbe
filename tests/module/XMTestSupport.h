#pragma once
// Small helpers shared by the XM loader tests.
#include "KavoXM/module/Module.h"
#include "xmbuilder/XMBuilder.h"

#include <memory>
#include <vector>

namespace xmtest {

inline std::unique_ptr<TKavoXMModule> NewModule() {
    auto module = std::make_unique<TKavoXMModule>(nullptr);
    module->Clear();
    return module;
}

inline bool Load(TKavoXMModule& module, const std::vector<uint8_t>& image) {
    return module.LoadFromMemory(image.data(), int32_t(image.size()));
}

// A song with one empty 64-row pattern and no instruments.
inline xmbuilder::XMSong MinimalSong() {
    xmbuilder::XMSong song;
    song.Name = "test song";
    song.Patterns.resize(1);
    return song;
}

// A song with one instrument holding the given samples.
inline xmbuilder::XMSong SongWithSamples(std::vector<xmbuilder::XMSample> samples) {
    xmbuilder::XMSong song = MinimalSong();
    xmbuilder::XMInstrument instrument;
    instrument.Samples = std::move(samples);
    song.Instruments.push_back(instrument);
    return song;
}

inline const TKavoXMSample* SampleOf(const TKavoXMModule& module, int32_t instrument,
                                     int32_t slot) {
    const auto& ins = module.Instruments[size_t(instrument)];
    return ins ? ins->Samples[size_t(slot)].get() : nullptr;
}

// Values first .. first + count - 1 of the block (guard values included); none without data.
inline std::vector<int32_t> Values(const TKavoXMSample& sample, int32_t first, int32_t count) {
    std::vector<int32_t> values;
    if (sample.Data == nullptr) return values;
    for (int32_t i = first; i < first + count; ++i) values.push_back(sample.Data[i]);
    return values;
}

} // namespace xmtest
