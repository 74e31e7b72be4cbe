#pragma once
// The C API's handle: a player without a device, the song image it was loaded from, the
// output settings and the block being handed out, what the song services measured, and the
// device playback that renders from the same player.
//
// Threads: `Mutex` guards everything the audio thread touches (the player, the block being
// handed out, the output settings, the levels, the carried frames). Every call takes it only
// for a short copy or a short change; the audio thread takes it for the rendering of one device
// block. Host calls that work long (seeks by time, the song map, durations) are serialised among
// themselves by `HostMutex` and do that work without `Mutex`: a seek runs on `Scratch`, a player
// of its own, and only puts the state it reached into `Player` under `Mutex`. `HostMutex` is
// taken before `Mutex`, never while holding it, and never by the audio thread. The song image,
// the load report, the song map and the seek index are only touched under `HostMutex` (the image
// and the load report never change after loading).
#include "KavoXM/capi/kavoxm.h"
#include "KavoXM/mixer/Meters.h"
#include "KavoXM/module/XMLoadInfo.h"
#include "KavoXM/player/Player.h"
#include "KavoXM/song/SeekIndex.h"
#include "KavoXM/song/SongRebase.h"
#include "KavoXM/song/Subsongs.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace capi {
class LiveOutput;
}

struct kavoxm_module {
    static constexpr int32_t BlockFrames = 2048; // mixing block, as the tool renders

    kavoxm_module();
    ~kavoxm_module(); // stops device playback first
    kavoxm_module(const kavoxm_module&) = delete;
    kavoxm_module& operator=(const kavoxm_module&) = delete;

    std::vector<uint8_t> Image;      // the song as loaded (for the song services)
    std::unique_ptr<TKavoXM> Player; // renders both offline and for the device, stereo-sized
    TKavoXMLoadInfo LoadInfo;

    std::mutex Mutex;
    std::mutex HostMutex;                   // serialises the long host calls; taken before Mutex
    std::unique_ptr<capi::LiveOutput> Live; // device playback, while it runs (or is paused)
    // Device format for the next kavoxm_play.
    int32_t DeviceRate = 44100;
    int32_t DeviceBlockFrames = 1024;
    int32_t DeviceBlocks = 4;
    // Frames rendered for the device but not heard when it stopped (16-bit, stereo, at
    // CarryRate): the next kavoxm_play plays them first. HeardState is the state at the first,
    // CarryStream its stream frame.
    std::vector<int16_t> Carry;
    size_t CarryFrames = 0;
    int64_t CarryStream = 0;
    int32_t CarryRate = 0;
    kavoxm_state HeardState{};

    // Output settings.
    int32_t Rate = 44100;
    int32_t Channels = 2;
    int32_t Repeat = 0; // passes after the first; -1 forever
    double GainDb = 0;
    int32_t Separation = 100;

    // The mixed block being handed out: frames BlockPos .. BlockEnd - 1 of the player's
    // buffer; BlockPhase is where the next block starts (0, or after a seek by time, the
    // frame the tick falls on in a render from the start).
    int32_t BlockPos = 0;
    int32_t BlockEnd = 0;
    int32_t BlockPhase = 0;
    bool Ended = false;      // the last block stopped at the song's end
    double BlockSeconds = 0; // song time at frame BlockPos
    // Frames handed out since loading, and that count when the last render call began: the
    // frames events are stamped with.
    int64_t StreamFrame = 0;
    int64_t CallFrame = 0;
    // The time of the last seek by time while nothing has been rendered since (else -1): a
    // first render at another rate or channel count seeks again in its format.
    double PendingSeek = -1;

    // Song services, measured once at the handle's first rate and tempo factor 1.0; and again
    // at the last other factor asked for (FactorMapFactor, 0: none), for times at that factor.
    bool Mapped = false;
    int32_t MapRate = 44100;
    SongMap Map;
    SongMap FactorMap;
    uint32_t FactorMapFactor = 0;
    int32_t Selected = 0; // subsong
    // Seeks by time run on Scratch (loaded from Image, with Player's settings copied over), and
    // the state reached, moved over to Player's song data by ToPlayer, is restored into Player.
    std::unique_ptr<TKavoXM> Scratch;
    std::unique_ptr<SongRebase> ToPlayer;
    SongSnapshot Sought;
    SongStateLog SoughtLog;
    // Snapshots of the selected subsong at the current settings, for seeks by time; and the
    // last duration measured at a rate (rate 0: none).
    SeekIndex Seeks;
    int32_t DurationRate = 0;
    int32_t DurationSubsong = -1;
    uint32_t DurationFactor = 0; // the tempo factor it was measured at
    int64_t DurationFrames = 0;

