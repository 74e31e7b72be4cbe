// Song services: subsongs, duration, seeks.
#include "KavoXM/capi/Handle.h"
#include "KavoXM/player/TickLength.h"
#include "KavoXM/sequencer/GameState.h"
#include "KavoXM/song/SeekTime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

const Subsong* SubsongAt(kavoxm_module& m, int32_t index) {
    const SongMap& map = capi::EnsureMap(m);
    if (index < 0 || size_t(index) >= map.Subsongs.size()) return nullptr;
    return &map.Subsongs[size_t(index)];
}

double Seconds(const kavoxm_module& m, int64_t frames) {
    return double(frames) / m.MapRate;
}

// Starts the player afresh at `order`, `row` with song time `seconds`.
bool Restart(kavoxm_module& m, int32_t order, int32_t row, double seconds) {
    TKavoXM& player = *m.Player;
    // SetPosition puts every channel back as after loading; a song whose first entry has no
    // rows starts as loaded.
    const bool placed =
        player.SetPosition(order, row) || (order == 0 && row == 0 && player.StartOffline());
    if (!placed) return false;
    capi::ResetBlock(m, 0, seconds);
    capi::DropCarry(m);
    m.Ended = false;
    m.PendingSeek = -1;
    return true;
}

uint64_t Mix(uint64_t hash, uint64_t value) {
    uint64_t z = hash ^ value;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

// Everything a seek's run depends on besides the song: the player, its format and
// interpolation, its tempo and pitch factors, the start, the passes, the master volume and every
// channel's host controls.
uint64_t SeekKey(const kavoxm_module& m, int32_t start, uint32_t endCount) {
    const TKavoXM& player = *m.Player;
    const TKavoXMModule& song = *player.Module;
    uint64_t key = Mix(reinterpret_cast<uintptr_t>(&player), uint64_t(uint32_t(player.SampleRate)));
    key = Mix(key, uint64_t(uint32_t(player.Channels)) << 32 | player.InterpolationMode);
    key = Mix(key, uint64_t(uint32_t(start)) << 32 | endCount);
    key = Mix(key, uint64_t(uint32_t(song.MasterVolume)));
    key = Mix(key, uint64_t(player.TempoFactor) << 32 | player.PitchFactor);
    for (const auto& channel : song.PatternChannels)
        key = Mix(key, uint64_t(uint32_t(channel->HostVolume)) << 1 | (channel->Muted ? 1 : 0));
    return key;
}

uint32_t TempoFactorNow(kavoxm_module& m) {
    std::lock_guard<std::mutex> lock(m.Mutex);
    return m.Player->TempoFactor;
}

// Frames of one pass of the selected subsong at `rate` and the current tempo factor: the last
// answer, or a scan on a player of its own (the handle's playback stays where it is).
int64_t DurationFrames(kavoxm_module& m, int32_t rate) {
    const uint32_t factor = TempoFactorNow(m);
    if (m.DurationRate == rate && m.DurationSubsong == m.Selected && m.DurationFactor == factor)
        return m.DurationFrames;
    const Subsong* s = SubsongAt(m, m.Selected);
    const int32_t start = s != nullptr ? s->StartOrder : 0;
    const SongScan scan = ScanSongLength(m.Image, rate, 1, start, {}, factor);
    m.DurationRate = rate;
    m.DurationSubsong = m.Selected;
    m.DurationFactor = factor;
    m.DurationFrames = int64_t(scan.Frames);
    return m.DurationFrames;
}

// The subsongs and order times at tempo factor `factor`, measured on a player of its own, so
// that the handle's playback stays where it is.
SongMap MeasureMap(const kavoxm_module& m, uint32_t factor) {
    TKavoXM scanner(m.MapRate, 2048, 1, true, 10, 16, 0, TKavoXMOutput::None);
    if (!scanner.Module->LoadFromMemory(m.Image.data(), int32_t(m.Image.size()), nullptr,
                                        TKavoXMLoadParts::WithoutSampleData))
        return {};
    scanner.TempoFactor = factor;
    return MapSong(scanner);
}

// Frames of subsong `s` at the tempo factor set now: from the map at that factor when it found
// the same subsong, else a scan of that subsong alone.
int64_t SubsongFrames(kavoxm_module& m, int32_t index, const Subsong& s) {
    const SongMap& timed = capi::MapAtFactor(m);
    if (size_t(index) < timed.Subsongs.size() &&
        timed.Subsongs[size_t(index)].StartOrder == s.StartOrder)
        return int64_t(timed.Subsongs[size_t(index)].Frames);
    return int64_t(
        ScanSongLength(m.Image, m.MapRate, 1, s.StartOrder, {}, TempoFactorNow(m)).Frames);
}

// The song time at which `order` is first reached, at the tempo factor set now (0 if never).
double OrderSeconds(kavoxm_module& m, int32_t order) {
    const SongMap& map = capi::EnsureMap(m);
    const SongMap& timed = capi::MapAtFactor(m);
    const auto i = size_t(order);
    const int64_t start =
        timed.OrderSubsong[i] == map.OrderSubsong[i] ? timed.OrderStart[i] : map.OrderStart[i];
    return start >= 0 ? Seconds(m, start) : 0.0;
}

} // namespace

