// State for displays, and the per-channel mute and volume.
#include "KavoXM/capi/Handle.h"
#include "KavoXM/capi/Levels.h"
#include "KavoXM/capi/Live.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/ClickRemoval.h"
#include "KavoXM/sequencer/GameState.h"

#include <algorithm>

namespace {

int32_t ChannelsOf(const TKavoXMModule& module) {
    return std::clamp(module.ChannelCount, 0, TKavoXMModule::BankSize);
}

int32_t RowsOf(const TKavoXMModule& module, int32_t pattern) {
    return module.Patterns[size_t(pattern & 255)] ? module.Patterns[size_t(pattern & 255)]->RowCount
                                                  : 0;
}

int32_t InstrumentNumber(const TKavoXMModule& song, const TKavoXMInstrument* instrument) {
    for (int32_t i = 1; i <= TKavoXMModule::MaxInstruments; ++i)
        if (song.Instruments[size_t(i)].get() == instrument) return i;
    return 0;
}

// Cuts the channel's voice and the background voices it left behind.
void Silence(TKavoXMModule& song, int32_t channel) {
    TKavoXMChannel& c = *song.PatternChannels[size_t(channel)];
    if (c.Active) FoldIntoClickRemoval(c);
    c.Active = false;
    for (int32_t i = 0; i < song.BackgroundInUse; ++i) {
        TKavoXMChannel& b = *song.BackgroundChannels[size_t(i)];
        if (b.Index != channel || !b.Active) continue;
        FoldIntoClickRemoval(b);
        b.Active = false;
    }
}

// The levels of what is heard: the device block playing now, else the mixing block that holds
// the last frame handed out.
const float* LevelsHeard(kavoxm_module& m) {
    return m.Live ? m.Live->HeardLevels() : m.BlockLevels.data();
}

} // namespace

namespace capi {

void MixerState(const kavoxm_module& m, kavoxm_state& out) {
    out = {};
    const TKavoXMModule& song = *m.Player->Module;
    out.channels = song.ChannelCount;
    out.order = song.PlayingOrder;
    out.pattern = song.PlayingOrder >= 0 ? song.Orders[size_t(song.PlayingOrder)] : -1;
    out.row = song.PlayingRow;
    out.rows = out.pattern >= 0 ? RowsOf(song, out.pattern) : 0;
    out.speed = song.Speed;
    out.tempo = song.Tempo;
    out.global_volume = song.GlobalVolume;
    out.pass = int32_t(song.SongEndCount);
    out.ended = m.Ended && m.BlockPos == m.BlockEnd ? 1 : 0;
    out.seconds = m.BlockSeconds;
}

} // namespace capi

extern "C" {

int kavoxm_get_state(kavoxm_module* module, kavoxm_state* out) {
    if (out == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    return capi::Locked(module, [&](kavoxm_module& m) -> int {
        if (m.Live) {
            m.Live->HeardState(*out);
        } else if (m.CarryFrames > 0) {
            *out = m.HeardState;
        } else {
            capi::MixerState(m, *out);
        }
        return KAVOXM_OK;
    });
}

int kavoxm_get_mixer_state(kavoxm_module* module, kavoxm_state* out) {
    if (out == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    return capi::Locked(module, [&](kavoxm_module& m) -> int {
        capi::MixerState(m, *out);
        return KAVOXM_OK;
    });
}

int32_t kavoxm_get_channel_states(kavoxm_module* module, kavoxm_channel_state* out, int32_t count) {
    if (module == nullptr || (out == nullptr && count > 0) || count < 0)
        return KAVOXM_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(module->Mutex);
    const float* levels = LevelsHeard(*module);
    const TKavoXMModule& song = *module->Player->Module;
    const int32_t n = std::min(count, ChannelsOf(song));
    for (int32_t i = 0; i < n; ++i) {
        const TKavoXMChannel& c = *song.PatternChannels[size_t(i)];
        kavoxm_channel_state& s = out[i];
        s = {};
        if (c.Active) {
            s.note = c.LastNote;
            s.instrument = InstrumentNumber(song, c.Instrument);
        }
        s.volume = std::clamp(c.Volume, 0, 64);
        s.panning = std::clamp(c.Panning, 0, 255);
        s.level = std::max(levels[2 * i], levels[2 * i + 1]);
    }
    return n;
}

int32_t kavoxm_get_channel_levels(kavoxm_module* module, float* left, float* right, int32_t count) {
    if (module == nullptr || ((left == nullptr || right == nullptr) && count > 0) || count < 0)
        return KAVOXM_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(module->Mutex);
    const float* levels = LevelsHeard(*module);
    const int32_t n = std::min(count, ChannelsOf(*module->Player->Module));
    for (int32_t i = 0; i < n; ++i) {
        left[i] = levels[2 * i];
        right[i] = levels[2 * i + 1];
    }
    return n;
}

int kavoxm_set_channel_mute(kavoxm_module* module, int32_t channel, int32_t mute) {
    if (module == nullptr || (mute != 0 && mute != 1)) return KAVOXM_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(module->Mutex);
    TKavoXMModule& song = *module->Player->Module;
    if (channel < 0 || channel >= ChannelsOf(song)) return KAVOXM_ERROR_POSITION;
    song.PatternChannels[size_t(channel)]->Muted = mute != 0;
    if (mute != 0) Silence(song, channel);
    return KAVOXM_OK;
}

int kavoxm_set_channel_volume(kavoxm_module* module, int32_t channel, int32_t volume) {
    if (module == nullptr || volume < 0 || volume > 256) return KAVOXM_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(module->Mutex);
    TKavoXMModule& song = *module->Player->Module;
    if (channel < 0 || channel >= ChannelsOf(song)) return KAVOXM_ERROR_POSITION;
    song.PatternChannels[size_t(channel)]->HostVolume = volume;
    if (song.Game != nullptr) song.Game->Fades.Cancel(channel);
    for (int32_t i = 0; i < song.BackgroundInUse; ++i)
        if (song.BackgroundChannels[size_t(i)]->Index == channel)
            song.BackgroundChannels[size_t(i)]->HostVolume = volume;
    return KAVOXM_OK;
}

} // extern "C"
