// Rendering into the caller's buffer: blocks of the mix, post-mixed and converted, stopping
// exactly at the song's end.
#include "KavoXM/capi/Handle.h"
#include "KavoXM/capi/Levels.h"
#include "KavoXM/capi/Live.h"
#include "KavoXM/player/MixSpan.h"
#include "KavoXM/player/PcmConvert.h"
#include "KavoXM/player/PostMix.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/GameState.h"

#include <algorithm>
#include <cstdint>

namespace {

uint32_t EndCount(const kavoxm_module& m) {
    return m.Repeat < 0 ? UINT32_MAX : uint32_t(m.Repeat) + 1u;
}

// Mixes the next block; false when the song has ended (nothing new was mixed).
bool NextBlock(kavoxm_module& m) {
    TKavoXM& player = *m.Player;
    const uint32_t endCount = EndCount(m);
    if (m.Ended && player.Module->SongEndCount >= endCount) return false;
    const int32_t from = m.BlockPhase;
    if (TKavoXMGameState* game = player.Module->Game.get())
        game->BlockOrigin = m.StreamFrame - from;
    bool ended = false;
    capi::StartMeters(m);
    const int32_t to = MixSpan(player, from, endCount, ended);
    capi::TakeMeters(m);
    m.Ended = ended;
    m.BlockPhase = ended ? to : 0;
    m.BlockPos = from;
    m.BlockEnd = to;
    const PostMix post{m.GainDb, m.Separation};
    post.Apply(player.MixBuffer.get() + ptrdiff_t(from) * m.Channels, to - from, m.Channels);
    return to > from;
}

struct ToS16 {
    bool clip;
    int16_t operator()(int32_t mix) const { return MixTo16(mix, clip); }
};
struct ToFloat {
    float operator()(int32_t mix) const { return MixToFloat(mix); }
};
struct ToMix {
    int32_t operator()(int32_t mix) const { return mix; }
};

bool ValidRender(const void* out, int32_t rate, int32_t channels, size_t frames) {
    return (out != nullptr || frames == 0) && rate >= KAVOXM_MIN_RATE && rate <= KAVOXM_MAX_RATE &&
           (channels == 1 || channels == 2) && frames <= size_t(INT64_MAX) / 2;
}

template <typename Sample, typename Convert>
int64_t RenderInto(kavoxm_module* m, int32_t rate, int32_t channels, Sample* out, size_t frames,
                   Convert convert) {
    if (m == nullptr || !ValidRender(out, rate, channels, frames))
        return KAVOXM_ERROR_INVALID_ARGUMENT;
    // The host's renders and kavoxm_play have put the player in this format already.
    if (rate != m->Rate || channels != m->Channels) capi::SetFormat(*m, rate, channels);
    m->PendingSeek = -1;
    m->CallFrame = m->StreamFrame;
    size_t done = 0;
    while (done < frames) {
        if (m->BlockPos == m->BlockEnd && !NextBlock(*m)) break;
        const size_t n = std::min(frames - done, size_t(m->BlockEnd - m->BlockPos));
        const int32_t* mix = m->Player->MixBuffer.get() + ptrdiff_t(m->BlockPos) * channels;
        Sample* to = out + done * size_t(channels);
        for (size_t i = 0; i < n * size_t(channels); ++i) to[i] = convert(mix[i]);
        m->BlockPos += int32_t(n);
        m->BlockSeconds += double(n) / rate;
        m->StreamFrame += int64_t(n);
        done += n;
    }
    return int64_t(done);
}

// The render functions: one consumer of the stream at a time, the device or the host.
template <typename Sample, typename Convert>
int64_t HostRender(kavoxm_module* m, int32_t rate, int32_t channels, Sample* out, size_t frames,
                   Convert convert) {
    if (!ValidRender(out, rate, channels, frames)) return KAVOXM_ERROR_INVALID_ARGUMENT;
    return capi::HostLocked(m, [&](kavoxm_module& h) -> int64_t {
        std::lock_guard<std::mutex> lock(h.Mutex);
        if (h.Live) return KAVOXM_ERROR_BUSY;
        capi::DropCarry(h);
        capi::PrepareFormat(h, rate, channels);
        return RenderInto(&h, rate, channels, out, frames, convert);
    });
}

} // namespace

namespace capi {

int64_t RenderS16(kavoxm_module& m, int32_t rate, int32_t channels, int16_t* out, size_t frames) {
    return RenderInto(&m, rate, channels, out, frames, ToS16{m.Player->ClipOutput});
}

void SetFormat(kavoxm_module& m, int32_t rate, int32_t channels) {
    m.BlockSeconds += double(m.BlockEnd - m.BlockPos) / m.Rate;
    ResetBlock(m, 0, m.BlockSeconds);
    m.Rate = rate;
    m.Channels = channels;
    SetPlayerFormat(*m.Player, rate, channels);
}

void PrepareFormat(kavoxm_module& m, int32_t rate, int32_t channels) {
    if (rate == m.Rate && channels == m.Channels) return;
    const double seek = m.PendingSeek;
    SetFormat(m, rate, channels);
    if (seek >= 0) SeekHeld(m, StartOrder(m), seek);
}

void SetPlayerFormat(TKavoXM& player, int32_t rate, int32_t channels) {
    player.SampleRate = rate;
    player.Channels = channels;
    player.MixBufferBytes = player.BufferFrames * 4 * channels;
    player.BufferBytes = player.BufferFrames * 2 * channels;
    TKavoXMModule& module = *player.Module;
    const int32_t oldRate = module.SampleRate;
    module.SampleRate = rate;
    module.RampLength = rate * 128 / 44100;
    module.BackgroundRampLength = rate * 128 / 44100;
    // The rest of the current tick, and the voices' steps, at the new rate.
    player.SamplesLeftInTick =
        int32_t(int64_t(player.SamplesLeftInTick) * rate / std::max(oldRate, 1));
    player.SamplesPerTick = int32_t(int64_t(player.SamplesPerTick) * rate / std::max(oldRate, 1));
    module.TickLength = player.SamplesPerTick;
    const auto restep = [](TKavoXMChannel& c) { c.UpdateIncrement(); };
    for (auto& c : module.PatternChannels) restep(*c);
    for (int32_t i = 0; i < module.BackgroundInUse; ++i)
        restep(*module.BackgroundChannels[size_t(i)]);
    if (module.Game != nullptr) module.Game->Effects.Restep();
}

void ResetBlock(kavoxm_module& m, int32_t phase, double seconds) {
    // The frames mixed ahead are dropped, and what began in them with them.
    if (TKavoXMGameState* game = m.Player->Module->Game.get()) game->Events.DropFrom(m.StreamFrame);
    m.BlockPos = m.BlockEnd = 0;
    m.BlockPhase = phase;
    m.BlockSeconds = seconds;
}

} // namespace capi

extern "C" {

int64_t kavoxm_render_s16(kavoxm_module* module, int32_t rate, int32_t channels, int16_t* out,
                          size_t frames) {
    // Only host calls change the clipping: it is read before the lock.
    if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    return HostRender(module, rate, channels, out, frames, ToS16{module->Player->ClipOutput});
}

int64_t kavoxm_render_float(kavoxm_module* module, int32_t rate, int32_t channels, float* out,
                            size_t frames) {
    return HostRender(module, rate, channels, out, frames, ToFloat{});
}

int64_t kavoxm_render_mix(kavoxm_module* module, int32_t rate, int32_t channels, int32_t* out,
                          size_t frames) {
    return HostRender(module, rate, channels, out, frames, ToMix{});
}

} // extern "C"
