#include "report/canvas/canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orvena::report::canvas {

std::vector<Point> round_rect_points(const Rect& r, double radius, int steps) {
  radius = std::clamp(radius, 0.0, std::min(r.width, r.height) / 2);
  // Corner centres clockwise from the top-right, each arc starting where the previous side ends.
  const Point centres[] = {{r.right() - radius, r.top + radius},
                           {r.right() - radius, r.bottom() - radius},
                           {r.left + radius, r.bottom() - radius},
                           {r.left + radius, r.top + radius}};
  std::vector<Point> points;
  for (int corner = 0; corner < 4; ++corner) {
    const double start = (corner - 1) * std::numbers::pi / 2;  // -90°: straight up from the centre
    for (int i = 0; i <= steps; ++i) {
      const double a = start + std::numbers::pi / 2 * i / steps;
      points.push_back({centres[corner].x + radius * std::cos(a), centres[corner].y + radius * std::sin(a)});
    }
  }
  return points;
}

void Canvas::fill_round_rect(const Rect& r, double radius, Rgb color) {
  fill_polygon(round_rect_points(r, radius), color);
}

void Canvas::stroke_round_rect(const Rect& r, double radius, const Pen& pen) {
  stroke_polygon(round_rect_points(r, radius), pen);
}

}  // namespace orvena::report::canvas
