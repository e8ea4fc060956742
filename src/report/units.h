#pragma once
// Report geometry: positions and sizes are pixels at 96 per inch; paper sizes and margins are
// millimetres.
#include <cmath>
#include <cstdint>

namespace orvena::report {

inline constexpr double kUnitsPerMm = 3.77953;
inline constexpr double kUnitsPerCm = 37.7953;
inline constexpr double kUnitsPerTenthInch = 9.6;
inline constexpr int kUnitsPerInch = 96;
inline constexpr double kDotMatrixCharWidth = 9.6;
inline constexpr int kDotMatrixCharHeight = 17;

// Paper every writer can make, each way: PDF's implementation limits are 3 to 14,400 units of
// 1/72 inch (1.06 mm to 5.08 m); TIFF and the office formats hold at least as much.
inline constexpr double kMinPaperMm = 3 * 25.4 / 72;
inline constexpr double kMaxPaperMm = 14400 * 25.4 / 72;
// A band taller than the tallest paper can never be printed; it is refused before it is laid out.
inline constexpr double kMaxBandHeight = kMaxPaperMm * kUnitsPerMm;

// "No colour": the default of fill backgrounds and of the page colour.
inline constexpr int64_t kNoColor = 0x1FFFFFFF;
inline constexpr int64_t kWhite = 0xFFFFFF;

// Nearest integer, halves to even (the engine's rounding).
inline double round_even(double v) {
  return std::nearbyint(v);
}

}  // namespace orvena::report
