// Mixing kernels on every computing path: exact values of the spline arithmetic and,
// table-driven, every entry of both kernel tables against an independent computation of what
// it must add.
#include "KernelEntries.h"
#include "MixerTestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <tuple>

namespace {
using namespace mixertest;
using Path = TKavoXMKernelPath;

const Path AllPaths[] = {Path::Scalar, Path::Sse2, Path::Avx2};

// The spline kernel of a path for stereo output.
TKavoXMKernel Spline(Path path, int32_t stereoSample, int32_t ramping, int32_t split) {
    return KernelTableOf(path, 2)[size_t(KernelIndex(2, stereoSample, ramping, 0, split))];
}

// Mixes n frames of `voice` with `kernel` into a stereo buffer of n frames.
std::vector<int32_t> MixStereo(TKavoXMKernel kernel, TKavoXMChannel& voice, int32_t n,
                               const TKavoXMCubicSpline& spline) {
    std::vector<int32_t> out(size_t(n) * 2, 0);
    int32_t* mix = out.data();
    kernel(mix, n, voice, spline.Coefficients.data());
    EXPECT_EQ(mix, out.data() + n * 2);
    return out;
}

class KernelTest : public ::testing::TestWithParam<Path> {
  protected:
    void SetUp() override {
        if (!KernelPathAvailable(GetParam())) GTEST_SKIP() << "this CPU lacks the path";
    }
    TKavoXMKernel Mono() const { return Spline(GetParam(), 0, 0, 0); }
    TKavoXMKernel MonoPan() const { return Spline(GetParam(), 0, 0, 1); }
    TKavoXMKernel MonoRamp() const { return Spline(GetParam(), 0, 1, 0); }
    TKavoXMKernel MonoRampPan() const { return Spline(GetParam(), 0, 1, 1); }
    TKavoXMCubicSpline spline;
};

TEST_P(KernelTest, IntegralPositionGivesValueTimesGain) {
    auto sample = MakeSample({5, -1234, 777, 31000, -32768, 9});
    auto voice = MakeVoice(*sample, 1 * Frame, Frame);
    voice->TargetVolumeLeft = 3000;
    const auto out = MixStereo(Mono(), *voice, 4, spline);
    const int32_t expected[] = {-1234, 777, 31000, -32768};
    for (int32_t f = 0; f < 4; ++f) {
        EXPECT_EQ(out[size_t(f * 2)], expected[f] * 3000);
        EXPECT_EQ(out[size_t(f * 2 + 1)], expected[f] * 3000);
    }
    EXPECT_EQ(voice->SamplePosition, 5 * Frame);
}

TEST_P(KernelTest, HalfwayBetweenFramesUsesRow512) {
    auto sample = MakeSample({1000, 2000, 3000, 4000});
    auto voice = MakeVoice(*sample, Frame + (Frame >> 1), Frame);
    const auto out = MixStereo(Mono(), *voice, 1, spline);
    EXPECT_EQ(out[0], 10240000);
    EXPECT_EQ(out[1], 10240000);
}

TEST_P(KernelTest, NegativeSumTruncatesTowardZero) {
    // Row 100 weighs (-651, 16016, 1090, -70): these frames sum to -16385.
    auto sample = MakeSample({-37, -2, -8, -4});
    const int32_t* w = &spline.Coefficients[100 * 4];
    ASSERT_EQ(w[0] * -37 + w[1] * -2 + w[2] * -8 + w[3] * -4, -16385);
    auto voice = MakeVoice(*sample, Frame + (int64_t(100) << 22), Frame);
    voice->TargetVolumeLeft = 1;
    const auto out = MixStereo(Mono(), *voice, 1, spline);
    EXPECT_EQ(out[0], -1);
}

TEST_P(KernelTest, RampIsSteppedBeforeTheFirstFrame) {
    auto sample = MakeSample({1000, 1000, 1000, 1000});
    auto voice = MakeVoice(*sample, Frame, 0);
    voice->RampVolumeLeft = 0;
    voice->RampStepLeft = 100 * 4096;
    const auto out = MixStereo(MonoRamp(), *voice, 1, spline);
    EXPECT_EQ(out[0], 1000 * 100);
    EXPECT_EQ(out[1], 1000 * 100);
    EXPECT_EQ(voice->RampVolumeLeft, 100 * 4096);
    EXPECT_EQ(voice->RampVolumeRight, 100 * 4096);
}

TEST_P(KernelTest, NegativeRunningGainTruncatesTowardZero) {
    auto sample = MakeSample({10, 10, 10});
    auto voice = MakeVoice(*sample, Frame, 0);
    voice->RampVolumeLeft = -4095;
    voice->RampVolumeRight = 8191;
    voice->RampStepLeft = -1;
    voice->RampStepRight = 0;
    const auto out = MixStereo(MonoRampPan(), *voice, 2, spline);
    EXPECT_EQ(out[0], -10); // -4096 / 4096
    EXPECT_EQ(out[1], 10);  // 8191 / 4096
    EXPECT_EQ(out[2], -10); // -4097 / 4096
    EXPECT_EQ(voice->RampVolumeLeft, -4097);
}

TEST_P(KernelTest, BackwardsStepBorrowsFromTheWholeFrame) {
    auto sample = RampSample(10);
    auto voice = MakeVoice(*sample, 5 * Frame, Frame / 4);
    voice->Step = -voice->Increment;
    const auto out = MixStereo(Mono(), *voice, 1, spline);
    EXPECT_EQ(out[0], 500 * 4096);
    EXPECT_EQ(voice->SamplePosition, 4 * Frame + 3 * (Frame / 4));
}

TEST_P(KernelTest, SharedKernelIgnoresTheRightGain) {
    auto sample = MakeSample({0, 300, 0, 0});
    auto voice = MakeVoice(*sample, Frame, Frame);
    voice->TargetVolumeLeft = 100;
    voice->TargetVolumeRight = 4000;
    auto out = MixStereo(Mono(), *voice, 1, spline);
    EXPECT_EQ(out[1], 300 * 100);
    voice->SamplePosition = Frame;
    out = MixStereo(MonoPan(), *voice, 1, spline);
    EXPECT_EQ(out[1], 300 * 4000);
}

TEST_P(KernelTest, AdditionsWrapModulo2To32) {
    auto sample = MakeSample({32767, 32767, 32767});
    auto voice = MakeVoice(*sample, Frame, 0);
    std::vector<int32_t> out = {INT32_MAX, INT32_MIN};
    int32_t* mix = out.data();
    Mono()(mix, 1, *voice, spline.Coefficients.data());
    EXPECT_EQ(out[0], int32_t(uint32_t(INT32_MAX) + uint32_t(32767) * 4096u));
    EXPECT_EQ(out[1], int32_t(uint32_t(INT32_MIN) + uint32_t(32767) * 4096u));
}

INSTANTIATE_TEST_SUITE_P(EveryPath, KernelTest, ::testing::ValuesIn(AllPaths),
                         [](const auto& info) { return PathName(info.param); });

TEST(KernelTableTest, IndexRuleRepeatsTwinsVariantsAndSplineModes) {
    for (Path path : AllPaths)
        for (int32_t width : {2, 1}) {
            const TKavoXMKernelTable& table = KernelTableOf(path, width);
            for (int32_t i = 0; i < KernelModes * KernelsPerMode; i += 2) {
                ASSERT_NE(table[size_t(i)], nullptr) << i;
                EXPECT_EQ(table[size_t(i)], table[size_t(i + 1)]) << i;
            }
            for (int32_t s = 0; s < 2; ++s)
                for (int32_t r = 0; r < 2; ++r)
                    for (int32_t p = 0; p < 2; ++p) {
                        const auto first = table[size_t(KernelIndex(2, s, r, 0, p))];
                        EXPECT_EQ(table[size_t(KernelIndex(2, s, r, 1, p))], first);
                        EXPECT_EQ(table[size_t(KernelIndex(2, s, r, 2, p))], first);
                        EXPECT_EQ(table[size_t(KernelIndex(3, s, r, 0, p))], first);
                        EXPECT_NE(table[size_t(KernelIndex(0, s, r, 0, p))], first);
                        EXPECT_NE(table[size_t(KernelIndex(1, s, r, 0, p))], first);
                    }
        }
    EXPECT_EQ(KernelTable, KernelTableOf(BestKernelPath(), 2));
    EXPECT_EQ(MonoKernelTable, KernelTableOf(BestKernelPath(), 1));
    EXPECT_TRUE(KernelPathAvailable(BestKernelPath()));
    EXPECT_TRUE(KernelPathAvailable(Path::Scalar));
}

// Independent model of one kernel entry: what it must add per frame.
double FloorDiv(double a, double b) {
    return std::floor(a / b);
}

int64_t InterpolateModel(const KernelEntry& sel, const TKavoXMSample& sample,
                         const TKavoXMCubicSpline& spline, int64_t pos, int32_t side) {
    const int64_t k = pos >> 32;
    const uint64_t frac = uint64_t(pos) & 0xFFFFFFFFu;
    auto s = [&](int64_t f) { return int64_t(sample.Data[f * sample.Channels + side]); };
    if (sel.mode == 0) return s(k);
    if (sel.mode == 1)
        return s(k) + int64_t(FloorDiv(double(s(k + 1) - s(k)) * double(frac >> 17), 32768.0));
    const int32_t* w = &spline.Coefficients[size_t(frac >> 22) * 4];
    const int64_t sum = w[0] * s(k - 1) + w[1] * s(k) + w[2] * s(k + 1) + w[3] * s(k + 2);
    return std::trunc(double(sum) / 16384.0);
}

class KernelTableEntryTest : public ::testing::TestWithParam<std::tuple<Path, KernelEntry>> {
  protected:
    TKavoXMCubicSpline spline;
};

TEST_P(KernelTableEntryTest, AddsTheModelledProducts) {
    const auto [path, sel] = GetParam();
    if (!KernelPathAvailable(path)) GTEST_SKIP() << "this CPU lacks the path";
    const std::vector<int32_t> mono = {-300, 1200, -2500, 8000, 32767, -32768, 150, 7};
    const std::vector<int32_t> stereo = {-300,  40, 1200,   -900,  -2500, 2000, 8000, -8000,
                                         32767, 5,  -32768, 32000, 150,   -1,   7,    3};
    auto sample = sel.stereoSample ? MakeSample(stereo, 2) : MakeSample(mono, 1);
    const int64_t start = Frame + Frame / 3, step = Frame / 2 + 12345;
    auto voice = MakeVoice(*sample, start, step);
    voice->TargetVolumeLeft = 3001;
    voice->TargetVolumeRight = -1200;
    voice->RampVolumeLeft = 1000 * 4096 + 123;
    voice->RampVolumeRight = -500 * 4096;
    voice->RampStepLeft = sel.ramping ? 40000 : 0;
    voice->RampStepRight = sel.ramping ? -30001 : 0;
    const int32_t n = 11; // batches of eight, four and two frames, and a tail
    const auto& table = KernelTableOf(path, sel.outWidth);
    const TKavoXMKernel kernel =
        table[size_t(KernelIndex(sel.mode, sel.stereoSample, sel.ramping, 0, sel.split))];
    std::vector<int32_t> out(size_t(n * sel.outWidth), 11);
    int32_t* mix = out.data();
    kernel(mix, n, *voice, spline.Coefficients.data());
    ASSERT_EQ(mix, out.data() + n * sel.outWidth);
    // What the last frame received is the voice's last output.
    const size_t last = size_t((n - 1) * sel.outWidth);
    EXPECT_EQ(voice->LastOutputLeft, int32_t(uint32_t(out[last]) - 11u));
    EXPECT_EQ(voice->LastOutputRight,
              sel.outWidth == 2 ? int32_t(uint32_t(out[last + 1]) - 11u) : 0);

    const bool split = sel.split && sel.outWidth == 2;
    int64_t runLeft = 1000 * 4096 + 123, runRight = -500 * 4096;
    for (int32_t f = 0; f < n; ++f) {
        const int64_t pos = start + f * step;
        const int64_t vl = InterpolateModel(sel, *sample, spline, pos, 0);
        const int64_t vr = sel.stereoSample ? InterpolateModel(sel, *sample, spline, pos, 1) : vl;
        int64_t gl = 3001, gr = split ? -1200 : 3001;
        if (sel.ramping) {
            runLeft += 40000;
            runRight += -30001;
            gl = int64_t(std::trunc(double(runLeft) / 4096));
            gr = split ? int64_t(std::trunc(double(runRight) / 4096)) : gl;
        }
        SCOPED_TRACE(f);
        if (sel.outWidth == 2) {
            EXPECT_EQ(out[size_t(f * 2)], 11 + vl * gl);
            EXPECT_EQ(out[size_t(f * 2 + 1)], 11 + vr * gr);
        } else {
            EXPECT_EQ(out[size_t(f)], 11 + int64_t(std::trunc(double(vl + vr) / 2)) * gl);
        }
    }
    EXPECT_EQ(voice->SamplePosition, start + n * step);
    if (sel.ramping) {
        EXPECT_EQ(voice->RampVolumeLeft, runLeft);
        EXPECT_EQ(voice->RampVolumeRight, split ? runRight : runLeft);
    } else {
        EXPECT_EQ(voice->RampVolumeLeft, 1000 * 4096 + 123);
        EXPECT_EQ(voice->RampVolumeRight, -500 * 4096);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryEntry, KernelTableEntryTest,
                         ::testing::Combine(::testing::ValuesIn(AllPaths),
                                            ::testing::ValuesIn(AllKernelEntries())),
                         [](const auto& info) {
                             return KernelEntryName(std::get<0>(info.param),
                                                    std::get<1>(info.param));
                         });
} // namespace

namespace {
TEST(KernelBatchTest, LongRunsOfExtremeValuesMatchTheModel) {
    TKavoXMCubicSpline spline;
    std::vector<int32_t> values(600);
    uint32_t seed = 12345;
    for (auto& v : values) {
        seed = seed * 1664525u + 1013904223u;
        const uint32_t pick = seed >> 29;
        v = pick == 0 ? -32768 : pick == 1 ? 32767 : int32_t(int16_t(seed >> 8));
    }
    auto sample = MakeSample(values);
    for (Path path : AllPaths)
        for (int64_t step : {Frame / 3 + 777, Frame + 12345, 3 * Frame - 1}) {
            if (!KernelPathAvailable(path)) continue;
            SCOPED_TRACE(PathName(path) + " " + std::to_string(step));
            auto voice = MakeVoice(*sample, Frame + 99999, step);
            voice->TargetVolumeLeft = 4096;
            voice->TargetVolumeRight = -4096;
            const int32_t n = 150;
            std::vector<int32_t> out(size_t(n) * 2, 0);
            int32_t* mix = out.data();
            Spline(path, 0, 0, 1)(mix, n, *voice, spline.Coefficients.data());
            for (int32_t f = 0; f < n; ++f) {
                const int64_t v =
                    InterpolateModel({2, 0, 0, 1, 2}, *sample, spline, Frame + 99999 + f * step, 0);
                ASSERT_EQ(out[size_t(f * 2)], v * 4096) << f;
                ASSERT_EQ(out[size_t(f * 2 + 1)], -v * 4096) << f;
            }
        }
}
} // namespace
