#include "KavoXM/sequencer/Waveforms.h"
#include "support/EffectTrace.h"

#include <cstddef>
#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace effects;
using Trace = std::vector<TickState>;

constexpr int32_t C4 = 4608; // linear period of C-4 (RealNote 48)

class EffectHandlers : public ::testing::Test, public EffectTrace {
  protected:
    void SetUp() override {
        Channel.Period = C4;
        Channel.TargetPeriod = C4;
        Channel.RealNote = 48;
        Channel.Volume = 40;
        Channel.Panning = 128;
    }

    // The trace of a steady channel with the given per-tick volumes.
    Trace Volumes(const std::vector<int32_t>& volumes) const {
        Trace trace;
        for (int32_t v : volumes) trace.push_back({C4, v, 128, 0});
        return trace;
    }
};

// Volume slides and their memory.

TEST_F(EffectHandlers, VolumeSlideDownByOne) {
    EXPECT_EQ(Play(Cell(0xA, 0x01), RowVolumeSlide, TickVolumeSlide, 6),
              Volumes({40, 39, 38, 37, 36, 35}));
}

TEST_F(EffectHandlers, VolumeSlideZeroRepeatsTheLastSlide) {
    Play(Cell(0xA, 0x01), RowVolumeSlide, TickVolumeSlide, 3);
    EXPECT_EQ(Play(Cell(0xA, 0x00), RowVolumeSlide, TickVolumeSlide, 4), Volumes({38, 37, 36, 35}));
}

// With both nibbles set the slide goes up by x; y alone slides down.
TEST_F(EffectHandlers, VolumeSlideWithBothNibblesGoesUpByX) {
    EXPECT_EQ(Play(Cell(0xA, 0x45), RowVolumeSlide, TickVolumeSlide, 4), Volumes({40, 44, 48, 52}));
    EXPECT_EQ(Play(Cell(0xA, 0x03), RowVolumeSlide, TickVolumeSlide, 3), Volumes({52, 49, 46}));
    EXPECT_EQ(Play(Cell(0xA, 0x1F), RowVolumeSlide, TickVolumeSlide, 2), Volumes({46, 47}));
}

TEST_F(EffectHandlers, FineVolumeSlidesActOnceOnTheRowTick) {
    EXPECT_EQ(Play(Cell(0xE, 0xA3), RowFineVolumeUp, nullptr, 3), Volumes({43, 43, 43}));
    EXPECT_EQ(Play(Cell(0xE, 0xA0), RowFineVolumeUp, nullptr, 1), Volumes({46})); // memory
    EXPECT_EQ(Play(Cell(0xE, 0xB5), RowFineVolumeDown, nullptr, 2), Volumes({41, 41}));
    EXPECT_EQ(Play(Cell(0xE, 0xB0), RowFineVolumeDown, nullptr, 1), Volumes({36}));
    EXPECT_EQ(Channel.FineVolumeSlideUp, 3);
    EXPECT_EQ(Channel.FineVolumeSlideDown, 5);
}

TEST_F(EffectHandlers, SetVolumeAndPanning) {
    Play(Cell(0xC, 0x20), RowSetVolume, nullptr, 1);
    EXPECT_EQ(Channel.Volume, 0x20);
    Play(Cell(0x8, 0x33), RowSetPanning, nullptr, 1);
    EXPECT_EQ(Channel.Panning, 0x33);
}

TEST_F(EffectHandlers, PanningSlideAndMemory) {
    const Trace trace = Play(Cell(0x19, 0x02), RowPanningSlide, TickPanningSlide, 4);
    EXPECT_EQ(trace.back().Panning, 128 - 6);
    const Trace again = Play(Cell(0x19, 0x00), RowPanningSlide, TickPanningSlide, 2);
    EXPECT_EQ(again.back().Panning, 128 - 8);
    Play(Cell(0x19, 0x30), RowPanningSlide, TickPanningSlide, 2);
    EXPECT_EQ(Channel.Panning, 128 - 8 + 3);
}

