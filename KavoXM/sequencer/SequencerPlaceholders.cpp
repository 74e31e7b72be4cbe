// Placeholder until the sequencer core lands.
#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"

#include <array>
#include <cstddef>

namespace {

constexpr std::array<int32_t, 104> AmigaPeriods = {
    907, 900, 894, 887, 881, 875, 868, 862, 856, 850, 844, 838, 832, 826, 820, 814, 808, 802,
    796, 791, 785, 779, 774, 768, 762, 757, 752, 746, 741, 736, 730, 725, 720, 715, 709, 704,
    699, 694, 689, 684, 678, 675, 670, 665, 660, 655, 651, 646, 640, 636, 632, 628, 623, 619,
    614, 610, 604, 601, 597, 592, 588, 584, 580, 575, 570, 567, 563, 559, 555, 551, 547, 543,
    538, 535, 532, 528, 524, 520, 516, 513, 508, 505, 502, 498, 494, 491, 487, 484, 480, 477,
    474, 470, 467, 463, 460, 457, 453, 450, 447, 443, 440, 437, 434, 431};

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

} // namespace

int32_t TKavoXMModule::NoteToPeriod(int32_t note, int32_t fineTune) const {
    note = Clamp(note, 1, 132);
    if (LinearFrequencies) {
        const int32_t period = 7680 - 64 * note - fineTune / 2;
        return period < 1 ? 1 : period;
    }
    const int32_t n = note % 12, o = note / 12, f = fineTune / 16;
    const int32_t p1 = AmigaPeriods[size_t(Clamp(f + 8 * n + 8, 0, 103))];
    const int32_t i2 = fineTune < 0 ? f - 1 + 8 * n + 8 : f + 1 + 8 * n + 8;
    const int32_t frac = fineTune < 0 ? (-fineTune) & 15 : fineTune & 15;
    const int32_t p2 = AmigaPeriods[size_t(Clamp(i2, 0, 103))];
    return (((16 - frac) * p1 + frac * p2) * 2) >> o;
}

int32_t TKavoXMModule::PeriodToNote(int32_t period, int32_t fineTune) const {
    for (int32_t note = 1; note <= 119; ++note) {
        const int32_t p = NoteToPeriod(note, fineTune);
        if (p > 0 && period >= p) return note;
    }
    return 120;
}

// Only the key-off part of a cell.
void TKavoXMChannel::TriggerNote(const TKavoXMPatternNote& note) {
    if (Passive) return;
    if (note.Note == 97) {
        VolumeEnvelopeHandler.KeyOn = false;
        PanningEnvelopeHandler.KeyOn = false;
        KeyOff = true;
    }
}
