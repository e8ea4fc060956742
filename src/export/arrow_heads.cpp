#include "export/arrow_heads.h"

#include <array>
#include <cmath>

namespace orvena::exporting {

using report::canvas::Point;

namespace {

// The head whose tip is `tip`, pointing away from `from`.
void draw_head(report::canvas::Canvas& canvas, Point from, Point tip, const report::LineView& line,
               const report::canvas::Pen& pen) {
  double dx = tip.x - from.x, dy = tip.y - from.y;
  double length = std::hypot(dx, dy);
  if (!(length > 0)) return;
  dx /= length;
  dy /= length;
  const double along = double(line.arrow_length), side = double(line.arrow_width);
  Point base{tip.x - dx * along, tip.y - dy * along};
  Point left{base.x - dy * side, base.y + dx * side};
  Point right{base.x + dy * side, base.y - dx * side};
  if (line.arrow_solid) {
    const std::array<Point, 3> head{tip, left, right};
    canvas.fill_polygon(head, pen.color);
    canvas.stroke_polygon(head, pen);
  } else {
    canvas.draw_line(left.x, left.y, tip.x, tip.y, pen);
    canvas.draw_line(right.x, right.y, tip.x, tip.y, pen);
  }
}

}  // namespace

void draw_arrow_heads(report::canvas::Canvas& canvas, const PrintedView& v) {
  auto* line = dynamic_cast<const report::LineView*>(v.view);
  if (v.kind != ViewKind::Line || !line || (!line->arrow_start && !line->arrow_end)) return;
  if (line->arrow_length <= 0 || line->arrow_width < 0) return;
  // The same ends as the line itself is drawn between.
  const Point start{v.bounds.left, v.bounds.top}, end{v.bounds.right(), v.bounds.bottom()};
  report::canvas::Pen pen = v.pen;
  pen.style = report::canvas::LineStyle::Solid;  // a dashed outline would leave gaps in the head
  if (line->arrow_end) draw_head(canvas, start, end, *line, pen);
  if (line->arrow_start) draw_head(canvas, end, start, *line, pen);
}

}  // namespace orvena::exporting