TEST_F(EffectHandlers, GlobalVolumeSetAndSlide) {
    Play(Cell(0x10, 0x30), RowSetGlobalVolume, nullptr, 1);
    EXPECT_EQ(Module.GlobalVolume, 0x30);
    Play(Cell(0x11, 0x02), RowGlobalVolumeSlide, TickGlobalVolumeSlide, 6);
    EXPECT_EQ(Module.GlobalVolume, 0x30 - 10);
    Play(Cell(0x11, 0x00), RowGlobalVolumeSlide, TickGlobalVolumeSlide, 2);
    EXPECT_EQ(Module.GlobalVolume, 0x30 - 12);
}

// Vibrato, tremolo, tremor.

// The row tick applies the position without moving it; each effect tick applies it, then moves
// it on by the speed.
TEST_F(EffectHandlers, VibratoRunsOnEveryTickAndAdvancesOnEffectTicks) {
    Channel.VibratoPosition = 8;
    const Trace trace = Play(Cell(0x4, 0x47), RowVibrato, TickVibrato, 6);
    for (int32_t t = 0; t < 6; ++t) {
        const int32_t position = 8 + 4 * (t == 0 ? 0 : t - 1);
        const int32_t w = VibratoWaveforms[0][size_t(position)] * 2;
        EXPECT_EQ(trace[size_t(t)].Period, C4 + ((w * 7) / 128) * 4) << "tick " << t;
    }
    EXPECT_EQ(Channel.VibratoPosition, 8 + 5 * 4);
    EXPECT_EQ(trace[0].Period, trace[1].Period);
    EXPECT_NE(trace[1].Period, trace[2].Period);
}

TEST_F(EffectHandlers, VibratoMemoryTakesBothNibbles) {
    Play(Cell(0x4, 0x47), RowVibrato, TickVibrato, 1);
    Play(Cell(0x4, 0x00), RowVibrato, TickVibrato, 1);
    EXPECT_EQ(Channel.VibratoSpeed, 4);
    EXPECT_EQ(Channel.VibratoDepth, 7);
    Play(Cell(0x4, 0x05), RowVibrato, TickVibrato, 1);
    EXPECT_EQ(Channel.VibratoSpeed, 0);
    EXPECT_EQ(Channel.VibratoDepth, 5);
}

TEST_F(EffectHandlers, VibratoWaveformsFourToSevenGiveNoDeltaButAdvance) {
    Play(Cell(0xE, 0x4D), RowVibratoWaveform, nullptr, 1);
    EXPECT_EQ(Channel.VibratoWaveform, 5);
    const Trace trace = Play(Cell(0x4, 0x8F), RowVibrato, TickVibrato, 3);
    for (const TickState& s : trace) EXPECT_EQ(s.Period, C4);
    EXPECT_EQ(Channel.VibratoPosition, 16);
}

TEST_F(EffectHandlers, SquareVibrato) {
    Play(Cell(0xE, 0x42), RowVibratoWaveform, nullptr, 1);
    const Trace trace = Play(Cell(0x4, 0x8F), RowVibrato, TickVibrato, 6);
    // 127 x 2 x 15 / 128 = 29 (toward zero), times 4; the square turns at position 32, which
    // the sixth tick reaches (positions 0, 0, 8, 16, 24, 32).
    const int32_t expected[] = {C4 + 116, C4 + 116, C4 + 116, C4 + 116, C4 + 116, C4 - 116};
    for (size_t t = 0; t < 6; ++t) EXPECT_EQ(trace[t].Period, expected[t]) << t;
}

TEST_F(EffectHandlers, VibratoVolumeSlideVibratesOnEveryTickAndSlidesAfter) {
    Channel.VibratoSpeed = 8;
    Channel.VibratoDepth = 8;
    const Trace trace = Play(Cell(0x6, 0x02), RowVibratoVolumeSlide, TickVibratoVolumeSlide, 3);
    EXPECT_EQ(Channel.VibratoPosition, 16);
    EXPECT_EQ(trace[0].Volume, 40);
    EXPECT_EQ(trace[2].Volume, 36);
    EXPECT_EQ(trace[0].Period, C4); // sine starts at 0
    EXPECT_EQ(trace[1].Period, C4); // and the first effect tick applies it before moving on
    EXPECT_NE(trace[2].Period, C4);
}

