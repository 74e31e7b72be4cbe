// A long note measured by its zero crossings: the rate keeps the fraction of a hertz that the
// period gives, on both frequency scales, so notes an octave apart on samples of different
// lengths sound at one pitch.
#include "RenderedSong.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace renderedsong;

constexpr uint8_t NoteC3 = 37, NoteC4 = 49;

struct RateCase {
    const char* name;
    bool linear;
    uint8_t note;
    int32_t cycleFrames; // frames of the one-cycle sine
    double hertz;        // the note's frequency / cycleFrames
};

class ExactRateSong : public testing::TestWithParam<RateCase> {};

TEST_P(ExactRateSong, ZeroCrossingsOverSixSeconds) {
    const RateCase& c = GetParam();
    xmbuilder::XMSong song = OneChannelSong(Sine(c.cycleFrames), c.linear);
    song.Patterns[0].Put(0, 0, {c.note, 1, 0, 0, 0});
    const std::vector<int16_t> pcm = Render(song, 7 * Rate);
    ASSERT_EQ(pcm.size(), size_t(7 * Rate));
    EXPECT_NEAR(ZeroCrossingHz(pcm, Rate / 2, pcm.size()), c.hertz, 0.002);
}

// C-3 is 4181.5 Hz (whole hertz would give 130.65625 on 32 frames, 2090.5 on 2 frames).
INSTANTIATE_TEST_SUITE_P(
    ExactRateSong, ExactRateSong,
    testing::Values(RateCase{"LinearC3On32Frames", true, NoteC3, 32, 4181.5 / 32},
                    RateCase{"AmigaC3On32Frames", false, NoteC3, 32, 4181.5 / 32},
                    RateCase{"LinearC3On8Frames", true, NoteC3, 8, 4181.5 / 8},
                    RateCase{"LinearC4On16FramesSamePitch", true, NoteC4, 16, 8363.0 / 16}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
