#pragma once
// Where render and play begin a song: the order entry of --start, or the first order entry of
// subsong --subsong N.
#include <cstdint>
#include <string>
#include <vector>

// Sets `order` to the entry to start at (`startOrder` < 0: none given; subsong 1 is the song's
// own start). False with `error` set when the entry or the subsong is not in the song.
bool StartOrder(const std::string& path, const std::vector<uint8_t>& image, int32_t startOrder,
                int32_t subsong, int32_t songLength, int32_t& order, std::string& error);