TEST_F(EffectHandlers, TremoloModulatesTheVolumeOnEffectTicks) {
    const Trace trace = Play(Cell(0x7, 0x48), RowTremolo, TickTremolo, 5);
    EXPECT_EQ(trace[0].Volume, 40); // no tremolo on the row tick
    for (int32_t t = 1; t < 5; ++t) {
        const int32_t w = VibratoWaveforms[0][size_t(4 * (t - 1))] * 2;
        EXPECT_EQ(trace[size_t(t)].Volume, 40 + (w * 8) / 64) << "tick " << t;
    }
    EXPECT_EQ(Channel.Volume, 40);
    EXPECT_EQ(Channel.TremoloSpeed, 4);
    EXPECT_EQ(Channel.TremoloDepth, 8);
    // The next row's tick applies position 16 without moving it; its first effect tick again.
    const Trace next = Play(Cell(0x7, 0x00), RowTremolo, TickTremolo, 3);
    const int32_t w16 = VibratoWaveforms[0][16] * 2, w20 = VibratoWaveforms[0][20] * 2;
    EXPECT_EQ(next, Volumes({40 + (w16 * 8) / 64, 40 + (w16 * 8) / 64, 40 + (w20 * 8) / 64}));
}

// The tremolo ramp grows from 0 through each half of its cycle: up in the first half, down in
// the second. A vibrato position in the second half of its cycle makes it shrink instead.
// Positions 24, 28 (first half), 32, 36 (second half) at depth 8.
TEST_F(EffectHandlers, TremoloRampFollowsItsHalvesAndTheVibratoPosition) {
    Channel.TremoloWaveform = 1;
    Channel.TremoloPosition = 24;
    EXPECT_EQ(
        Play(Cell(0x7, 0x48), RowTremolo, TickTremolo, 5),
        Volumes({40 + 192 * 8 / 64, 40 + 192 * 8 / 64, 40 + 224 * 8 / 64, 40, 40 - 32 * 8 / 64}));
    Channel.TremoloPosition = 24;
    Channel.VibratoPosition = 32;
    EXPECT_EQ(Play(Cell(0x7, 0x48), RowTremolo, TickTremolo, 5),
              Volumes({40 + 63 * 8 / 64, 40 + 63 * 8 / 64, 40 + 31 * 8 / 64, 40 - 255 * 8 / 64,
                       40 - 223 * 8 / 64}));
}

TEST_F(EffectHandlers, TremoloWaveformIsMasked) {
    Play(Cell(0xE, 0x7B), RowTremoloWaveform, nullptr, 1);
    EXPECT_EQ(Channel.TremoloWaveform, 3);
}

// Txy sounds x + 1 effect ticks and is silent y + 1; a row tick keeps the last effect tick's
// state.
TEST_F(EffectHandlers, TremorSoundsXPlusOneTicksAndIsSilentYPlusOne) {
    EXPECT_EQ(Play(Cell(0x1D, 0x23), RowTremor, TickTremor, 6), Volumes({40, 40, 40, 40, 0, 0}));
    // The memory carries on, and so do the position and the silence.
    EXPECT_EQ(Play(Cell(0x1D, 0x00), RowTremor, TickTremor, 4), Volumes({0, 0, 0, 40}));
}

TEST_F(EffectHandlers, TremorT30AndT02) {
    EXPECT_EQ(Play(Cell(0x1D, 0x30), RowTremor, TickTremor, 7),
              Volumes({40, 40, 40, 40, 40, 0, 40}));
    Channel.TremorPosition = 0;
    EXPECT_EQ(Play(Cell(0x1D, 0x02), RowTremor, TickTremor, 6), Volumes({40, 40, 0, 0, 0, 40}));
}

// Pitch.