namespace capi {

void SeekSeconds(kavoxm_module& m, double seconds) {
    const Subsong* s = SubsongAt(m, m.Selected);
    const int32_t start = s != nullptr ? s->StartOrder : 0;
    Restart(m, start, 0, 0);
    // Past the cap (a pass of an hour each) the seek stops at the cap.
    const double passes = m.Repeat < 0 ? 1.0 : m.Repeat + 1.0;
    const double cap = SongLengthCapSeconds * passes;
    const double limit = std::min(seconds, cap);
    const auto target = uint64_t(std::llround(limit * m.Rate));
    const uint32_t endCount = m.Repeat < 0 ? UINT32_MAX : uint32_t(m.Repeat) + 1u;
    // The run up to the target is not heard: sound effects, fades and events stand still.
    std::unique_ptr<TKavoXMGameState> game = std::move(m.Player->Module->Game);
    // Seeks at the same settings share one run through the song: each starts from the nearest
    // snapshot before its target, and one past what was seen carries the run on.
    const uint64_t key = SeekKey(m, start, endCount);
    if (!m.Seeks.Matches(key)) m.Seeks.Start(*m.Player, kavoxm_module::BlockFrames, endCount, key);
    const SeekResult r = m.Seeks.Seek(*m.Player, target);
    m.Player->Module->Game = std::move(game);
    ResetBlock(m, r.Phase, double(r.Frame) / m.Rate);
    m.Ended = r.Ended;
    m.PendingSeek = seconds;
}

const SongMap& EnsureMap(kavoxm_module& m) {
    if (m.Mapped) return m.Map;
    m.Map = MeasureMap(m, UnitFactor);
    m.Mapped = true;
    return m.Map;
}

const SongMap& MapAtFactor(kavoxm_module& m) {
    const uint32_t factor = TempoFactorNow(m);
    if (factor == UnitFactor) return EnsureMap(m);
    if (m.FactorMapFactor != factor) {
        m.FactorMap = MeasureMap(m, factor);
        m.FactorMapFactor = factor;
    }
    return m.FactorMap;
}

} // namespace capi

extern "C" {

int32_t kavoxm_subsong_count(kavoxm_module* module) {
    return capi::Guard([&]() -> int32_t {
        if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
        return int32_t(capi::EnsureMap(*module).Subsongs.size());
    });
}

int kavoxm_get_subsong(kavoxm_module* module, int32_t index, kavoxm_subsong* out) {
    return capi::Guard([&]() -> int {
        if (module == nullptr || out == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
        const Subsong* s = SubsongAt(*module, index);
        if (s == nullptr) return KAVOXM_ERROR_POSITION;
        out->start_order = s->StartOrder;
        out->ends = s->Ends() ? 1 : 0;
        out->seconds = Seconds(*module, SubsongFrames(*module, index, *s));
        return KAVOXM_OK;
    });
}

int kavoxm_select_subsong(kavoxm_module* module, int32_t index) {
    return capi::Guard([&]() -> int {
        if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
        const Subsong* s = SubsongAt(*module, index);
        if (s == nullptr) return KAVOXM_ERROR_POSITION;
        std::lock_guard<std::mutex> lock(module->Mutex);
        if (!Restart(*module, s->StartOrder, 0, 0)) return KAVOXM_ERROR_POSITION;
        module->Selected = index;
        return KAVOXM_OK;
    });
}

double kavoxm_duration(kavoxm_module* module) {
    return capi::Guard([&]() -> double {
        if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
        kavoxm_module& m = *module;
        // The song map is measured at 1.0; at another tempo factor the ticks have other
        // lengths, so the pass is measured again at that factor.
        if (TempoFactorNow(m) != UnitFactor) return Seconds(m, DurationFrames(m, m.MapRate));
        const Subsong* s = SubsongAt(m, m.Selected);
        return s == nullptr ? 0.0 : Seconds(m, int64_t(s->Frames));
    });
}

int64_t kavoxm_duration_frames(kavoxm_module* module, int32_t rate) {
    return capi::Guard([&]() -> int64_t {
        if (module == nullptr || rate < KAVOXM_MIN_RATE || rate > KAVOXM_MAX_RATE)
            return KAVOXM_ERROR_INVALID_ARGUMENT;
        return DurationFrames(*module, rate);
    });
}

int kavoxm_seek_order(kavoxm_module* module, int32_t order, int32_t row) {
    return capi::Guard([&]() -> int {
        if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
        const TKavoXMModule& song = *module->Player->Module;
        if (order < 0 || order >= std::min(song.SongLength, TKavoXMModule::MaxOrders))
            return KAVOXM_ERROR_POSITION;
        const SongMap& map = capi::EnsureMap(*module);
        const double seconds = OrderSeconds(*module, order); // measured before the lock
        std::lock_guard<std::mutex> lock(module->Mutex);
        if (!Restart(*module, order, row, seconds)) return KAVOXM_ERROR_POSITION;
        if (map.OrderSubsong[size_t(order)] >= 0)
            module->Selected = map.OrderSubsong[size_t(order)];
        return KAVOXM_OK;
    });
}

int kavoxm_seek_seconds(kavoxm_module* module, double seconds) {
    return capi::Guard([&]() -> int {
        if (module == nullptr || !std::isfinite(seconds) || seconds < 0)
            return KAVOXM_ERROR_INVALID_ARGUMENT;
        capi::EnsureMap(*module); // measured before the lock: the audio thread plays on
        std::lock_guard<std::mutex> lock(module->Mutex);
        capi::SeekSeconds(*module, seconds);
        return KAVOXM_OK;
    });
}

} // extern "C"
