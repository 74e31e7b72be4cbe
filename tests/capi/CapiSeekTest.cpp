// Seeking by time: from the tick that holds the time, the output is what a render from the
// start gives there.
#include "CapiSongs.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
using namespace capisongs;

constexpr int32_t Rate = 44100;
constexpr double MaxTickFrames = Rate * 2.5 / 32;

// First frame from which `tail` differs from `whole` at `start`, or -1 when they agree.
int64_t FirstDifference(const std::vector<int32_t>& whole, size_t start,
                        const std::vector<int32_t>& tail) {
    for (size_t i = 0; i < tail.size(); ++i)
        if (start * 2 + i >= whole.size() || whole[start * 2 + i] != tail[i]) return int64_t(i / 2);
    return (start * 2 + tail.size()) == whole.size() ? -1 : int64_t(tail.size() / 2);
}

// Seeks a fresh handle to each time and compares the rest with the render from the start.
void ExpectSeeksMatch(const std::vector<uint8_t>& image, const std::vector<double>& times) {
    Handle reference = Load(image);
    ASSERT_TRUE(reference);
    const std::vector<int32_t> whole = RenderAll(reference.get(), Rate);
    for (const double t : times) {
        Handle m = Load(image);
        ASSERT_EQ(kavoxm_seek_seconds(m.get(), t), KAVOXM_OK);
        kavoxm_state state{};
        ASSERT_EQ(kavoxm_get_state(m.get(), &state), KAVOXM_OK);
        const auto landed = size_t(std::llround(state.seconds * Rate));
        // The tick holding t: it starts at or before t, and no tick (tempo 32) is longer.
        EXPECT_LE(double(landed), t * Rate + 0.5) << "t = " << t;
        EXPECT_GT(double(landed) + MaxTickFrames, t * Rate) << "t = " << t;
        const std::vector<int32_t> tail = RenderAll(m.get(), Rate, 777);
        EXPECT_EQ(FirstDifference(whole, landed, tail), -1)
            << "t = " << t << ", landed on frame " << landed;
    }
}

TEST(CapiSeek, BuiltSongsPlayOnAsFromTheStart) {
    ExpectSeeksMatch(xmbuilder::BuildXM(Busy()), {0.0, 0.5, 1.234, 3.9, 6.02, 8.5});
    ExpectSeeksMatch(xmbuilder::BuildXM(Loops()), {0.3, 2.7, 5.55});
    ExpectSeeksMatch(xmbuilder::BuildXM(Held()), {0.01, 1.1});
}

TEST(CapiSeek, CorpusSongsPlayOnAsFromTheStart) {
    KAVOXM_REQUIRE_CORPUS();
    for (const std::string name : {"milky.xm", "sv_ttt.xm", "game_arg_sky.xm"}) {
        const auto path = testsupport::CorpusDir() / "songs" / name;
        if (!std::filesystem::exists(path)) GTEST_SKIP() << name << " not in the corpus";
        SCOPED_TRACE(name);
        ExpectSeeksMatch(testsupport::ReadFile(path), {7.3, 41.0});
    }
}

} // namespace