TEST_F(EffectHandlers, PortamentoUpAndDownWithMemory) {
    const Trace up = Play(Cell(0x1, 0x02), RowPortamentoUp, TickPortamentoUp, 3);
    EXPECT_EQ(up[0].Period, C4);
    EXPECT_EQ(up[2].Period, C4 - 16);
    Play(Cell(0x1, 0x00), RowPortamentoUp, TickPortamentoUp, 2);
    EXPECT_EQ(Channel.Period, C4 - 24);
    EXPECT_EQ(Channel.TargetPeriod, C4); // slides leave the tone-portamento target
    Play(Cell(0x2, 0x05), RowPortamentoDown, TickPortamentoDown, 2);
    Play(Cell(0x2, 0x00), RowPortamentoDown, TickPortamentoDown, 2);
    EXPECT_EQ(Channel.Period, C4 - 24 + 40);
    EXPECT_EQ(Channel.TargetPeriod, C4); // slides leave the tone-portamento target
}

TEST_F(EffectHandlers, FineAndExtraFinePortamentos) {
    Play(Cell(0xE, 0x13), RowFinePortamentoUp, nullptr, 3);
    EXPECT_EQ(Channel.Period, C4 - 12);
    Play(Cell(0xE, 0x10), RowFinePortamentoUp, nullptr, 1);
    EXPECT_EQ(Channel.Period, C4 - 24);
    Play(Cell(0xE, 0x22), RowFinePortamentoDown, nullptr, 1);
    Play(Cell(0xE, 0x20), RowFinePortamentoDown, nullptr, 1);
    EXPECT_EQ(Channel.Period, C4 - 8);
    Play(Cell(0x21, 0x13), RowExtraFinePortamentoUp, nullptr, 1);
    Play(Cell(0x21, 0x10), RowExtraFinePortamentoUp, nullptr, 1);
    EXPECT_EQ(Channel.Period, C4 - 14);
    Play(Cell(0x21, 0x25), RowExtraFinePortamentoDown, nullptr, 1);
    Play(Cell(0x21, 0x20), RowExtraFinePortamentoDown, nullptr, 1);
    EXPECT_EQ(Channel.Period, C4 - 4);
    EXPECT_EQ(Channel.TargetPeriod, C4); // slides leave the tone-portamento target
}

TEST_F(EffectHandlers, TonePortamentoStopsOnTheTarget) {
    Channel.TargetPeriod = C4 - 100;
    const Trace trace = Play(Cell(0x3, 0x08), RowTonePortamento, TickTonePortamento, 6);
    const int32_t expected[] = {C4, C4 - 32, C4 - 64, C4 - 96, C4 - 100, C4 - 100};
    for (size_t t = 0; t < 6; ++t) EXPECT_EQ(trace[t].Period, expected[t]) << t;
    Channel.TargetPeriod = C4;
    Play(Cell(0x3, 0x00), RowTonePortamento, TickTonePortamento, 3); // memory, downward
    EXPECT_EQ(Channel.Period, C4 - 36);
}

TEST_F(EffectHandlers, TonePortamentoVolumeSlide) {
    Channel.TonePortamentoSpeed = 4;
    Channel.TargetPeriod = C4 + 64;
    const Trace trace =
        Play(Cell(0x5, 0x20), RowTonePortamentoVolumeSlide, TickTonePortamentoVolumeSlide, 3);
    EXPECT_EQ(trace[0], (TickState{C4, 40, 128, 0}));
    EXPECT_EQ(trace[2], (TickState{C4 + 32, 44, 128, 0}));
}

TEST_F(EffectHandlers, GlissandoHoldsEachStepToTheNextSemitone) {
    Channel.TargetPeriod = C4 - 192; // three semitones up
    Play(Cell(0xE, 0x31), RowGlissando, nullptr, 1);
    EXPECT_TRUE(Channel.Glissando);
    const Trace up = Play(Cell(0x3, 0x20), RowTonePortamento, TickTonePortamento, 5);
    const int32_t expectedUp[] = {C4, C4 - 64, C4 - 128, C4 - 192, C4 - 192};
    for (size_t t = 0; t < 5; ++t) EXPECT_EQ(up[t].Period, expectedUp[t]) << t;

    // Downward to a target between semitones: semitone steps, then exactly the target.
    Channel.TargetPeriod = C4 - 192 + 160;
    const Trace down = Play(Cell(0x3, 0x20), RowTonePortamento, TickTonePortamento, 4);
    const int32_t expectedDown[] = {C4 - 192, C4 - 128, C4 - 64, C4 - 32};
    for (size_t t = 0; t < 4; ++t) EXPECT_EQ(down[t].Period, expectedDown[t]) << t;
}

