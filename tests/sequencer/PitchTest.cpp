// Period tables, note and period conversions, frequencies and sample increments.
#include "SongBuilder.h"

#include "KavoXM/sequencer/Pitch.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

using namespace seqtest;

namespace {

TEST(Pitch, LinearFrequencyTableHasItsTellingRows) {
    EXPECT_EQ(LinearFrequencyTable[0], 535232u);
    EXPECT_EQ(LinearFrequencyTable[1], 534749u);
    EXPECT_EQ(LinearFrequencyTable[384], 378466u);
    EXPECT_EQ(LinearFrequencyTable[767], 267857u);
}

TEST(Pitch, LinearFrequencyTableIsTheFloorOfItsDefinition) {
    for (size_t i = 0; i < LinearFrequencyTable.size(); ++i) {
        const long double exact = 535232.0L * std::exp2(-static_cast<long double>(i) / 768.0L);
        const long double fraction = exact - std::floor(exact);
        // No entry lies so close to an integer that the rounding direction is in doubt.
        if (i != 0) {
            ASSERT_LT(std::fabs(fraction - 0.5L), 0.5L - 1e-6L) << i;
        }
        EXPECT_EQ(LinearFrequencyTable[i], uint32_t(std::floor(exact))) << "entry " << i;
    }
}

TEST(Pitch, AmigaPeriodTableSpansOneOctaveAndASemitone) {
    EXPECT_EQ(AmigaPeriodTable.front(), 907);
    EXPECT_EQ(AmigaPeriodTable[8], 856);          // C at finetune 0
    EXPECT_EQ(AmigaPeriodTable[8 + 8 * 11], 453); // B at finetune 0
    EXPECT_EQ(AmigaPeriodTable.back(), 431);
    for (size_t i = 1; i < AmigaPeriodTable.size(); ++i)
        EXPECT_LT(AmigaPeriodTable[i], AmigaPeriodTable[i - 1]) << i;
}

struct PitchCase {
    int32_t note, fineTune;
    int32_t linearPeriod, linearHz;
    int32_t amigaPeriod, amigaHz;
};

class PitchTable : public testing::TestWithParam<PitchCase> {};

TEST_P(PitchTable, NoteToPeriodAndFrequencyInBothModes) {
    const PitchCase& c = GetParam();
    EXPECT_EQ(LinearNoteToPeriod(c.note, c.fineTune), c.linearPeriod);
    EXPECT_EQ(LinearPeriodToFrequency(c.linearPeriod), c.linearHz);
    EXPECT_EQ(AmigaNoteToPeriod(c.note, c.fineTune), c.amigaPeriod);
    EXPECT_EQ(AmigaPeriodToFrequency(c.amigaPeriod), c.amigaHz);
}

INSTANTIATE_TEST_SUITE_P(Pitch, PitchTable,
                         testing::Values(PitchCase{48, 0, 4608, 8363, 1712, 8363},
                                         PitchCase{60, 0, 3840, 16726, 856, 16726},
                                         PitchCase{49, 0, 4544, 8860, 1616, 8859},
                                         PitchCase{48, -128, 4672, 7893, 1814, 7892},
                                         PitchCase{48, 127, 4545, 8852, 1616, 8859},
                                         // negative finetunes between two table steps
                                         PitchCase{48, -24, 4620, 8272, 1730, 8275},
                                         PitchCase{53, -77, 4326, 10786, 1328, 10781}),
                         [](const auto& info) {
                             const int32_t f = info.param.fineTune;
                             return "Note" + std::to_string(info.param.note) + "Finetune" +
                                    (f < 0 ? "Minus" : "") + std::to_string(f < 0 ? -f : f);
                         });

TEST(Pitch, IncrementsAt44100Hz) {
    SongBuilder song(1);
    song.Instrument(1);
    TKavoXMChannel& channel = song.Channel(0);
    channel.Instrument = song.module->Instruments[1].get();
    for (bool linear : {true, false}) {
        song.module->LinearFrequencies = linear;
        for (auto [note, increment] : {std::pair{48, 814485521LL}, std::pair{60, 1628971042LL}}) {
            channel.Active = true;
            channel.Period = song.module->NoteToPeriod(note, 0);
            channel.UpdateOutput();
            EXPECT_EQ(channel.Increment, increment) << "note " << note << " linear " << linear;
        }
    }
}

// Note 0 is C-0, the lowest: a semitone below note 1 on both scales.
TEST(Pitch, NotesAreClampedToC0AndAbove) {
    EXPECT_EQ(LinearNoteToPeriod(0, 0), LinearNoteToPeriod(1, 0) + 64);
    EXPECT_EQ(LinearNoteToPeriod(-1, 0), LinearNoteToPeriod(0, 0));
    EXPECT_EQ(AmigaNoteToPeriod(0, 0), 856 * 32);
    EXPECT_EQ(AmigaNoteToPeriod(-5, 0), AmigaNoteToPeriod(0, 0));
    EXPECT_EQ(LinearNoteToPeriod(500, 0), LinearNoteToPeriod(132, 0));
    EXPECT_EQ(LinearNoteToPeriod(132, 127), 1); // below 1 becomes 1
}

TEST(Pitch, PeriodToNoteInvertsNoteToPeriod) {
    TKavoXMModule module(nullptr);
    for (bool linear : {true, false}) {
        module.LinearFrequencies = linear;
        for (int32_t note = 1; note < 120; ++note)
            EXPECT_EQ(module.PeriodToNote(module.NoteToPeriod(note, 0), 0), note)
                << "note " << note << " linear " << linear;
        EXPECT_EQ(module.PeriodToNote(0, 0), 120);
    }
}

TEST(Pitch, LinearFrequencyFallsToZeroFromPeriod14615) {
    EXPECT_GT(LinearPeriodToFrequency(14614), 0);
    EXPECT_EQ(LinearPeriodToFrequency(14615), 0);
    EXPECT_EQ(LinearPeriodToFrequency(768 * 32), 0);
    EXPECT_EQ(LinearPeriodToFrequency(INT32_MAX), 0);
}

TEST(Pitch, PeriodsBelowZeroAreLookedUpAsZero) {
    EXPECT_EQ(LinearPeriodToFrequency(-100), 535232);
    EXPECT_EQ(AmigaPeriodToFrequency(0), 1);
    EXPECT_EQ(AmigaPeriodToFrequency(-100), 1);

    SongBuilder song(1);
    song.Instrument(1);
    TKavoXMChannel& channel = song.Channel(0);
    channel.Instrument = song.module->Instruments[1].get();
    channel.Active = true;
    channel.Period = 30;
    channel.PeriodDelta = -200;
    channel.UpdateOutput();
    EXPECT_EQ(channel.Frequency, 535232);
    EXPECT_EQ(channel.Period, 30);
}

// The step keeps the fraction of a hertz: C-3 plays at 4181.5 Hz on both scales (linear period
// 5376, Amiga period 3424), not at 4181 Hz.
struct StepCase {
    const char* name;
    bool linear;
    int32_t period, rate;
    int64_t increment;
};

class PitchStep : public testing::TestWithParam<StepCase> {};

TEST_P(PitchStep, FromTheExactFrequency) {
    const StepCase& c = GetParam();
    TKavoXMModule module(nullptr);
    module.LinearFrequencies = c.linear;
    EXPECT_EQ(module.PeriodToIncrement(c.period, c.rate), c.increment);
}

INSTANTIATE_TEST_SUITE_P(
    Pitch, PitchStep,
    testing::Values(StepCase{"LinearC4", true, 4608, 44100, 814485521},
                    StepCase{"LinearC3HalfHertzKept", true, 5376, 44100, 407242760},
                    StepCase{"AmigaC3HalfHertzKept", false, 3424, 44100, 407242760},
                    StepCase{"AmigaC3At48000", false, 3424, 48000, 374154286},
                    // 267857 / 64 = 4185.27 Hz: the fraction survives the shift.
                    StepCase{"LinearLastEntrySixOctavesDown", true, 767 + 6 * 768, 44100,
                             407609500},
                    StepCase{"LinearBelowOneHertzStops", true, 14615, 44100, 0},
                    StepCase{"ZeroRateGivesZero", true, 4608, 0, 0},
                    StepCase{"AmigaPeriodZeroPlaysAtOneHertz", false, 0, 44100, 97391}),
    [](const auto& info) { return std::string(info.param.name); });

// A note an octave up plays at twice the step, to the last unit: two channels that reach one
// pitch by different notes on samples of different lengths stay locked instead of beating.
TEST(Pitch, AnOctaveUpDoublesTheStepExactly) {
    TKavoXMModule module(nullptr);
    for (const int32_t rate : {22050, 44100, 48000}) {
        module.LinearFrequencies = true;
        for (int32_t period = 768; period < 14592; ++period) {
            const int64_t twice = 2 * module.PeriodToIncrement(period, rate);
            const int64_t octaveUp = module.PeriodToIncrement(period - 768, rate);
            ASSERT_GE(octaveUp - twice, 0) << "linear period " << period << " at " << rate;
            ASSERT_LE(octaveUp - twice, 1) << "linear period " << period << " at " << rate;
        }
        module.LinearFrequencies = false;
        for (int32_t period = 114; period <= 54784; period += 2) {
            const int64_t twice = 2 * module.PeriodToIncrement(period, rate);
            const int64_t octaveUp = module.PeriodToIncrement(period / 2, rate);
            ASSERT_GE(octaveUp - twice, 0) << "Amiga period " << period << " at " << rate;
            ASSERT_LE(octaveUp - twice, 1) << "Amiga period " << period << " at " << rate;
        }
    }
}

} // namespace
