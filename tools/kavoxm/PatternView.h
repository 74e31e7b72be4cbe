#pragma once
// The screen of `kavoxm play` on a terminal large enough: a title and status line, a meter per
// channel, the pattern with the row playing in the middle and the rows around it (or the song
// message), and the keys. Every line fits the width, colours or not.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TKavoXMPattern;

// Levels of up to 256 channels, 0 (silent) to 255 (full scale).
using ChannelLevels = std::array<uint8_t, 256>;

struct ViewFrame {
    std::string Title, Status;                         // the first two lines
    const TKavoXMPattern* Pattern = nullptr;           // the pattern playing; null: none
    int32_t Row = 0;                                   // the row playing
    int32_t Channels = 0;                              // pattern channels of the song
    int32_t FirstChannel = 0;                          // the leftmost channel shown
    const ChannelLevels* Levels = nullptr;             // left (or the only) level of each channel
    const ChannelLevels* RightLevels = nullptr;        // with it: a stereo meter per channel
    const std::vector<std::string>* Message = nullptr; // shown instead of the pattern
    bool Colour = false;
};

// Columns in front of the channels (the row number) and of each channel.
constexpr size_t ViewRowColumns = 5;
constexpr size_t ViewChannelColumns = 14;

// Channels shown side by side on a screen `width` columns wide (at least one).
int32_t ChannelsThatFit(size_t width);

// The screen's `height` lines, none of more than `width` - 1 visible columns.
std::vector<std::string> ViewLines(const ViewFrame& frame, size_t width, size_t height);

// Characters of a UTF-8 text that are seen on screen: escape sequences of colours do not count.
size_t VisibleColumns(const std::string& line);
