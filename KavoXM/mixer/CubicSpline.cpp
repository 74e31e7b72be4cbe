#include "KavoXM/mixer/CubicSpline.h"

#include <cmath>

TKavoXMCubicSpline::TKavoXMCubicSpline() {
    for (int32_t r = 0; r < Rows; ++r) {
        const double t = r * (1.0 / 1024);
        const double t2 = t * t;
        const double t3 = t2 * t;
        const double w[4] = {
            (-0.5 * t3 + 1.0 * t2 - 0.5 * t) * 16384,
            (1.5 * t3 - 2.5 * t2 + 1.0) * 16384,
            (-1.5 * t3 + 2.0 * t2 + 0.5 * t) * 16384,
            (0.5 * t3 - 0.5 * t2) * 16384,
        };
        for (int32_t i = 0; i < 4; ++i)
            Coefficients[size_t(r * 4 + i)] = int32_t(std::lround(w[i]));
    }
}
