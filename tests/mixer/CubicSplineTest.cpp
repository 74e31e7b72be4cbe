// The spline weight table: the pinned rows, mirror symmetry, weight ranges and row sums.
#include "KavoXM/mixer/CubicSpline.h"

#include <gtest/gtest.h>

namespace {
struct Row {
    int32_t r, w0, w1, w2, w3;
};

int32_t W(const TKavoXMCubicSpline& s, int32_t row, int32_t i) {
    return s.Coefficients[size_t(row * 4 + i)];
}

class CubicSplineTest : public ::testing::Test {
  protected:
    TKavoXMCubicSpline spline;
};

TEST_F(CubicSplineTest, PinnedRowsMatch) {
    const Row rows[] = {
        {0, 0, 16384, 0, 0},
        {1, -8, 16384, 8, 0},
        {100, -651, 16016, 1090, -70},
        {256, -1152, 14208, 3712, -384},
        {341, -1214, 12749, 5454, -606},
        {512, -1024, 9216, 9216, -1024},
        {768, -384, 3712, 14208, -1152},
        {900, -106, 1429, 15827, -766},
        {1023, 0, 8, 16384, -8},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.r);
        EXPECT_EQ(W(spline, row.r, 0), row.w0);
        EXPECT_EQ(W(spline, row.r, 1), row.w1);
        EXPECT_EQ(W(spline, row.r, 2), row.w2);
        EXPECT_EQ(W(spline, row.r, 3), row.w3);
    }
}

TEST_F(CubicSplineTest, RowsMirrorAboutTheMiddle) {
    for (int32_t r = 1; r < TKavoXMCubicSpline::Rows; ++r) {
        const int32_t m = 1024 - r;
        ASSERT_EQ(W(spline, r, 0), W(spline, m, 3)) << r;
        ASSERT_EQ(W(spline, r, 1), W(spline, m, 2)) << r;
        ASSERT_EQ(W(spline, r, 2), W(spline, m, 1)) << r;
        ASSERT_EQ(W(spline, r, 3), W(spline, m, 0)) << r;
    }
}

TEST_F(CubicSplineTest, WeightsStayInTheirRanges) {
    for (int32_t r = 0; r < TKavoXMCubicSpline::Rows; ++r) {
        for (int32_t i : {0, 3}) {
            EXPECT_GE(W(spline, r, i), -1214) << r;
            EXPECT_LE(W(spline, r, i), 0) << r;
        }
        for (int32_t i : {1, 2}) {
            EXPECT_GE(W(spline, r, i), 0) << r;
            EXPECT_LE(W(spline, r, i), 16384) << r;
        }
    }
}

TEST_F(CubicSplineTest, RoundedRowsAreNotRenormalised) {
    int32_t offSum = 0;
    for (int32_t r = 0; r < TKavoXMCubicSpline::Rows; ++r) {
        const int32_t sum = W(spline, r, 0) + W(spline, r, 1) + W(spline, r, 2) + W(spline, r, 3);
        EXPECT_GE(sum, 16383) << r;
        EXPECT_LE(sum, 16385) << r;
        if (sum != 16384) ++offSum;
    }
    EXPECT_EQ(offSum, 336);
}

TEST_F(CubicSplineTest, SumOfMagnitudesBoundsTheInterpolationSum) {
    // The kernels rely on a weighted sum of 16-bit values fitting in 32 bits.
    for (int32_t r = 0; r < TKavoXMCubicSpline::Rows; ++r) {
        int64_t magnitude = 0;
        for (int32_t i = 0; i < 4; ++i) magnitude += std::abs(W(spline, r, i));
        ASSERT_LT(magnitude * 32768, int64_t(1) << 31) << r;
    }
}
} // namespace
