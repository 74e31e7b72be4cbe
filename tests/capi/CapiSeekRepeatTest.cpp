// Far seeks into a song that repeats: any pass, up to the one-hour cap of a song played forever
// or the last of INT32_MAX passes, lands where playing from the start would, and what follows
// equals the same place of an early pass.
#include "CapiSongs.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace {
using namespace capisongs;

constexpr int32_t Rate = 44100;

// `channels` channels retriggering looped notes every 4 rows of a 16-row pattern at speed 3:
// one pass is 42,336 frames (not a whole number of 2,048-frame blocks), and the song restarts
// at its first row with the voices it cut still fading.
std::vector<uint8_t> Repeating(uint16_t channels) {
    xmbuilder::XMSong song;
    song.Channels = channels;
    song.Speed = 3;
    AddInstruments(song);
    xmbuilder::XMPattern pattern;
    pattern.Rows = 16;
    for (uint16_t c = 0; c < channels; ++c)
        for (int32_t row = c % 4; row < 16; row += 4)
            pattern.Put(row, c, XMCell{uint8_t(37 + (row + c) % 24), uint8_t(1 + c % 3), 0, 0, 0});
    song.Patterns.push_back(pattern);
    return xmbuilder::BuildXM(song);
}

std::vector<int32_t> Render(const std::vector<uint8_t>& image, int32_t repeat) {
    Handle m = Load(image);
    if (!m || kavoxm_set_repeat(m.get(), repeat) != KAVOXM_OK) return {};
    return RenderAll(m.get(), Rate, 4096);
}

struct RepeatCase {
    const char* name;
    std::function<std::vector<uint8_t>()> image;
    int32_t repeat;
    double seconds;
    bool corpus;
};

void PrintTo(const RepeatCase& c, std::ostream* os) {
    *os << c.name;
}

class CapiSeekRepeat : public testing::TestWithParam<RepeatCase> {};

TEST_P(CapiSeekRepeat, LandsAsPlayingFromTheStart) {
    const RepeatCase& c = GetParam();
    if (c.corpus) KAVOXM_REQUIRE_CORPUS();
    const std::vector<uint8_t> image = c.image();
    // Two passes end at `second`; the third is `pass` frames long, as every later one.
    const size_t second = Render(image, 1).size() / 2;
    const std::vector<int32_t> reference = Render(image, 2);
    ASSERT_GT(second, 0u);
    const size_t pass = reference.size() / 2 - second;
    ASSERT_GT(pass, 0u);

    Handle m = Load(image);
    ASSERT_EQ(kavoxm_set_repeat(m.get(), c.repeat), KAVOXM_OK);
    ASSERT_EQ(kavoxm_seek_seconds(m.get(), c.seconds), KAVOXM_OK);
    kavoxm_state state{};
    ASSERT_EQ(kavoxm_get_state(m.get(), &state), KAVOXM_OK);
    const auto landed = uint64_t(std::llround(state.seconds * Rate));
    std::vector<int32_t> tail(2 * 8192);
    const int64_t n = kavoxm_render_mix(m.get(), Rate, 2, tail.data(), 8192);
    ASSERT_GE(n, 0);

    const uint64_t passes = c.repeat < 0 ? UINT64_MAX : uint64_t(c.repeat) + 1;
    const uint64_t end = passes == UINT64_MAX ? UINT64_MAX : second + (passes - 2) * pass;
    // Seeks stop at an hour per pass (an hour for a song played forever).
    const double cap = 3600.0 * (c.repeat < 0 ? 1.0 : c.repeat + 1.0);
    const auto target = uint64_t(std::llround(std::min(c.seconds, cap) * Rate));
    if (target >= end) {
        EXPECT_EQ(landed, end);
        EXPECT_EQ(state.ended, 1);
        EXPECT_EQ(uint64_t(state.pass), passes);
        EXPECT_EQ(n, 0);
        return;
    }
    ASSERT_LE(landed, target);
    EXPECT_LT(target - landed, uint64_t(Rate)); // within the tick holding the target
    ASSERT_GE(landed, second);
    EXPECT_EQ(uint64_t(state.pass), 2 + (landed - second) / pass);
    ASSERT_EQ(n, 8192);
    // The same place of the third pass.
    const size_t same = second + (landed - second) % pass;
    const size_t frames = std::min<size_t>(8192, reference.size() / 2 - same);
    ASSERT_GT(frames, 1000u);
    for (size_t i = 0; i < frames * 2; ++i)
        if (tail[i] != reference[same * 2 + i]) {
            ADD_FAILURE() << "frame " << i / 2 << " after " << landed << " differs";
            return;
        }
}

std::vector<uint8_t> SvTtt() {
    return testsupport::ReadFile(testsupport::CorpusDir() / "songs" / "sv_ttt.xm");
}

INSTANTIATE_TEST_SUITE_P(
    Passes, CapiSeekRepeat,
    testing::Values(
        RepeatCase{"ForeverToTheHourCap", [] { return Repeating(32); }, -1, 3600.0, false},
        RepeatCase{"ForeverPastTheCap", [] { return Repeating(32); }, -1, 1e9, false},
        RepeatCase{"ThirdPass", [] { return Repeating(4); }, 5, 2.5, false},
        RepeatCase{"LastOfAThousand", [] { return Repeating(4); }, 1000, 959.3, false},
        RepeatCase{"EndOfAThousand", [] { return Repeating(4); }, 1000, 1e9, false},
        RepeatCase{"Int32MaxPasses", [] { return Repeating(32); }, INT32_MAX, 1e8, false},
        RepeatCase{"SvTttInt32Max", SvTtt, INT32_MAX, 1e9, true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