    // Channel meters (Levels.h), and the levels of the mixing block that holds the last frame
    // handed out: [2 x channel] left, [+1] right.
    std::unique_ptr<TKavoXMMeters> Meters;
    std::array<float, 2 * TKavoXMModule::BankSize> BlockLevels{};
};

namespace capi {

// Runs `body` and turns exceptions into error codes (a failed allocation is OUT_OF_MEMORY,
// anything else INTERNAL): no exception crosses the C boundary.
template <typename Body> auto Guard(Body&& body) -> decltype(body()) {
    using Result = decltype(body());
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return Result(KAVOXM_ERROR_OUT_OF_MEMORY);
    } catch (...) {
        return Result(KAVOXM_ERROR_INTERNAL);
    }
}

// Takes the handle's lock, then runs `body` under Guard; INVALID_ARGUMENT for a null handle.
template <typename Body> auto Locked(kavoxm_module* m, Body&& body) -> decltype(body(*m)) {
    using Result = decltype(body(*m));
    if (m == nullptr) return Result(KAVOXM_ERROR_INVALID_ARGUMENT);
    return Guard([&]() -> Result {
        std::lock_guard<std::mutex> lock(m->Mutex);
        return body(*m);
    });
}

// Takes HostMutex, then runs `body` under Guard (the body takes Mutex for what it changes);
// INVALID_ARGUMENT for a null handle.
template <typename Body> auto HostLocked(kavoxm_module* m, Body&& body) -> decltype(body(*m)) {
    using Result = decltype(body(*m));
    if (m == nullptr) return Result(KAVOXM_ERROR_INVALID_ARGUMENT);
    return Guard([&]() -> Result {
        std::lock_guard<std::mutex> lock(m->HostMutex);
        return body(*m);
    });
}

// A new offline player for the handle's rate and channel count.
std::unique_ptr<TKavoXM> MakePlayer(int32_t rate, int32_t channels);
// Sets the rate and channel count of the handle's player from the next tick; drops the
// frames of the current block not yet handed out.
void SetFormat(kavoxm_module& m, int32_t rate, int32_t channels);
// The player's part of SetFormat.
void SetPlayerFormat(TKavoXM& player, int32_t rate, int32_t channels);
// Under HostMutex and Mutex: the handle's player in `rate` and `channels`, and a seek by time
// made since the last render made again in that format.
void PrepareFormat(kavoxm_module& m, int32_t rate, int32_t channels);
// Forgets the block being handed out and starts the next one at `phase`.
void ResetBlock(kavoxm_module& m, int32_t phase, double seconds);
// Seeks to song time `seconds` (finite, not negative) of the selected subsong, starting at
// order `start`. SeekSeconds: under HostMutex alone (the run goes on Scratch, Mutex is taken to
// read the settings and to put the result in place). SeekHeld: under HostMutex and Mutex.
void SeekSeconds(kavoxm_module& m, int32_t start, double seconds);
void SeekHeld(kavoxm_module& m, int32_t start, double seconds);
// Starts the handle's player afresh at `order`, `row` with song time `seconds` (under Mutex).
bool Restart(kavoxm_module& m, int32_t order, int32_t row, double seconds);
// Under HostMutex: the song map, measured once (at tempo factor 1.0); the first order of the
// selected subsong.
const SongMap& EnsureMap(kavoxm_module& m);
int32_t StartOrder(kavoxm_module& m);
// Under HostMutex: the song map at the tempo factor set now: EnsureMap's at 1.0, else measured
// at that factor (the last one is kept).
const SongMap& MapAtFactor(kavoxm_module& m);
// Renders the next frames as 16-bit samples (the render functions' work, under the lock):
// the frames written, or a negative error.
int64_t RenderS16(kavoxm_module& m, int32_t rate, int32_t channels, int16_t* out, size_t frames);
// The state where the mixer stands.
void MixerState(const kavoxm_module& m, kavoxm_state& out);
// Forgets the frames a stopped device left unheard (the position moved elsewhere).
void DropCarry(kavoxm_module& m);

} // namespace capi