TEST_F(EffectHandlers, GlissandoSlowerThanASemitoneLandsOnEverySemitone) {
    Channel.Glissando = true;
    Channel.TargetPeriod = C4 - 128;
    const Trace trace = Play(Cell(0x3, 0x0C), RowTonePortamento, TickTonePortamento, 6);
    const int32_t expected[] = {C4, C4 - 48, C4 - 64, C4 - 112, C4 - 128, C4 - 128};
    for (size_t t = 0; t < 6; ++t) EXPECT_EQ(trace[t].Period, expected[t]) << t;
}

TEST_F(EffectHandlers, GlissandoOnAmigaPeriods) {
    Module.LinearFrequencies = false;
    Channel.Period = Module.NoteToPeriod(48, 0);
    Channel.TargetPeriod = Module.NoteToPeriod(51, 0);
    Channel.Glissando = true;
    const Trace trace = Play(Cell(0x3, 0xFF), RowTonePortamento, TickTonePortamento, 5);
    for (int32_t t = 0; t < 4; ++t)
        EXPECT_EQ(trace[size_t(t)].Period, Module.NoteToPeriod(48 + t, 0)) << t;
    EXPECT_EQ(trace[4].Period, Channel.TargetPeriod);
}

TEST_F(EffectHandlers, ArpeggioLinear) {
    // At speed 6, tick t takes entry (6 - t) mod 3: base, y, x, base, y, x.
    const Trace trace = Play(Cell(0x0, 0x37), RowArpeggio, TickArpeggio, 6);
    const int32_t expected[] = {C4, C4 - 448, C4 - 192, C4, C4 - 448, C4 - 192};
    for (size_t t = 0; t < 6; ++t) EXPECT_EQ(trace[t].Period, expected[t]) << t;
    EXPECT_EQ(Channel.Period, C4);
}

TEST_F(EffectHandlers, ArpeggioAmiga) {
    Module.LinearFrequencies = false;
    Channel.Period = 1712;
    Play(Cell(0x0, 0xC7), RowArpeggio, TickArpeggio, 1);
    EXPECT_EQ(Channel.Arpeggio[0], 0);
    EXPECT_EQ(Channel.Arpeggio[1], -856); // an octave halves the Amiga period
    EXPECT_EQ(Channel.Arpeggio[2], Module.NoteToPeriod(55, 0) - Module.NoteToPeriod(48, 0));
    const Trace trace = Play(Cell(0x0, 0xC7), RowArpeggio, TickArpeggio, 4);
    EXPECT_EQ(trace[1].Period, Module.NoteToPeriod(55, 0));
    EXPECT_EQ(trace[2].Period, 856);
    EXPECT_EQ(trace[3].Period, 1712);
}

TEST_F(EffectHandlers, ArpeggioZeroDoesNothing) {
    Channel.Arpeggio = {0, -64, -128};
    const Trace trace = Play(Cell(0x0, 0x00), RowArpeggio, TickArpeggio, 3);
    for (const TickState& s : trace) EXPECT_EQ(s.Period, C4);
}

TEST_F(EffectHandlers, SetFineTuneRederivesThePeriod) {
    Play(Cell(0xE, 0x55), RowSetFineTune, nullptr, 1);
    EXPECT_EQ(Channel.FineTune, 5);
    EXPECT_EQ(Channel.Period, Module.NoteToPeriod(48, 5));
    EXPECT_EQ(Channel.Period, C4 - 2);
}

TEST_F(EffectHandlers, SetFineTuneBeforeAnyNoteKeepsPeriodZero) {
    Channel.Period = 0;
    Play(Cell(0xE, 0x57), RowSetFineTune, nullptr, 1);
    EXPECT_EQ(Channel.Period, 0);
    EXPECT_EQ(Channel.FineTune, 7);
}

