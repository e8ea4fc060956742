#include "export/page_frame.h"

#include <utility>

#include "export/filter.h"
#include "export/printed_view.h"

namespace orvena::exporting {

report::canvas::Rect printable_area(const report::ReportPage& page, bool mirrored) {
  double left = page.left_margin, right = page.right_margin;
  if (mirrored) std::swap(left, right);
  left *= kPixelsPerMillimetre;
  right *= kPixelsPerMillimetre;
  double top = page.top_margin * kPixelsPerMillimetre, bottom = page.bottom_margin * kPixelsPerMillimetre;
  return {left, top, page.width() - left - right, page.height() - top - bottom};
}

void draw_page_frame(report::canvas::Canvas& canvas, const report::ReportPage& page, bool mirrored) {
  PrintedView v;
  v.sides = frame_sides(page.frame);
  if (!v.has_frame()) return;
  v.bounds = printable_area(page, mirrored);
  if (!(v.bounds.width > 0 && v.bounds.height > 0)) return;
  draw_frame(canvas, v);
}

}  // namespace orvena::exporting
