#pragma once
// Songs that are small files but costly to measure: pattern loops (E6F) that nest across
// channels, so that the rows of one pattern repeat 16 times per further channel and never
// settle into a repeating state, with notes and effects on the cells in between.
#include "xmbuilder/XMCrafted.h"

#include <cstdint>
#include <vector>

namespace xmbuilder {

struct XMSlowScanShape {
    uint16_t Channels = 255;
    uint16_t Rows = 64;
    uint16_t Orders = 256; // order entries, all playing pattern 0
    uint16_t Speed = 1;
    uint16_t Tempo = 255;
    bool Dense = true; // every other cell a note with a vibrato and a volume slide
};

// Channel c loops from row 0 back from row c + 1 (the first `Rows - 1` channels); with
// `Dense`, the other cells hold notes with effects. Each order entry starts a subsong of its
// own, as no pass ever leaves its first entry.
std::vector<uint8_t> CraftNestedLoops(const XMSlowScanShape& shape);

// The shapes measured by hand: from 255 channels, 64 rows and 256 orders (some 60 KB) down to
// a few kilobytes.
std::vector<XMCraftedImage> SlowScanImages();

} // namespace xmbuilder
