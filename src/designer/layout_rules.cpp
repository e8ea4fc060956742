#include "designer/layout_rules.h"

#include <algorithm>
#include <cmath>

#include "report/bands.h"
#include "report/pages.h"
#include "report/units.h"

namespace orvena::designer {

Box box_of(const report::Component& c) {
  return {c.left(), c.top(), c.width(), c.height()};
}

double grid_step(GridUnit unit) {
  switch (unit) {
    case GridUnit::Pixels:
      return 4;
    case GridUnit::Millimetres:
      return 2 * report::kUnitsPerMm;
    case GridUnit::Inches:
      return report::kUnitsPerTenthInch;
  }
  return 4;
}

double snap(double value, double step) {
  if (step <= 0) return value;
  return std::round(value / step) * step;
}

Box keep_inside(Box box, double band_width, double band_height) {
  box.left = std::max(0.0, std::min(box.left, band_width - box.width));
  box.top = std::max(0.0, std::min(box.top, band_height - box.height));
  return box;
}

std::vector<Box> align_boxes(std::vector<Box> boxes, AlignKind kind) {
  if (boxes.size() < 2) return boxes;
  const Box first = boxes.front();
  auto extreme = [&](auto key, auto pick) {
    double v = key(first);
    for (const Box& b : boxes) v = pick(v, key(b));
    return v;
  };
  const double left =
      extreme([](const Box& b) { return b.left; }, [](double a, double b) { return std::min(a, b); });
  const double right =
      extreme([](const Box& b) { return b.right(); }, [](double a, double b) { return std::max(a, b); });
  const double top =
      extreme([](const Box& b) { return b.top; }, [](double a, double b) { return std::min(a, b); });
  const double bottom =
      extreme([](const Box& b) { return b.bottom(); }, [](double a, double b) { return std::max(a, b); });
  for (Box& b : boxes) {
    switch (kind) {
      case AlignKind::Left:
        b.left = left;
        break;
      case AlignKind::Right:
        b.left = right - b.width;
        break;
      case AlignKind::Top:
        b.top = top;
        break;
      case AlignKind::Bottom:
        b.top = bottom - b.height;
        break;
      case AlignKind::HorizontalCentres:
        b.left = first.left + (first.width - b.width) / 2;
        break;
      case AlignKind::VerticalCentres:
        b.top = first.top + (first.height - b.height) / 2;
        break;
      case AlignKind::SameWidth:
        b.width = first.width;
        break;
      case AlignKind::SameHeight:
        b.height = first.height;
        break;
    }
  }
  return boxes;
}

std::vector<BandTop> bands_below_after_resize(const report::ReportPage& page, const report::Band& band,
                                              double new_height) {
  const double old_bottom = band.top() + band.height();
  const double delta = new_height - band.height();
  std::vector<BandTop> out;
  for (const auto& child : page.objects()) {
    auto* other = dynamic_cast<report::Band*>(child.get());
    if (!other || other == &band || other->top() < old_bottom - 0.5) continue;
    out.push_back({other, other->top() + delta});
  }
  return out;
}

double min_band_height(const report::Band& band) {
  double h = 0;
  for (const auto& child : band.objects()) h = std::max(h, child->top() + child->height());
  return h;
}

}  // namespace orvena::designer
