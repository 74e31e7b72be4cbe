#include "KavoXM/mixer/Meters.h"

#include "KavoXM/mixer/VoiceMixer.h"
#include "KavoXM/sequencer/Channel.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t Magnitude(int32_t after, int32_t before) {
    const auto d = int32_t(uint32_t(after) - uint32_t(before)); // the mix wraps modulo 2^32
    return d < 0 ? 0u - uint32_t(d) : uint32_t(d);
}

} // namespace

void MixChannelMetered(const TKavoXMMixTarget& target, TKavoXMChannel& voice, int32_t start,
                       int32_t count, TKavoXMMeters& meters) {
    const int32_t width = target.Channels == 1 ? 1 : 2;
    const int32_t* frames = target.MixPos + ptrdiff_t(start) * width;
    const size_t values = size_t(count) * size_t(width);
    std::memcpy(meters.Scratch.get(), frames, values * sizeof(int32_t));
    MixChannel(target, voice, start, count);
    if (voice.Index < 0 || voice.Index >= TKavoXMModule::BankSize) return;
    uint32_t peak[2] = {0, 0};
    for (size_t i = 0; i < values; ++i) {
        uint32_t& p = peak[i % size_t(width)];
        p = std::max(p, Magnitude(frames[i], meters.Scratch[i]));
    }
    if (width == 1) peak[1] = peak[0];
    uint32_t* channel = meters.Peak.data() + 2 * size_t(voice.Index);
    channel[0] = std::max(channel[0], peak[0]);
    channel[1] = std::max(channel[1], peak[1]);
}
