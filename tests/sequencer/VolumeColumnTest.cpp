#include "support/EffectTrace.h"

#include <gtest/gtest.h>

namespace {

// The channel fields the volume column can touch.
struct ColumnState {
    int32_t Volume = 32;
    int32_t Panning = 128;
    int32_t VibratoSpeed = 1;
    int32_t VibratoDepth = 2;
    int32_t VibratoPosition = 0;
    int32_t TonePortamentoSpeed = 3;
    int32_t Period = 4608;

    bool operator==(const ColumnState&) const = default;
};

std::ostream& operator<<(std::ostream& os, const ColumnState& s) {
    return os << "{volume " << s.Volume << ", panning " << s.Panning << ", vibrato "
              << s.VibratoSpeed << "/" << s.VibratoDepth << " at " << s.VibratoPosition
              << ", porta " << s.TonePortamentoSpeed << ", period " << s.Period << "}";
}

class VolumeColumn : public ::testing::Test, public EffectTrace {
  protected:
    void Load(const ColumnState& s) {
        Channel.Volume = s.Volume;
        Channel.Panning = s.Panning;
        Channel.VibratoSpeed = s.VibratoSpeed;
        Channel.VibratoDepth = s.VibratoDepth;
        Channel.VibratoPosition = s.VibratoPosition;
        Channel.TonePortamentoSpeed = s.TonePortamentoSpeed;
        Channel.Period = s.Period;
        Channel.TargetPeriod = s.Period - 100;
    }

