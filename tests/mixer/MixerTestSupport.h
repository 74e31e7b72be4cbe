#pragma once
// Small voices on hand-made samples for the mixer tests, without a player or a device.
#include "KavoXM/mixer/CubicSpline.h"
#include "KavoXM/mixer/VoiceMixer.h"
#include "KavoXM/module/Module.h"
#include "KavoXM/module/Sample.h"
#include "KavoXM/sequencer/Channel.h"
#include <cstdint>
#include <memory>
#include <vector>

namespace mixertest {

constexpr int64_t Frame = int64_t(1) << 32;

// Position or increment of `frames` sample frames in 32.32 (exact for multiples of 1/2^32).
constexpr int64_t Frames(double frames) {
    return int64_t(frames * double(Frame));
}

struct LoopSpec {
    bool enabled = false;
    bool pingPong = false;
    int32_t start = 0;
    int32_t length = 0;
};

// A prepared sample holding `values` (interleaved when stereo).
inline std::unique_ptr<TKavoXMSample> MakeSample(const std::vector<int32_t>& values,
                                                 int32_t channels = 1, LoopSpec loop = {}) {
    auto sample = std::make_unique<TKavoXMSample>();
    sample->Channels = channels;
    sample->Length = int32_t(values.size()) / channels;
    sample->LoopEnabled = loop.enabled;
    sample->PingPongLoop = loop.pingPong;
    sample->LoopStart = loop.start;
    sample->LoopLength = loop.length;
    sample->AllocateData(int64_t(values.size()));
    for (size_t i = 0; i < values.size(); ++i) sample->Data[i] = values[i];
    sample->PrepareData();
    return sample;
}

// A sample of `frames` frames whose value at frame f is f x 100 (mono).
inline std::unique_ptr<TKavoXMSample> RampSample(int32_t frames, LoopSpec loop = {}) {
    std::vector<int32_t> values(size_t(frames), 0);
    for (int32_t f = 0; f < frames; ++f) values[size_t(f)] = f * 100;
    return MakeSample(values, 1, loop);
}

// An active voice on `sample` at steady full volume, centre.
inline std::unique_ptr<TKavoXMChannel> MakeVoice(const TKavoXMSample& sample, int64_t position,
                                                 int64_t increment,
                                                 TKavoXMModule* module = nullptr) {
    auto voice = std::make_unique<TKavoXMChannel>(module, 0, false, false);
    voice->Active = true;
    voice->Sample = &sample;
    voice->SamplePosition = position;
    voice->Increment = increment;
    voice->Step = increment;
    voice->TargetVolumeLeft = voice->TargetVolumeRight = 4096;
    voice->RampVolumeLeft = voice->RampVolumeRight = 4096 * 4096;
    voice->RampTargetLeft = voice->RampTargetRight = 4096 * 4096;
    return voice;
}

// A stereo mixing buffer with its target, as Render hands it to the voice mixer.
struct MixFixture {
    TKavoXMCubicSpline spline;
    TKavoXMModule module{nullptr};
    std::vector<int32_t> buffer;
    TKavoXMMixTarget target;

    explicit MixFixture(int32_t frames, int32_t channels = 2, int32_t mode = 2)
        : buffer(size_t(frames * channels), 0) {
        target.MixPos = buffer.data();
        target.Channels = channels;
        target.Mode = mode;
        target.Table = spline.Coefficients.data();
        target.Module = &module;
    }
};

} // namespace mixertest
