// Seeks by time. The run through the song goes on a scratch player of the handle, so that the
// handle's lock is held only to read the settings the run depends on and to put the state it
// reached into the handle's player: the audio thread plays on meanwhile.
#include "KavoXM/capi/Handle.h"
#include "KavoXM/player/TickLength.h"
#include "KavoXM/sequencer/GameState.h"
#include "KavoXM/song/SeekTime.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Everything a seek's run depends on besides the song and its start.
struct SeekSettings {
    int32_t Rate = 0, Channels = 0, Repeat = 0;
    uint8_t Interpolation = 0;
    int32_t MasterVolume = 0;
    uint32_t TempoFactor = 0, PitchFactor = 0;
    int32_t ChannelCount = 0;
    std::array<int32_t, TKavoXMModule::BankSize> HostVolume{};
    std::array<bool, TKavoXMModule::BankSize> Muted{};
    bool operator==(const SeekSettings&) const = default;
};

// Under Mutex: a short copy.
void ReadSettings(const kavoxm_module& m, SeekSettings& s) {
    const TKavoXM& player = *m.Player;
    const TKavoXMModule& song = *player.Module;
    s.Rate = m.Rate;
    s.Channels = m.Channels;
    s.Repeat = m.Repeat;
    s.Interpolation = player.InterpolationMode;
    s.MasterVolume = song.MasterVolume;
    s.TempoFactor = player.TempoFactor;
    s.PitchFactor = player.PitchFactor;
    s.ChannelCount = std::clamp(song.ChannelCount, 0, TKavoXMModule::BankSize);
    for (int32_t i = 0; i < s.ChannelCount; ++i) {
        s.HostVolume[size_t(i)] = song.PatternChannels[size_t(i)]->HostVolume;
        s.Muted[size_t(i)] = song.PatternChannels[size_t(i)]->Muted;
    }
}