// Sample, retrigger, key-off, envelope position, sound control.

TEST_F(EffectHandlers, SampleOffsetStartsTheRowsNoteOnly) {
    Channel.Active = true;
    Channel.SamplePosition = (int64_t(5000) << 32) + 12345;
    Play(Cell(0x9, 0x10), RowSampleOffset, nullptr, 2);
    EXPECT_EQ(Channel.SamplePosition, (int64_t(5000) << 32) + 12345);
    for (const int32_t note : {1, 96}) {
        Play(Cell(0x9, 0x10, 0, note), RowSampleOffset, nullptr, 1);
        EXPECT_EQ(Channel.SamplePosition, int64_t(0x10 * 256) << 32) << "note " << note;
        Channel.SamplePosition = 0;
    }
    Play(Cell(0x9, 0xFF, 0, 97), RowSampleOffset, nullptr, 1); // a key-off is no note
    EXPECT_EQ(Channel.SamplePosition, 0);
    Play(Cell(0x9, 0xFF, 0, 49), RowSampleOffset, nullptr, 1);
    EXPECT_EQ(Channel.SamplePosition >> 32, 0xFF * 256);
}

// The ticks, among 1..17 of a row at speed 6 with two extra row-lengths, on which `handler`
// restarts the sample.
std::vector<int32_t> RetriggerTicks(EffectTrace& trace, const TKavoXMPatternNote& cell,
                                    TKavoXMEffectHandler handler) {
    TKavoXMInstrument instrument;
    TKavoXMSample sample;
    trace.Channel.Instrument = &instrument;
    trace.Channel.Sample = &sample;
    std::vector<int32_t> ticks;
    for (int32_t t = 1; t < 6 * 3; ++t) {
        trace.Module.TickCounter = t;
        trace.Channel.CurrentTick = t;
        trace.Channel.SamplePosition = int64_t(100) << 32;
        handler(trace.Channel, cell);
        if (trace.Channel.SamplePosition == 0) ticks.push_back(t);
    }
    trace.Channel.Instrument = nullptr;
    trace.Channel.Sample = nullptr;
    return ticks;
}

TEST_F(EffectHandlers, RetriggerCountsThroughAPatternDelay) {
    EXPECT_EQ(RetriggerTicks(*this, Cell(0xE, 0x93, 0, 97), TickRetrigger),
              (std::vector<int32_t>{3, 6, 9, 12, 15}));
    EXPECT_EQ(RetriggerTicks(*this, Cell(0xE, 0x95, 0, 97), TickRetrigger),
              (std::vector<int32_t>{5, 10, 15}));
    EXPECT_TRUE(RetriggerTicks(*this, Cell(0xE, 0x90, 0, 97), TickRetrigger).empty());
}

TEST_F(EffectHandlers, MultiRetrigCountsThroughAPatternDelayAndChangesVolume) {
    const TKavoXMPatternNote cell = Cell(0x1B, 0x14, 0, 97);
    effects::RowMultiRetrig(Channel, cell);
    EXPECT_EQ(Channel.RetrigVolumeChange, 1);
    EXPECT_EQ(Channel.RetrigInterval, 4);
    EXPECT_EQ(RetriggerTicks(*this, cell, TickMultiRetrig), (std::vector<int32_t>{4, 8, 12, 16}));
    EXPECT_EQ(Channel.Volume, 36);
    effects::RowMultiRetrig(Channel, Cell(0x1B, 0x00)); // memory
    EXPECT_EQ(Channel.RetrigInterval, 4);
}

struct RetrigCase {
    int32_t change, volume, expected;
};

