#pragma once
// Report geometry: positions and sizes are pixels at 96 per inch; paper sizes and margins are
// millimetres.
#include <cmath>

namespace orvena::report {

inline constexpr double kUnitsPerMm = 3.77953;
inline constexpr double kUnitsPerCm = 37.7953;
inline constexpr double kUnitsPerTenthInch = 9.6;
inline constexpr int kUnitsPerInch = 96;
inline constexpr double kDotMatrixCharWidth = 9.6;
inline constexpr int kDotMatrixCharHeight = 17;

// "No colour": the default of fill backgrounds and of the page colour.
inline constexpr int64_t kNoColor = 0x1FFFFFFF;
inline constexpr int64_t kWhite = 0xFFFFFF;

// Nearest integer, halves to even (the engine's rounding).
inline double round_even(double v) {
  return std::nearbyint(v);
}

}  // namespace orvena::report
