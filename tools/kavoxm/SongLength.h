#pragma once
#include <cstdint>
#include <vector>

// Length in frames at `rate` of `passes` passes through a song image, found by running the
// sequencer alone (nothing is mixed); at most `limitSeconds`. 0 when the image does not load.
uint64_t SongLengthFrames(const std::vector<uint8_t>& image, int32_t rate, uint32_t passes,
                          double limitSeconds);