TEST_F(EffectHandlers, MultiRetrigVolumeChanges) {
    const RetrigCase cases[] = {
        {0, 30, 30},  {1, 30, 29},  {2, 30, 28},  {3, 30, 26},  {4, 30, 22},  {5, 30, 14},
        {6, 30, 20},  {7, 30, 15},  {8, 30, 30},  {9, 30, 31},  {10, 30, 32}, {11, 30, 34},
        {12, 30, 38}, {13, 30, 46}, {14, 30, 45}, {15, 30, 60}, {7, 31, 15},  {14, 31, 46},
        {6, -3, -2},  {7, -3, 0},   {14, -3, 0},  {15, -3, -6}, {5, 3, -13},
    };
    for (const RetrigCase& c : cases) {
        Channel.Volume = c.volume;
        Channel.RetrigVolumeChange = c.change;
        Channel.RetrigInterval = 1;
        Module.TickCounter = 1;
        TickMultiRetrig(Channel, Cell(0x1B, 0));
        EXPECT_EQ(Channel.Volume, c.expected) << "x " << c.change << " volume " << c.volume;
    }
}

TEST_F(EffectHandlers, NoteCutOnItsTick) {
    EXPECT_EQ(Play(Cell(0xE, 0xC3), nullptr, TickNoteCut, 5), Volumes({40, 40, 40, 0, 0}));
    Channel.Volume = 40;
    EXPECT_EQ(Play(Cell(0xE, 0xC0), nullptr, TickNoteCut, 3), Volumes({40, 40, 40}));
}

TEST_F(EffectHandlers, KeyOffReleasesBothEnvelopesAtOnce) {
    Module.Speed = 6;
    Play(Cell(0x14, 0x02), nullptr, TickKeyOff, 2);
    EXPECT_FALSE(Channel.KeyOff);
    Play(Cell(0x14, 0x02), nullptr, TickKeyOff, 3);
    EXPECT_TRUE(Channel.KeyOff);
    EXPECT_FALSE(Channel.VolumeEnvelopeHandler.KeyOn);
    EXPECT_FALSE(Channel.PanningEnvelopeHandler.KeyOn);
}

TEST_F(EffectHandlers, EnvelopePositionMovesBothHandlers) {
    TKavoXMEnvelope env;
    env.Enabled = true;
    env.NumPoints = 2;
    env.Points[0] = {0, 64};
    env.Points[1] = {10, 0};
    Channel.VolumeEnvelopeHandler.Envelope = &env;
    Channel.PanningEnvelopeHandler.Envelope = &env;
    Play(Cell(0x15, 0x05), RowEnvelopePosition, nullptr, 1);
    for (auto* handler : {&Channel.VolumeEnvelopeHandler, &Channel.PanningEnvelopeHandler}) {
        EXPECT_EQ(handler->Position, 5);
        EXPECT_EQ(handler->Process(), 32);
    }
}

TEST_F(EffectHandlers, SoundControl) {
    Play(Cell(0x21, 0x9F), RowSoundControl, nullptr, 1);
    EXPECT_TRUE(Channel.Backwards);
    Play(Cell(0x21, 0x9E), RowSoundControl, nullptr, 1);
    EXPECT_FALSE(Channel.Backwards);
    Play(Cell(0x21, 0x90), RowSoundControl, nullptr, 1);
    EXPECT_TRUE(Channel.Surround);
    Play(Cell(0x21, 0x91), RowSoundControl, nullptr, 1);
    EXPECT_FALSE(Channel.Surround);
    Play(Cell(0x21, 0x9D), RowSoundControl, nullptr, 1);
    EXPECT_TRUE(Channel.ClearVariantOnNote);
    Play(Cell(0x21, 0x9C), RowSoundControl, nullptr, 1);
    EXPECT_FALSE(Channel.ClearVariantOnNote);
    Channel.Surround = true;
    Play(Cell(0x21, 0x95), RowSoundControl, nullptr, 1); // no meaning: nothing changes
    EXPECT_TRUE(Channel.Surround);
    EXPECT_FALSE(Channel.Backwards);
}

TEST_F(EffectHandlers, GlissandoSwitch) {
    Play(Cell(0xE, 0x31), RowGlissando, nullptr, 1);
    EXPECT_TRUE(Channel.Glissando);
    Play(Cell(0xE, 0x30), RowGlissando, nullptr, 1);
    EXPECT_FALSE(Channel.Glissando);
}

} // namespace
