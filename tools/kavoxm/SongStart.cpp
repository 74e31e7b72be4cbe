#include "SongStart.h"

#include "KavoXM/song/Subsongs.h"
#include "SongFile.h"

bool StartOrder(const std::string& path, const std::vector<uint8_t>& image, int32_t startOrder,
                int32_t subsong, int32_t songLength, int32_t& order, std::string& error) {
    order = 0;
    if (startOrder >= 0) {
        if (startOrder >= songLength) {
            error = DisplayName(path) + " has " + std::to_string(songLength) + " orders: --start " +
                    std::to_string(startOrder) + " is not one of them";
            return false;
        }
        order = startOrder;
    }
    if (subsong <= 1) return true;
    const std::vector<Subsong> subsongs = FindSubsongs(image, 44100);
    if (size_t(subsong) > subsongs.size()) {
        error = DisplayName(path) + " has " + std::to_string(subsongs.size()) +
                (subsongs.size() == 1 ? " subsong" : " subsongs") + ": no --subsong " +
                std::to_string(subsong);
        return false;
    }
    order = subsongs[size_t(subsong) - 1].StartOrder;
    return true;
}
