// State for displays, and the per-channel mute and volume.
#include "KavoXM/capi/Handle.h"
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

// While the device plays, only what the output thread publishes is read.
void DeviceState(const kavoxm_module& m, kavoxm_state& out) {
    const TKavoXMModule& song = *m.Device->Module;
    out.order = -1;
    out.pattern = song.LoadCurrentPattern();
    out.row = std::max(song.LoadCurrentRow() - 1, 0);
    out.rows = RowsOf(song, out.pattern);
    out.speed = out.tempo = out.global_volume = 0;
    out.pass = int32_t(song.LoadSongEndCount());
    out.ended = kavoxm_is_playing(const_cast<kavoxm_module*>(&m)) ? 0 : 1;
    out.seconds = m.DeviceSeconds + double(m.Device->SamplesQueued.load()) / m.Device->SampleRate;
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

} // namespace

extern "C" {

int kavoxm_get_state(kavoxm_module* module, kavoxm_state* out) {
    if (module == nullptr || out == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    *out = {};
    const TKavoXMModule& song = *module->Player->Module;
    out->channels = song.ChannelCount;
    if (module->Device) {
        DeviceState(*module, *out);
        return KAVOXM_OK;
    }
    out->order = song.PlayingOrder;
    out->pattern = song.PlayingOrder >= 0 ? song.Orders[size_t(song.PlayingOrder)] : -1;
    out->row = song.PlayingRow;
    out->rows = out->pattern >= 0 ? RowsOf(song, out->pattern) : 0;
    out->speed = song.Speed;
    out->tempo = song.Tempo;
    out->global_volume = song.GlobalVolume;
    out->pass = int32_t(song.SongEndCount);
    out->ended = module->Ended && module->BlockPos == module->BlockEnd ? 1 : 0;
    out->seconds = module->BlockSeconds;
    return KAVOXM_OK;
}

int32_t kavoxm_get_channel_states(kavoxm_module* module, kavoxm_channel_state* out, int32_t count) {
    if (module == nullptr || (out == nullptr && count > 0) || count < 0)
        return KAVOXM_ERROR_INVALID_ARGUMENT;
    if (module->Device) return KAVOXM_ERROR_INVALID_ARGUMENT;
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
        s.level = module->Levels[size_t(i)];
    }
    return n;
}

int kavoxm_set_channel_mute(kavoxm_module* module, int32_t channel, int32_t mute) {
    if (module == nullptr || (mute != 0 && mute != 1) || module->Device)
        return KAVOXM_ERROR_INVALID_ARGUMENT;
    TKavoXMModule& song = *module->Player->Module;
    if (channel < 0 || channel >= ChannelsOf(song)) return KAVOXM_ERROR_POSITION;
    song.PatternChannels[size_t(channel)]->Muted = mute != 0;
    if (mute != 0) Silence(song, channel);
    return KAVOXM_OK;
}

int kavoxm_set_channel_volume(kavoxm_module* module, int32_t channel, int32_t volume) {
    if (module == nullptr || volume < 0 || volume > 256 || module->Device)
        return KAVOXM_ERROR_INVALID_ARGUMENT;
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
