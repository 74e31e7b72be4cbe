// Period scales and the conversion of notes to periods and of periods to frequencies.
#include "KavoXM/sequencer/Pitch.h"

#include "KavoXM/module/Module.h"

#include <algorithm>
#include <cstddef>

namespace {

// e^x by its Taylor series in long double; |x| stays below ln 2 here, where 40 terms leave an
// error far below the distance of any table entry to the next integer.
constexpr long double Exp(long double x) {
    long double sum = 1.0L;
    long double term = 1.0L;
    for (int k = 1; k < 40; ++k) {
        term *= x / k;
        sum += term;
    }
    return sum;
}

constexpr std::array<uint32_t, 768> MakeLinearFrequencyTable() {
    constexpr long double ln2 = 0.693147180559945309417232121458176568L;
    std::array<uint32_t, 768> table{};
    for (int i = 0; i < 768; ++i) {
        // 535232 = 8363 x 64: the frequency of C-4 in 1/64 Hz, divided by 2^(i/768).
        const long double value = 535232.0L * Exp(-ln2 * i / 768.0L);
        table[size_t(i)] = uint32_t(value); // positive, so the cast rounds down
    }
    return table;
}

// The lowest note that NoteToPeriod accepts (C-0), and the highest.
constexpr int32_t LowestNote = 0;
constexpr int32_t HighestNote = 132;

} // namespace

const std::array<uint32_t, 768> LinearFrequencyTable = MakeLinearFrequencyTable();

// Amiga periods of one octave at 8 finetune steps per semitone; entry 8 + 8n is semitone n at
// finetune 0, entries 0..7 lie one semitone below C.
const std::array<uint16_t, 104> AmigaPeriodTable = {
    907, 900, 894, 887, 881, 875, 868, 862, 856, 850, 844, 838, 832, 826, 820, 814, 808, 802,
    796, 791, 785, 779, 774, 768, 762, 757, 752, 746, 741, 736, 730, 725, 720, 715, 709, 704,
    699, 694, 689, 684, 678, 675, 670, 665, 660, 655, 651, 646, 640, 636, 632, 628, 623, 619,
    614, 610, 604, 601, 597, 592, 588, 584, 580, 575, 570, 567, 563, 559, 555, 551, 547, 543,
    538, 535, 532, 528, 524, 520, 516, 513, 508, 505, 502, 498, 494, 491, 487, 484, 480, 477,
    474, 470, 467, 463, 460, 457, 453, 450, 447, 443, 440, 437, 434, 431};

int32_t LinearNoteToPeriod(int32_t note, int32_t fineTune) {
    note = std::clamp(note, LowestNote, HighestNote);
    const int32_t period = 7680 - 64 * note - fineTune / 2;
    return period < 1 ? 1 : period;
}

int32_t AmigaNoteToPeriod(int32_t note, int32_t fineTune) {
    note = std::clamp(note, LowestNote, HighestNote);
    const int32_t semitone = note % 12;
    const int32_t octave = note / 12;
    const int32_t fine = fineTune / 16;
    const int32_t base = 8 * semitone + 8;
    const int32_t last = int32_t(AmigaPeriodTable.size()) - 1;
    const int32_t i1 = std::clamp(fine + base, 0, last);
    // Interpolate 1/16 of the way per finetune unit toward the neighbouring table entry.
    const int32_t i2 = std::clamp(fineTune < 0 ? fine - 1 + base : fine + 1 + base, 0, last);
    const int32_t frac = fineTune < 0 ? (-fineTune) & 15 : fineTune & 15;
    const int32_t p1 = AmigaPeriodTable[size_t(i1)];
    const int32_t p2 = AmigaPeriodTable[size_t(i2)];
    return (((16 - frac) * p1 + frac * p2) * 2) >> octave;
}

int32_t LinearPeriodToFrequency(int32_t period) {
    if (period < 0) period = 0;
    const int32_t shift = period / 768;
    if (shift >= 32) return 0;
    return int32_t(LinearFrequencyTable[size_t(period % 768)] >> shift);
}

int32_t AmigaPeriodToFrequency(int32_t period) {
    if (period <= 0) return 1;
    return 14317456 / period; // 8363 x 1712: C-4 at period 1712 plays at 8363 Hz
}

// The step is the frequency x 2^32 / rate, worked out from the period's exact frequency (the
// fraction of a hertz included) and truncated once at the end. A period whose frequency is
// below 1 Hz gives 0: the mixer stops the voice.
int64_t LinearPeriodToIncrement(int32_t period, int32_t rate) {
    if (rate <= 0 || LinearPeriodToFrequency(period) == 0) return 0;
    const auto frequency = uint64_t(LinearFrequencyTable[size_t(period % 768)]); // below 2^20
    return int64_t(((frequency << 32) >> (period / 768)) / uint64_t(rate));
}

int64_t AmigaPeriodToIncrement(int32_t period, int32_t rate) {
    if (rate <= 0 || AmigaPeriodToFrequency(period) == 0) return 0;
    constexpr uint64_t c4Frequency = 14317456; // x period, below 2^24
    if (period <= 0) return int64_t((uint64_t(1) << 32) / uint64_t(rate));
    return int64_t((c4Frequency << 32) / (uint64_t(period) * uint64_t(rate)));
}

int32_t TKavoXMModule::NoteToPeriod(int32_t note, int32_t fineTune) const {
    return LinearFrequencies ? LinearNoteToPeriod(note, fineTune)
                             : AmigaNoteToPeriod(note, fineTune);
}

int32_t TKavoXMModule::PeriodToNote(int32_t period, int32_t fineTune) const {
    for (int32_t note = 1; note < 120; ++note) {
        const int32_t p = NoteToPeriod(note, fineTune);
        if (p > 0 && period >= p) return note;
    }
    return 120;
}

int32_t TKavoXMModule::PeriodToFrequency(int32_t period) const {
    return LinearFrequencies ? LinearPeriodToFrequency(period) : AmigaPeriodToFrequency(period);
}

int64_t TKavoXMModule::PeriodToIncrement(int32_t period, int32_t rate) const {
    return LinearFrequencies ? LinearPeriodToIncrement(period, rate)
                             : AmigaPeriodToIncrement(period, rate);
}
