#pragma once
#include "KavoXM/module/PatternNote.h"
#include <cstdint>
#include <string>
#include <vector>

using TKavoXMPatternNotes = std::vector<TKavoXMPatternNote>;

class TKavoXMPattern {
public:
    std::string Name;          // from the "PNAM" chunk
    // Row-major, (RowCount + 1) x ChannelCount after Resize. The XM loader stores only the
    // cells its packed data can fill (none for row counts it does not store): read through
    // GetNote, which gives the empty note for every cell not stored.
    TKavoXMPatternNotes Notes;
    int32_t RowCount = 0;
    uint8_t ChannelCount = 0;

    TKavoXMPattern() { Clear(); }
    ~TKavoXMPattern() { Clear(); }

    void Clear(); // name and notes go; RowCount and ChannelCount stay
    void Resize(int32_t rows, uint8_t channels);
    TKavoXMPatternNote GetNote(int32_t row, int32_t channel) const;
    void SetNote(int32_t row, int32_t channel, const TKavoXMPatternNote& note);

private:
    int64_t CellIndex(int32_t row, int32_t channel) const {
        return int64_t(row) * ChannelCount + channel;
    }
};
