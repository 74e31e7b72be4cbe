#include "KavoXM/capi/Levels.h"

#include "KavoXM/capi/Handle.h"
#include "KavoXM/module/Sample.h"
#include "KavoXM/sequencer/Channel.h"

#include <algorithm>
#include <cstdlib>

namespace {

int32_t PeakOf(const TKavoXMSample& s) {
    if (s.Data == nullptr || s.Length <= 0) return 0;
    const int64_t values = int64_t(s.Length) * s.Channels;
    int32_t peak = 0;
    for (int64_t i = 0; i < values; ++i) peak = std::max(peak, std::abs(s.Data[i]));
    return peak;
}

int32_t SamplePeak(const kavoxm_module& m, const TKavoXMSample* sample) {
    const auto& peaks = m.SamplePeaks;
    const auto at = std::lower_bound(
        peaks.begin(), peaks.end(), sample,
        [](const auto& e, const TKavoXMSample* s) { return std::less<>()(e.first, s); });
    return at != peaks.end() && at->first == sample ? at->second : 0;
}

// Full scale of the mix: a 16-bit full-scale value at gain 4096.
constexpr double FullScale = 32768.0 * 4096.0;

float VoiceLevel(const kavoxm_module& m, const TKavoXMChannel& voice) {
    if (!voice.Active || voice.Sample == nullptr) return 0;
    const int64_t gain = std::max(std::abs(int64_t(voice.RampVolumeLeft)),
                                  std::abs(int64_t(voice.RampVolumeRight))) /
                         4096;
    const double level = double(SamplePeak(m, voice.Sample)) * double(gain) / FullScale;
    return float(std::min(level, 1.0));
}

} // namespace

namespace capi {

void FindSamplePeaks(kavoxm_module& m) {
    m.SamplePeaks.clear();
    for (const auto& instrument : m.Player->Module->Instruments) {
        if (!instrument) continue;
        for (const auto& sample : instrument->Samples)
            if (sample) m.SamplePeaks.emplace_back(sample.get(), PeakOf(*sample));
    }
    std::sort(m.SamplePeaks.begin(), m.SamplePeaks.end(),
              [](const auto& a, const auto& b) { return std::less<>()(a.first, b.first); });
}

void ClearLevels(kavoxm_module& m) {
    if (m.BlockPos < m.BlockEnd)
        m.Levels = m.BlockLevels;
    else
        m.Levels.fill(0);
}

void MeasureLevels(kavoxm_module& m, int32_t from, int32_t to) {
    m.BlockLevels.fill(0);
    if (to <= from) return;
    const TKavoXMModule& module = *m.Player->Module;
    const int32_t channels = std::clamp(module.ChannelCount, 0, TKavoXMModule::BankSize);
    for (int32_t i = 0; i < channels; ++i) {
        float& level = m.BlockLevels[size_t(i)];
        level = std::max(level, VoiceLevel(m, *module.PatternChannels[size_t(i)]));
    }
    for (int32_t i = 0; i < module.BackgroundInUse; ++i) {
        const TKavoXMChannel& voice = *module.BackgroundChannels[size_t(i)];
        if (voice.Index < 0 || voice.Index >= channels) continue;
        float& level = m.BlockLevels[size_t(voice.Index)];
        level = std::max(level, VoiceLevel(m, voice));
    }
    for (int32_t i = 0; i < channels; ++i)
        m.Levels[size_t(i)] = std::max(m.Levels[size_t(i)], m.BlockLevels[size_t(i)]);
}

} // namespace capi
