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

bool Restart(kavoxm_module& m, int32_t order, int32_t row, double seconds) {
    TKavoXM& player = *m.Player;
    // SetPosition puts every channel back as after loading; a song whose first entry has no
    // rows starts as loaded.
    const bool placed =
        player.SetPosition(order, row) || (order == 0 && row == 0 && player.StartOffline());
    if (!placed) return false;
    ResetBlock(m, 0, seconds);
    DropCarry(m);
    m.Ended = false;
    m.PendingSeek = -1;
    return true;
}

int32_t StartOrder(kavoxm_module& m) {
    const Subsong* s = SubsongAt(m, m.Selected);
    return s != nullptr ? s->StartOrder : 0;
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

// The song services run under the handle's host lock (two host threads measuring or seeking at
// once take turns); the audio thread's lock is taken only to put a new position in place.
extern "C" {

int32_t kavoxm_subsong_count(kavoxm_module* module) {
    return capi::HostLocked(module, [&](kavoxm_module& m) -> int32_t {
        return int32_t(capi::EnsureMap(m).Subsongs.size());
    });
}

int kavoxm_get_subsong(kavoxm_module* module, int32_t index, kavoxm_subsong* out) {
    if (out == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    return capi::HostLocked(module, [&](kavoxm_module& m) -> int {
        const Subsong* s = SubsongAt(m, index);
        if (s == nullptr) return KAVOXM_ERROR_POSITION;
        out->start_order = s->StartOrder;
        out->ends = s->Ends() ? 1 : 0;
        out->seconds = Seconds(m, SubsongFrames(m, index, *s));
        return KAVOXM_OK;
    });
}

int kavoxm_select_subsong(kavoxm_module* module, int32_t index) {
    return capi::HostLocked(module, [&](kavoxm_module& m) -> int {
        const Subsong* s = SubsongAt(m, index);
        if (s == nullptr) return KAVOXM_ERROR_POSITION;
        std::lock_guard<std::mutex> lock(m.Mutex);
        if (!capi::Restart(m, s->StartOrder, 0, 0)) return KAVOXM_ERROR_POSITION;
        m.Selected = index;
        return KAVOXM_OK;
    });
}

double kavoxm_duration(kavoxm_module* module) {
    return capi::HostLocked(module, [&](kavoxm_module& m) -> double {
        // The song map is measured at 1.0; at another tempo factor the ticks have other
        // lengths, so the pass is measured again at that factor.
        if (TempoFactorNow(m) != UnitFactor) return Seconds(m, DurationFrames(m, m.MapRate));
        const Subsong* s = SubsongAt(m, m.Selected);
        return s == nullptr ? 0.0 : Seconds(m, int64_t(s->Frames));
    });
}

int64_t kavoxm_duration_frames(kavoxm_module* module, int32_t rate) {
    if (rate < KAVOXM_MIN_RATE || rate > KAVOXM_MAX_RATE) return KAVOXM_ERROR_INVALID_ARGUMENT;
    return capi::HostLocked(module,
                            [&](kavoxm_module& m) -> int64_t { return DurationFrames(m, rate); });
}

int kavoxm_seek_order(kavoxm_module* module, int32_t order, int32_t row) {
    return capi::HostLocked(module, [&](kavoxm_module& m) -> int {
        // The order list never changes after loading.
        const TKavoXMModule& song = *m.Player->Module;
        if (order < 0 || order >= std::min(song.SongLength, TKavoXMModule::MaxOrders))
            return KAVOXM_ERROR_POSITION;
        const SongMap& map = capi::EnsureMap(m);
        const double seconds = OrderSeconds(m, order); // measured before the lock
        std::lock_guard<std::mutex> lock(m.Mutex);
        if (!capi::Restart(m, order, row, seconds)) return KAVOXM_ERROR_POSITION;
        if (map.OrderSubsong[size_t(order)] >= 0) m.Selected = map.OrderSubsong[size_t(order)];
        return KAVOXM_OK;
    });
}

int kavoxm_seek_seconds(kavoxm_module* module, double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) return KAVOXM_ERROR_INVALID_ARGUMENT;
    return capi::HostLocked(module, [&](kavoxm_module& m) -> int {
        capi::SeekSeconds(m, capi::StartOrder(m), seconds);
        return KAVOXM_OK;
    });
}

} // extern "C"