void ApplySettings(TKavoXM& player, const SeekSettings& s) {
    if (player.SampleRate != s.Rate || player.Channels != s.Channels)
        capi::SetPlayerFormat(player, s.Rate, s.Channels);
    player.InterpolationMode = s.Interpolation;
    player.TempoFactor = s.TempoFactor;
    player.PitchFactor = s.PitchFactor;
    TKavoXMModule& song = *player.Module;
    song.MasterVolume = s.MasterVolume;
    for (int32_t i = 0; i < s.ChannelCount; ++i) {
        song.PatternChannels[size_t(i)]->HostVolume = s.HostVolume[size_t(i)];
        song.PatternChannels[size_t(i)]->Muted = s.Muted[size_t(i)];
    }
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
uint64_t SeekKey(const TKavoXM& player, int32_t start, uint32_t endCount) {
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

// Plays `player` (in the handle's settings) from order `start` to song time `seconds`, through
// the handle's seek index; false when the start is not in the song.
bool Run(kavoxm_module& m, TKavoXM& player, int32_t start, int32_t repeat, double seconds,
         SeekResult& r) {
    // SetPosition puts every channel back as after loading; a song whose first entry has no
    // rows starts as loaded.
    if (!player.SetPosition(start, 0) && !(start == 0 && player.StartOffline())) return false;
    // Past the cap (a pass of an hour each) the seek stops at the cap.
    const double passes = repeat < 0 ? 1.0 : repeat + 1.0;
    const double limit = std::min(seconds, SongLengthCapSeconds * passes);
    const auto target = uint64_t(std::llround(limit * player.SampleRate));
    const uint32_t endCount = repeat < 0 ? UINT32_MAX : uint32_t(repeat) + 1u;
    // The run up to the target is not heard: sound effects, fades and events stand still.
    std::unique_ptr<TKavoXMGameState> game = std::move(player.Module->Game);
    // Seeks at the same settings share one run through the song: each starts from the nearest
    // snapshot before its target, and one past what was seen carries the run on.
    const uint64_t key = SeekKey(player, start, endCount);
    if (!m.Seeks.Matches(key)) m.Seeks.Start(player, kavoxm_module::BlockFrames, endCount, key);
    r = m.Seeks.Seek(player, target);
    player.Module->Game = std::move(game);
    return true;
}

// The scratch player, loaded on first use, and the pairing of its song data with the handle's
// player's (which never changes after loading, so it is read without Mutex).
TKavoXM* Scratch(kavoxm_module& m) {
    if (!m.Scratch) {
        std::unique_ptr<TKavoXM> player = capi::MakePlayer(44100, 2);
        if (!player->Module->LoadFromMemory(m.Image.data(), int32_t(m.Image.size())))
            return nullptr;
        player->StartOffline();
        m.ToPlayer = std::make_unique<SongRebase>(*player->Module, *m.Player->Module);
        m.Scratch = std::move(player);
    }
    return m.ToPlayer->Valid() ? m.Scratch.get() : nullptr;
}

// The state a seek reached on the scratch player, ready for the handle's player.
struct Sought {
    SeekResult Result;
    int32_t LeftInTick = 0;
};

// Runs the seek on the scratch player and takes the state it reached into m.Sought; false
// when it cannot (the seek is then made on the handle's player).
bool RunOnScratch(kavoxm_module& m, const SeekSettings& s, int32_t start, double seconds,
                  Sought& out) {
    TKavoXM* scratch = Scratch(m);
    if (scratch == nullptr) return false;
    ApplySettings(*scratch, s);
    if (!Run(m, *scratch, start, s.Repeat, seconds, out.Result)) return false;
    m.SoughtLog.Entries.clear();
    CaptureSong(*scratch, out.Result.Frame, m.SoughtLog, nullptr, m.Sought);
    out.LeftInTick = scratch->SamplesLeftInTick;
    return m.ToPlayer->Apply(m.Sought);
}

// Under Mutex: the block starts where the seek landed.
void Land(kavoxm_module& m, const SeekResult& r, double seconds) {
    capi::ResetBlock(m, r.Phase, double(r.Frame) / m.Rate);
    m.Ended = r.Ended;
    m.PendingSeek = seconds;
}

// Under Mutex: puts the sought state into the handle's player, as the run on it would have
// left it.
void Install(kavoxm_module& m, int32_t start, const Sought& sought, double seconds) {
    capi::Restart(m, start, 0, 0);
    RestoreSong(*m.Player, m.Sought, m.SoughtLog);
    m.Player->SamplesLeftInTick = sought.LeftInTick;
    Land(m, sought.Result, seconds);
}

} // namespace

namespace capi {

void SeekHeld(kavoxm_module& m, int32_t start, double seconds) {
    SeekSettings settings;
    ReadSettings(m, settings);
    Sought sought;
    if (RunOnScratch(m, settings, start, seconds, sought)) {
        Install(m, start, sought, seconds);
        return;
    }
    // On the handle's player itself, as the scratch player cannot take it.
    Restart(m, start, 0, 0);
    Run(m, *m.Player, start, m.Repeat, seconds, sought.Result);
    Land(m, sought.Result, seconds);
}

void SeekSeconds(kavoxm_module& m, int32_t start, double seconds) {
    // A control call from another thread may change a setting while the run goes: the run is
    // made again at the new settings (and at last under the lock, so that it always ends).
    for (int attempt = 0; attempt < 3; ++attempt) {
        SeekSettings settings, now;
        {
            std::lock_guard<std::mutex> lock(m.Mutex);
            ReadSettings(m, settings);
        }
        Sought sought;
        if (!RunOnScratch(m, settings, start, seconds, sought)) break;
        std::lock_guard<std::mutex> lock(m.Mutex);
        ReadSettings(m, now);
        if (!(now == settings)) continue;
        Install(m, start, sought, seconds);
        return;
    }
    std::lock_guard<std::mutex> lock(m.Mutex);
    SeekHeld(m, start, seconds);
}

} // namespace capi
