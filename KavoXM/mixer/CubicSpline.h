#pragma once
#include <array>
#include <cstdint>

// Catmull-Rom weights for 1024 fractional positions, 16384 = 1.0; row r is t = r / 1024.
class TKavoXMCubicSpline {
  public:
    static constexpr int32_t Rows = 1024;
    std::array<int32_t, Rows * 4> Coefficients{}; // w0..w3 per row, row after row

    TKavoXMCubicSpline();
};
