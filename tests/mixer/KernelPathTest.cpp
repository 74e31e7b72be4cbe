// The SIMD kernel paths against the plain one: every kernel of both tables, on random samples,
// positions, steps (forwards and backwards), gains and ramps of any 32-bit value, random run
// lengths and a mixing buffer that already holds random values. Results and voice state must be
// identical.
#include "KernelEntries.h"
#include "MixerTestSupport.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <tuple>

namespace {
using namespace mixertest;
using Path = TKavoXMKernelPath;

class Random {
  public:
    explicit Random(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15u + 1) {}
    uint64_t Next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    int32_t Below(int32_t n) { return int32_t(Next() % uint64_t(n)); }
    int32_t Any32() { return int32_t(uint32_t(Next())); }
    // A 16-bit range value, often at an extreme.
    int32_t Value() {
        const int32_t pick = Below(8);
        return pick == 0 ? -32768 : pick == 1 ? 32767 : int32_t(int16_t(Next()));
    }

  private:
    uint64_t state;
};

// One random voice on a random sample, set so that every position of an n-frame run stays
// inside the sample, or inside a forward loop that the run wraps through.
struct Trial {
    std::unique_ptr<TKavoXMSample> sample;
    std::unique_ptr<TKavoXMChannel> voice;
    std::vector<int32_t> out;
    int32_t n = 0;

    Trial(Random& random, const KernelEntry& e, bool wrap) {
        if (wrap)
            Wrapping(random, e);
        else
            Straight(random, e);
        voice->TargetVolumeLeft = random.Any32();
        voice->TargetVolumeRight = random.Any32();
        voice->RampVolumeLeft = random.Any32();
        voice->RampVolumeRight = random.Any32();
        voice->RampStepLeft = e.ramping ? random.Any32() : 0;
        voice->RampStepRight = e.ramping ? random.Any32() : 0;
        out.resize(size_t(n * e.outWidth) + 8);
        for (auto& v : out) v = random.Any32();
    }

    std::unique_ptr<TKavoXMSample> RandomSample(Random& random, const KernelEntry& e,
                                                int32_t frames, LoopSpec loop = {}) {
        std::vector<int32_t> values(size_t(frames * (e.stereoSample + 1)));
        for (auto& v : values) v = random.Value();
        return MakeSample(values, e.stereoSample + 1, loop);
    }

    // A run that stays inside the sample, forwards or backwards.
    void Straight(Random& random, const KernelEntry& e) {
        const int32_t frames = 2 + random.Below(300);
        sample = RandomSample(random, e, frames);
        const int64_t span = int64_t(frames) * Frame - 1; // positions 0 .. span
        int64_t increment = int64_t(random.Next() % uint64_t(3 * Frame)) + 1;
        if (random.Below(4) == 0) increment = int64_t(random.Next() % uint64_t(Frame / 64)) + 1;
        n = int32_t(std::min<int64_t>(span / increment + 1, 1 + random.Below(40)));
        const bool backwards = random.Below(2) == 1;
        const int64_t room = span - increment * (n - 1);
        const int64_t offset = int64_t(random.Next() % uint64_t(room + 1));
        voice = MakeVoice(*sample, backwards ? span - offset : offset, increment);
        voice->Step = backwards ? -increment : increment;
    }

    // A run through a forward loop that wraps inside the kernel, often more than once, with
    // increments up to an eighth of the loop (the largest the voice mixer hands over).
    void Wrapping(Random& random, const KernelEntry& e) {
        const int32_t frames = 2 + random.Below(120);
        const int32_t start = random.Below(frames);
        const int32_t length = 1 + random.Below(frames - start);
        sample = RandomSample(random, e, frames, {true, false, start, length});
        const int64_t loopEnd = int64_t(start + length) * Frame;
        const int64_t most = length * Frame / 8;
        const int64_t increment =
            random.Below(4) == 0 ? most : 1 + int64_t(random.Next() % uint64_t(most));
        n = 1 + random.Below(300);
        voice = MakeVoice(*sample, int64_t(random.Next() % uint64_t(loopEnd)), increment);
        voice->WrapEnd = loopEnd;
        voice->WrapLength = length * Frame;
    }

    void Mix(TKavoXMKernel kernel, const TKavoXMCubicSpline& spline, const KernelEntry& e) {
        int32_t* mix = out.data();
        kernel(mix, n, *voice, spline.Coefficients.data());
        EXPECT_EQ(mix, out.data() + n * e.outWidth);
    }
};

class KernelPathTest : public ::testing::TestWithParam<std::tuple<Path, KernelEntry>> {
  protected:
    TKavoXMCubicSpline spline;
};

TEST_P(KernelPathTest, MatchesThePlainKernel) {
    const auto [path, e] = GetParam();
    if (!KernelPathAvailable(path)) GTEST_SKIP() << "this CPU lacks the path";
    const size_t at = size_t(KernelIndex(e.mode, e.stereoSample, e.ramping, 0, e.split));
    const TKavoXMKernel plain = KernelTableOf(Path::Scalar, e.outWidth)[at];
    const TKavoXMKernel fast = KernelTableOf(path, e.outWidth)[at];
    for (uint64_t seed = 1; seed <= 500; ++seed) {
        const bool wrap = seed > 300;
        Random a(seed), b(seed);
        Trial expected(a, e, wrap), actual(b, e, wrap);
        expected.Mix(plain, spline, e);
        actual.Mix(fast, spline, e);
        SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(actual.n) + " frames");
        ASSERT_EQ(actual.out, expected.out);
        ASSERT_EQ(actual.voice->SamplePosition, expected.voice->SamplePosition);
        ASSERT_EQ(actual.voice->RampVolumeLeft, expected.voice->RampVolumeLeft);
        ASSERT_EQ(actual.voice->RampVolumeRight, expected.voice->RampVolumeRight);
        ASSERT_EQ(actual.voice->LastOutputLeft, expected.voice->LastOutputLeft);
        ASSERT_EQ(actual.voice->LastOutputRight, expected.voice->LastOutputRight);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKernel, KernelPathTest,
                         ::testing::Combine(::testing::Values(Path::Sse2, Path::Avx2),
                                            ::testing::ValuesIn(AllKernelEntries())),
                         [](const auto& info) {
                             return KernelEntryName(std::get<0>(info.param),
                                                    std::get<1>(info.param));
                         });
} // namespace