    ColumnState Read() const {
        return {Channel.Volume,       Channel.Panning,         Channel.VibratoSpeed,
                Channel.VibratoDepth, Channel.VibratoPosition, Channel.TonePortamentoSpeed,
                Channel.Period};
    }
};

// Expected state after one call: the defaults with one field changed.
ColumnState With(int32_t ColumnState::*field, int32_t value) {
    ColumnState s;
    s.*field = value;
    return s;
}

const ColumnState Unchanged{};

struct ColumnCase {
    int32_t v;
    int32_t delay; // the row's note delay
    int32_t tick;  // CurrentTick of the call
    ColumnState expected;
};

TEST_F(VolumeColumn, RowTick) {
    const ColumnCase cases[] = {
        {0x00, 0, 0, Unchanged},
        {0x0F, 0, 0, Unchanged},
        {0x10, 0, 0, With(&ColumnState::Volume, 0)},
        {0x3A, 0, 0, With(&ColumnState::Volume, 42)},
        {0x50, 0, 0, With(&ColumnState::Volume, 64)},
        {0x3A, 2, 0, Unchanged}, // not due yet
        {0x3A, 2, 2, With(&ColumnState::Volume, 42)},
        {0x51, 0, 0, Unchanged},
        {0x5F, 0, 0, Unchanged},
        {0x63, 0, 0, Unchanged}, // slides act on effect ticks only
        {0x74, 0, 0, Unchanged},
        {0x83, 0, 0, With(&ColumnState::Volume, 29)},
        {0x83, 3, 0, Unchanged},
        {0x94, 0, 0, With(&ColumnState::Volume, 36)},
        {0x94, 1, 0, Unchanged},
        {0xA5, 0, 0, With(&ColumnState::VibratoSpeed, 5)},
        {0xA5, 3, 0, With(&ColumnState::VibratoSpeed, 5)}, // memories act on every call
        {0xA0, 0, 0, With(&ColumnState::VibratoSpeed, 0)},
        {0xB6, 0, 0, With(&ColumnState::VibratoDepth, 6)},
        {0xB6, 3, 0, With(&ColumnState::VibratoDepth, 6)},
        {0xC4, 0, 0, With(&ColumnState::Panning, 64)},
        {0xCF, 0, 0, With(&ColumnState::Panning, 240)},
        {0xC4, 3, 0, Unchanged},
        {0xD5, 0, 0, Unchanged},
        {0xE6, 0, 0, Unchanged},
        {0xF7, 0, 0, With(&ColumnState::TonePortamentoSpeed, 7 * 16)},
        {0xF7, 3, 0, With(&ColumnState::TonePortamentoSpeed, 7 * 16)},
        {0xF0, 0, 0, Unchanged},  // the speed shared with 3xx
        {0x100, 0, 0, Unchanged}, // outside the byte
        {-1, 0, 0, Unchanged},
    };
    for (const ColumnCase& c : cases) {
        Load(Unchanged);
        Channel.CurrentTick = c.tick;
        Channel.RowVolumeColumn(Cell(0, 0, c.v), c.delay);
        EXPECT_EQ(Read(), c.expected)
            << "v " << std::hex << c.v << std::dec << " delay " << c.delay << " tick " << c.tick;
    }
}

TEST_F(VolumeColumn, EffectTicks) {
    ColumnState vibrated = With(&ColumnState::VibratoPosition, 1);
    vibrated.Period = 4608; // sine at position 0 adds nothing; the position advances by speed
    const ColumnCase cases[] = {
        {0x10, 0, 1, Unchanged},
        {0x50, 0, 1, Unchanged},
        {0x63, 0, 1, With(&ColumnState::Volume, 29)},
        {0x63, 2, 2, With(&ColumnState::Volume, 29)},
        {0x63, 2, 1, Unchanged}, // before the delayed note
        {0x74, 0, 1, With(&ColumnState::Volume, 36)},
        {0x74, 3, 1, Unchanged},
        {0x83, 0, 1, Unchanged},
        {0x94, 0, 1, Unchanged},
        {0xA5, 0, 1, Unchanged},
        {0xB6, 0, 1, vibrated},
        {0xB6, 3, 1, vibrated}, // vibrato runs on every effect tick
        {0xC4, 0, 1, Unchanged},
        {0xD5, 0, 1, With(&ColumnState::Panning, 123)},
        {0xD5, 2, 1, Unchanged},
        {0xE6, 0, 1, With(&ColumnState::Panning, 134)},
        {0xE6, 4, 5, With(&ColumnState::Panning, 134)},
        {0xF7, 0, 1, With(&ColumnState::Period, 4608 - 12)}, // stored speed 3, times 4
        {0xF7, 3, 1, With(&ColumnState::Period, 4608 - 12)},
    };
    for (const ColumnCase& c : cases) {
        Load(Unchanged);
        Channel.CurrentTick = c.tick;
        Channel.TickVolumeColumn(Cell(0, 0, c.v), c.delay);
        EXPECT_EQ(Read(), c.expected)
            << "v " << std::hex << c.v << std::dec << " delay " << c.delay << " tick " << c.tick;
    }
}

TEST_F(VolumeColumn, VibratoFromTheColumnUsesTheColumnDepth) {
    Channel.Period = 4608;
    Channel.VibratoSpeed = 8;
    const std::vector<TickState> trace = Play(Cell(0, 0, 0xBF), nullptr, nullptr, 3);
    EXPECT_EQ(trace[0].Period, 4608); // no vibrato on the row tick
    EXPECT_EQ(Channel.VibratoDepth, 15);
    EXPECT_EQ(Channel.VibratoPosition, 16);
    EXPECT_NE(trace[2].Period, 4608);
}

// $Fx slides like 3x0, 16x faster than the nibble; $F0 goes on at the speed of the last 3xx.
TEST_F(VolumeColumn, TonePortamentoSpeedIsTheNibbleTimesSixteen) {
    Channel.Period = 4608;
    Channel.TargetPeriod = 4608 + 1000;
    std::vector<TickState> trace = Play(Cell(0, 0, 0xF2), nullptr, nullptr, 4);
    EXPECT_EQ(trace[0].Period, 4608);
    EXPECT_EQ(trace[1].Period, 4608 + 2 * 16 * 4);
    EXPECT_EQ(trace[3].Period, 4608 + 3 * 2 * 16 * 4);
    Channel.Period = 4608;
    Play(Cell(3, 0x05), effects::RowTonePortamento, nullptr, 1);
    trace = Play(Cell(0, 0, 0xF0), nullptr, nullptr, 3);
    EXPECT_EQ(trace[2].Period, 4608 + 2 * 5 * 4);
}

} // namespace
