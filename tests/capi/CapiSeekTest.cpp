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
// A seek made before the first render call at another rate is made again at that rate.
void ExpectSeeksMatch(const std::vector<uint8_t>& image, const std::vector<double>& times,
                      int32_t rate = Rate) {
    Handle reference = Load(image);
    ASSERT_TRUE(reference);
    const std::vector<int32_t> whole = RenderAll(reference.get(), rate);
    for (const double t : times) {
        Handle m = Load(image);
        ASSERT_EQ(kavoxm_seek_seconds(m.get(), t), KAVOXM_OK);
        int32_t none[2];
        ASSERT_EQ(kavoxm_render_mix(m.get(), rate, 2, none, 0), 0);
        kavoxm_state state{};
        ASSERT_EQ(kavoxm_get_state(m.get(), &state), KAVOXM_OK);
        const auto landed = size_t(std::llround(state.seconds * rate));
        // The tick holding t: it starts at or before t, and no tick (tempo 32) is longer.
        EXPECT_LE(double(landed), t * rate + 0.5) << "t = " << t;
        EXPECT_GT(double(landed) + MaxTickFrames * rate / Rate, t * rate) << "t = " << t;
        const std::vector<int32_t> tail = RenderAll(m.get(), rate, 777);
        EXPECT_EQ(FirstDifference(whole, landed, tail), -1)
            << "t = " << t << ", landed on frame " << landed;
    }
}

TEST(CapiSeek, BuiltSongsPlayOnAsFromTheStart) {
    ExpectSeeksMatch(xmbuilder::BuildXM(Busy()), {0.0, 0.5, 1.234, 3.9, 6.02, 8.5});
    ExpectSeeksMatch(xmbuilder::BuildXM(Loops()), {0.3, 2.7, 5.55});
    ExpectSeeksMatch(xmbuilder::BuildXM(Held()), {0.01, 1.1});
    ExpectSeeksMatch(xmbuilder::BuildXM(Busy()), {2.2, 7.77}, 48000);
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
