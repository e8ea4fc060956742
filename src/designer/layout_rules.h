#pragma once
// The designer's geometry without a window: the grid, objects kept inside their band, the
// alignment commands and bands that follow a band resized above them. Boxes are in report
// pixels, relative to the band.
#include <cstdint>
#include <string_view>
#include <vector>

namespace orvena::report {
class Band;
class Component;
class ReportPage;
}  // namespace orvena::report

namespace orvena::designer {

struct Box {
  double left = 0, top = 0, width = 0, height = 0;
  double right() const { return left + width; }
  double bottom() const { return top + height; }
  bool operator==(const Box&) const = default;
};

Box box_of(const report::Component& c);

// The grid follows the unit the operator measures in; a step is the finest line drawn.
enum class GridUnit : uint8_t { Pixels, Millimetres, Inches };
inline constexpr std::string_view kGridUnitNames[] = {"piksele", "milimetry", "cale"};
// The step in report pixels: 4 px, 2 mm, 1/10 inch.
double grid_step(GridUnit unit);
// The nearest multiple of `step` (a step of 0 leaves the value alone).
double snap(double value, double step);

// The box moved (not resized) so that it lies inside a band of that size as far as it can: a
// box larger than the band keeps its top-left corner at the band's.
Box keep_inside(Box box, double band_width, double band_height);

// Alignment of a selection; the first box is the reference for centres and sizes, the outermost
// edge for the edge commands.
enum class AlignKind : uint8_t {
  Left,
  Right,
  Top,
  Bottom,
  HorizontalCentres,
  VerticalCentres,
  SameWidth,
  SameHeight
};
std::vector<Box> align_boxes(std::vector<Box> boxes, AlignKind kind);

// The bands of `page` with their new tops when `band` is given `new_height`: every band that
// started at or below the band's old bottom moves by the difference (the band itself excluded).
struct BandTop {
  report::Band* band;
  double top;
};
std::vector<BandTop> bands_below_after_resize(const report::ReportPage& page, const report::Band& band,
                                              double new_height);
// The smallest height that keeps every object of the band inside it.
double min_band_height(const report::Band& band);

}  // namespace orvena::designer
