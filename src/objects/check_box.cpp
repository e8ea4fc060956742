#include "objects/check_box.h"

#include <algorithm>

namespace orvena::objects {

using report::canvas::Canvas;
using report::canvas::Pen;
using report::canvas::Rect;

CheckMark check_mark(const report::CheckBoxView& view) {
  if (view.checked) {
    switch (view.check_style) {
      case report::CheckStyle::Cross:
        return CheckMark::Cross;
      case report::CheckStyle::Check:
        return CheckMark::Check;
      case report::CheckStyle::LineCross:
        return CheckMark::LineCross;
      case report::CheckStyle::Plus:
        return CheckMark::Plus;
    }
  }
  switch (view.uncheck_style) {
    case report::UncheckStyle::Cross:
      return CheckMark::Cross;
    case report::UncheckStyle::LineCross:
      return CheckMark::LineCross;
    case report::UncheckStyle::Minus:
      return CheckMark::Minus;
    default:
      return CheckMark::None;
  }
}

void draw_check_box(Canvas& canvas, const report::CheckBoxView& view, const Rect& r,
                    report::canvas::Rgb color, double line_width) {
  if (!(r.width > 0 && r.height > 0)) return;
  const double l = r.left, t = r.top, w = r.width, h = r.height, right = r.right(), bottom = r.bottom();
  const Pen thin{std::max(1.0, line_width), color};
  // The cross and the tick stand for symbol-font glyphs of the box's height: strokes an eighth
  // of the box thick, a quarter of the box in from its sides.
  const Pen bold{std::max(1.0, std::min(w, h) / 8), color};
  canvas.save();
  canvas.clip(r);
  switch (check_mark(view)) {
    case CheckMark::None:
      break;
    case CheckMark::Cross:
      canvas.draw_line(l + w / 4, t + h / 4, right - w / 4, bottom - h / 4, bold);
      canvas.draw_line(right - w / 4, t + h / 4, l + w / 4, bottom - h / 4, bold);
      break;
    case CheckMark::Check:
      canvas.draw_line(l + w / 5, t + h / 2, l + w / 3, bottom - h / 4, bold);
      canvas.draw_line(l + w / 3, bottom - h / 4, right - w / 5, t + h / 7, bold);
      break;
    case CheckMark::LineCross:
      canvas.draw_line(l, t, right, bottom, thin);
      canvas.draw_line(l, bottom, right, t, thin);
      break;
    case CheckMark::Plus:
      canvas.draw_line(l + 3, t + h / 2, right - 2, t + h / 2, thin);
      canvas.draw_line(l + w / 2, t + 3, l + w / 2, bottom - 2, thin);
      break;
    case CheckMark::Minus:
      canvas.draw_line(l + 3, t + h / 2, right - 2, t + h / 2, thin);
      break;
  }
  canvas.restore();
}

}  // namespace orvena::objects
