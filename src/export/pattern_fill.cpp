#include "export/pattern_fill.h"

#include <algorithm>
#include <cmath>

namespace orvena::exporting {

using report::canvas::Canvas;
using report::canvas::Pen;
using report::canvas::Rect;

namespace {

// A hatch brush repeats every 8 pixels, counted from the page's corner so that neighbouring
// objects' hatches line up.
constexpr double kHatchStep = 8;
// Colour steps of a gradient: more would not be seen, fewer show as stripes.
constexpr int kGradientSteps = 64;

void hatch(Canvas& canvas, const Rect& r, report::BrushStyle style, Rgb color) {
  using report::BrushStyle;
  const Pen pen{1, color, report::canvas::LineStyle::Solid};
  const bool horizontal = style == BrushStyle::Horizontal || style == BrushStyle::Cross;
  const bool vertical = style == BrushStyle::Vertical || style == BrushStyle::Cross;
  const bool forward = style == BrushStyle::FDiagonal || style == BrushStyle::DiagCross;
  const bool backward = style == BrushStyle::BDiagonal || style == BrushStyle::DiagCross;
  canvas.save();
  canvas.clip(r);
  if (horizontal)
    for (double y = std::ceil(r.top / kHatchStep) * kHatchStep; y < r.bottom(); y += kHatchStep)
      canvas.draw_line(r.left, y, r.right(), y, pen);
  if (vertical)
    for (double x = std::ceil(r.left / kHatchStep) * kHatchStep; x < r.right(); x += kHatchStep)
      canvas.draw_line(x, r.top, x, r.bottom(), pen);
  // Diagonals: lines x - y = c (down to the right) and x + y = c (up to the right), each drawn
  // across the whole height and cut by the clip.
  if (forward)
    for (double c = std::floor((r.left - r.bottom()) / kHatchStep) * kHatchStep; c < r.right() - r.top;
         c += kHatchStep)
      canvas.draw_line(c + r.top, r.top, c + r.bottom(), r.bottom(), pen);
  if (backward)
    for (double c = std::floor((r.left + r.top) / kHatchStep) * kHatchStep; c < r.right() + r.bottom();
         c += kHatchStep)
      canvas.draw_line(c - r.top, r.top, c - r.bottom(), r.bottom(), pen);
  canvas.restore();
}

void gradient(Canvas& canvas, const Rect& r, const report::GradientFill& g) {
  using report::GradientStyle;
  const Rgb from = rgb_of(g.start_color).value_or(0xFFFFFF), to = rgb_of(g.end_color).value_or(0xFFFFFF);
  const int n = kGradientSteps;
  switch (g.gradient_style) {
    case GradientStyle::Horizontal:  // start at the left, end at the right
    case GradientStyle::Vertical:    // start at the top, end at the bottom
      for (int i = 0; i < n; ++i) {
        const Rgb c = blend(from, to, (i + 0.5) / n);
        // Each band overlaps the next by a pixel, so no seam shows between them.
        if (g.gradient_style == GradientStyle::Horizontal)
          canvas.fill_rect({r.left + r.width * i / n, r.top, r.width / n + (i + 1 < n ? 1 : 0), r.height}, c);
        else
          canvas.fill_rect({r.left, r.top + r.height * i / n, r.width, r.height / n + (i + 1 < n ? 1 : 0)},
                           c);
      }
      break;
    case GradientStyle::HorizCenter:  // start at the left and right edges, end in the middle
    case GradientStyle::VertCenter:   // start at the top and bottom edges, end in the middle
    case GradientStyle::Rectangle:    // rectangles closing in on the centre
    case GradientStyle::Elliptic:     // ellipses closing in on the centre
      for (int i = 0; i < n; ++i) {
        const Rgb c = blend(from, to, double(i) / (n - 1));
        const double k = double(i) / n;  // how far in from the edges this ring starts, 0..1
        double dx = r.width / 2 * k, dy = r.height / 2 * k;
        if (g.gradient_style == GradientStyle::HorizCenter) dy = 0;
        if (g.gradient_style == GradientStyle::VertCenter) dx = 0;
        const Rect ring{r.left + dx, r.top + dy, r.width - 2 * dx, r.height - 2 * dy};
        if (g.gradient_style == GradientStyle::Elliptic) {
          // The outermost ellipse leaves the corners: they take the start colour.
          if (i == 0) canvas.fill_rect(r, c);
          canvas.fill_ellipse(ring, c);
        } else {
          canvas.fill_rect(ring, c);
        }
      }
      break;
  }
}

}  // namespace

Rgb blend(Rgb from, Rgb to, double t) {
  t = std::clamp(t, 0.0, 1.0);
  Rgb out = 0;
  for (int shift : {16, 8, 0}) {
    const double a = (from >> shift) & 0xFF, b = (to >> shift) & 0xFF;
    out |= Rgb(std::lround(a + (b - a) * t)) << shift;
  }
  return out;
}

void draw_fill(Canvas& canvas, const PrintedView& v) {
  const Rect r = v.body();
  if (!(r.width > 0 && r.height > 0)) return;
  const report::FillHolder* source = v.fill_source;
  if (source && source->type() == report::FillType::Gradient) {
    gradient(canvas, r, static_cast<const report::GradientFill&>(source->fill()));
    return;
  }
  if (v.fill) canvas.fill_rect(r, *v.fill);
  if (source && v.hatched && source->type() == report::FillType::Brush) {
    auto& brush = static_cast<const report::BrushFill&>(source->fill());
    // Over a clear back colour the hatch lines stand alone, as a hatch brush paints.
    if (auto back = rgb_of(brush.back_color); back && !v.fill) canvas.fill_rect(r, *back);
    hatch(canvas, r, brush.style, rgb_of(brush.fore_color).value_or(0));
  }
}

}  // namespace orvena::exporting
