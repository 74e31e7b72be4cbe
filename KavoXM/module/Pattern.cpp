#include "KavoXM/module/Pattern.h"

void TKavoXMPattern::Clear() {
    Name.clear();
    TKavoXMPatternNotes().swap(Notes);
}

void TKavoXMPattern::Resize(int32_t rows, uint8_t channels) {
    const int32_t oldRows = RowCount;
    const int32_t oldChannels = ChannelCount;
    RowCount = rows;
    ChannelCount = channels;
    if (rows <= 0 || channels == 0) {
        TKavoXMPatternNotes().swap(Notes);
        return;
    }
    TKavoXMPatternNotes old;
    old.swap(Notes);
    Notes.assign(size_t(rows + 1) * channels, TKavoXMPatternNote{});
    for (int32_t r = 0; r < rows && r < oldRows; ++r) {
        for (int32_t k = 0; k < channels && k < oldChannels; ++k) {
            const size_t from = size_t(r) * size_t(oldChannels) + size_t(k);
            if (from < old.size()) Notes[size_t(r) * channels + size_t(k)] = old[from];
        }
    }
}

TKavoXMPatternNote TKavoXMPattern::GetNote(int32_t row, int32_t channel) const {
    const int64_t index = CellIndex(row, channel);
    if (index < 0 || uint64_t(index) >= Notes.size()) return {};
    return Notes[size_t(index)];
}

void TKavoXMPattern::SetNote(int32_t row, int32_t channel, const TKavoXMPatternNote& note) {
    const int64_t index = CellIndex(row, channel);
    if (index < 0 || uint64_t(index) >= Notes.size()) return;
    Notes[size_t(index)] = note;
}
