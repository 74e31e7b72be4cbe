#pragma once
// The C API's handle: a player without a device, the song image it was loaded from, the
// output settings and the block being handed out, and what the song services measured.
#include "KavoXM/capi/kavoxm.h"
#include "KavoXM/module/XMLoadInfo.h"
#include "KavoXM/player/Player.h"
#include "KavoXM/song/Subsongs.h"

#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

struct kavoxm_module {
    static constexpr int32_t BlockFrames = 2048; // mixing block, as the tool renders

    std::vector<uint8_t> Image;      // the song as loaded (for the device player)
    std::unique_ptr<TKavoXM> Player; // offline, stereo-sized buffer
    std::unique_ptr<TKavoXM> Device; // real-time playback, while it plays
    double DeviceSeconds = 0;        // song time where device playback began
    TKavoXMLoadInfo LoadInfo;

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

    // Song services, measured once at the handle's first rate.
    bool Mapped = false;
    int32_t MapRate = 44100;
    SongMap Map;
    int32_t Selected = 0; // subsong

    // Peak of each pattern channel (with its background voices) over the last render call,
    // and the peak magnitude of every sample's values, sorted by the sample's address.
    std::array<float, TKavoXMModule::BankSize> Levels{};
    std::array<float, TKavoXMModule::BankSize> BlockLevels{}; // of the block being handed out
    std::vector<std::pair<const TKavoXMSample*, int32_t>> SamplePeaks;
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

// A new offline player for the handle's rate and channel count.
std::unique_ptr<TKavoXM> MakePlayer(int32_t rate, int32_t channels);
// Sets the rate and channel count of the handle's player from the next tick; drops the
// frames of the current block not yet handed out.
void SetFormat(kavoxm_module& m, int32_t rate, int32_t channels);
// Forgets the block being handed out and starts the next one at `phase`.
void ResetBlock(kavoxm_module& m, int32_t phase, double seconds);
// Seeks to song time `seconds` (finite, not negative) of the selected subsong.
void SeekSeconds(kavoxm_module& m, double seconds);
// Measures the subsongs and order times once.
const SongMap& EnsureMap(kavoxm_module& m);

} // namespace capi
