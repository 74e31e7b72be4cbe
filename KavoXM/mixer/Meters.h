#pragma once
// Channel meters measured in the mixer: the peak of what each voice adds to the mix, by the
// pattern channel it belongs to (background voices count for the channel that left them),
// left and right. The mix itself is not touched: the voice is mixed as always, and what it
// added is the difference of the frames before and after.
#include "KavoXM/module/Module.h"

#include <array>
#include <cstdint>
#include <memory>

struct TKavoXMMixTarget;
class TKavoXMChannel;

struct TKavoXMMeters {
    // Peak magnitudes in mix units (16-bit full scale x 4096), [2 x channel] left, [+1] right.
    std::array<uint32_t, 2 * TKavoXMModule::BankSize> Peak{};
    std::unique_ptr<int32_t[]> Scratch; // the frames before a voice is mixed (block x 2)

    explicit TKavoXMMeters(int32_t blockFrames)
        : Scratch(std::make_unique<int32_t[]>(size_t(blockFrames) * 2)) {}
    void Clear() { Peak.fill(0); }
};

// MixChannel, and the voice's contribution to frames start .. start + count - 1 raised into
// the meters.
void MixChannelMetered(const TKavoXMMixTarget& target, TKavoXMChannel& voice, int32_t start,
                       int32_t count, TKavoXMMeters& meters);
