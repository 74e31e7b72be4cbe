#include "KavoXM/song/PassTimes.h"

#include "KavoXM/player/Player.h"

#include <algorithm>
#include <cmath>

namespace {

// The song time in seconds that the later passes may still use after `used` frames.
double RestSeconds(const SongScanLimits& limits, int32_t rate, uint64_t used) {
    const double cap = std::round(limits.CapSeconds * rate);
    return (cap - double(used)) / rate;
}

// Each later pass has a budget of its own: they replay what the first pass read within its
// budget, so a few passes of an ordinary song do not run out of work; the cap and the total of
// the measurement still bound them all.
uint64_t PassesBudget(const SongScanLimits& limits, uint32_t passes, uint64_t spent) {
    const uint64_t each = limits.Budget > UINT64_MAX / passes ? UINT64_MAX : limits.Budget * passes;
    return std::min(each, limits.Total > spent ? limits.Total - spent : 0);
}

} // namespace

PassTimes ScanPassTimes(const std::vector<uint8_t>& image, int32_t rate, uint32_t passes,
                        int32_t startOrder, const SongScanLimits& limits) {
    PassTimes times;
    TKavoXM player(rate, 2048, 4, true, 10, 16, 0, TKavoXMOutput::None);
    if (!player.Module->LoadFromMemory(image.data(), int32_t(image.size()), nullptr,
                                       TKavoXMLoadParts::WithoutSampleData) ||
        !player.StartOffline() || !player.SetPosition(startOrder, 0))
        return times;
    times.First = ScanSongLength(player, 1, limits, nullptr, &times.OrderStart);
    times.All = times.First;
    if (passes <= 1 || !times.First.Ends()) return times;
    // The tick that ended the first pass read the first row of the second: its frames count.
    const uint64_t used = times.First.Frames + uint64_t(player.SamplesPerTick);
    SongScanLimits rest = limits;
    rest.CapSeconds = RestSeconds(limits, rate, used);
    rest.Budget = PassesBudget(limits, passes - 1, times.First.Work);
    const SongScan more = rest.CapSeconds > 0 ? ScanSongLength(player, passes - 1, rest)
                                              : SongScan{SongScanEnd::BeyondCap, 0, 0};
    times.All.End = more.End;
    times.All.Frames = used + more.Frames;
    times.All.Work = times.First.Work + more.Work;
    if (more.End == SongScanEnd::BeyondCap)
        times.All.Frames = uint64_t(std::round(limits.CapSeconds * rate));
    return times;
}
