#include "export/printed_view.h"

#include <cmath>

#include "core/error.h"
#include "export/arrow_heads.h"
#include "export/object_cast.h"
#include "export/pattern_fill.h"
#include "objects/chart_draw.h"
#include "objects/check_box.h"
#include "picture/picture.h"
#include "report/units.h"
#include "report/values.h"

namespace orvena::exporting {

using report::canvas::Canvas;
using report::canvas::LineStyle;
using report::canvas::Pen;
using report::canvas::Point;
using report::canvas::Rect;

namespace {

LineStyle line_style(report::FrameStyle s) {
  switch (s) {
    case report::FrameStyle::Dash:
      return LineStyle::Dash;
    case report::FrameStyle::Dot:
    case report::FrameStyle::AltDot:
      return LineStyle::Dot;
    case report::FrameStyle::DashDot:
      return LineStyle::DashDot;
    case report::FrameStyle::DashDotDot:
      return LineStyle::DashDotDot;
    default:
      return LineStyle::Solid;
  }
}

FrameSide side_of(const report::FrameLine& line, bool present) {
  FrameSide s;
  auto color = rgb_of(line.color);
  s.present = present && color && line.width > 0;
  s.pen = {line.width, color.value_or(0), line_style(line.style)};
  s.double_line = line.style == report::FrameStyle::Double;
  return s;
}

const report::Highlight* active_highlight(const report::CustomMemoView* memo) {
  if (!memo) return nullptr;
  for (auto& h : memo->highlights)
    if (h->active) return h.get();
  return nullptr;
}

}  // namespace

std::array<FrameSide, 4> frame_sides(const report::Frame& frame) {
  return {side_of(frame.top_line, frame.typ & report::kFrameTop),
          side_of(frame.right_line, frame.typ & report::kFrameRight),
          side_of(frame.bottom_line, frame.typ & report::kFrameBottom),
          side_of(frame.left_line, frame.typ & report::kFrameLeft)};
}

bool PrintedView::has_frame() const {
  for (auto& s : sides)
    if (s.present) return true;
  return false;
}

bool PrintedView::patterned_fill() const {
  return hatched || (fill_source && fill_source->type() == report::FillType::Gradient);
}

double PrintedView::corner_radius() const {
  const double shorter = std::min(std::abs(bounds.width), std::abs(bounds.height));
  return std::min(shorter / 8 * std::max(curve, 1.0), shorter / 2);
}

Rect PrintedView::body() const {
  Rect r = bounds;
  if (shadow) {
    r.width -= shadow_width;
    r.height -= shadow_width;
  }
  return r;
}

PrintedView resolve_view(const report::View& view) {
  PrintedView v;
  v.view = &view;
  v.bounds = {view.abs_left(), view.abs_top(), view.width(), view.height()};

  auto* memo = object_cast<report::CustomMemoView>(&view);
  const report::Highlight* h = active_highlight(memo);
  const report::FillHolder& fill = h && h->apply_fill ? h->fill : view.fill;
  const report::Frame& frame = h && h->apply_frame ? h->frame : view.frame;
  v.fill_source = &fill;
  if (fill.type() == report::FillType::Brush) {
    auto& brush = static_cast<const report::BrushFill&>(fill.fill());
    if (brush.style == report::BrushStyle::Solid) v.fill = rgb_of(brush.back_color);
    v.hatched = brush.style != report::BrushStyle::Solid && brush.style != report::BrushStyle::Clear;
  } else {
    // Gradients and glass are approximated by their first colour.
    v.fill = rgb_of(fill.color());
  }
  v.sides = {side_of(frame.top_line, frame.typ & report::kFrameTop),
             side_of(frame.right_line, frame.typ & report::kFrameRight),
             side_of(frame.bottom_line, frame.typ & report::kFrameBottom),
             side_of(frame.left_line, frame.typ & report::kFrameLeft)};
  if (frame.drop_shadow && frame.shadow_width > 0) {
    v.shadow = rgb_of(frame.shadow_color);
    v.shadow_width = v.shadow ? frame.shadow_width : 0;
  }

  if (memo) {
    v.kind = ViewKind::Memo;
    v.font = report::text::layout_font(h && h->apply_font ? h->font : view.font());
    v.lines = memo->memo;
    v.rotation = int(memo->rotation % 360);
    v.halign = memo->halign;
    v.valign = memo->valign;
    v.gap_x = memo->gap_x;
    v.gap_y = memo->gap_y;
    if (memo->allow_html_tags)
      for (const std::string& l : v.lines)
        if (l.find('<') != std::string::npos) v.html = true;
  } else if (auto* line = object_cast<report::CustomLineView>(&view)) {
    v.kind = ViewKind::Line;
    auto color = rgb_of(line->color);
    if (!color) color = rgb_of(view.frame.color());
    v.pen = {std::max(0.1, view.frame.width()), color.value_or(0), line_style(view.frame.style())};
    auto* lv = object_cast<report::LineView>(&view);
    v.diagonal_up = lv && lv->diagonal && view.height() < 0;
  } else if (auto* shape = object_cast<report::ShapeView>(&view)) {
    v.kind = ViewKind::Shape;
    v.pen = {view.frame.width(), rgb_of(view.frame.color()).value_or(0), line_style(view.frame.style())};
    v.shape = shape->shape;
    v.curve = double(shape->curve);
  } else if (object_cast<report::PictureView>(&view)) {
    v.kind = ViewKind::Picture;
  } else if (auto* barcode = object_cast<report::BarCodeView>(&view)) {
    v.kind = ViewKind::BarCode;
    v.barcode = objects::layout_barcode(*barcode, v.bounds);
    v.bounds = v.barcode->bounds;
  } else if (auto* code = object_cast<report::Barcode2DView>(&view)) {
    v.kind = ViewKind::Barcode2D;
    v.barcode2d = objects::layout_barcode2d(*code, v.bounds);
    v.bounds = v.barcode2d->bounds;
  } else if (object_cast<report::CheckBoxView>(&view)) {
    v.kind = ViewKind::CheckBox;
  } else if (object_cast<report::ChartView>(&view)) {
    v.kind = ViewKind::Chart;
  }
  return v;
}

void draw_frame(Canvas& canvas, const PrintedView& v) {
  Rect r = v.body();
  if (v.shadow) {
    canvas.fill_rect({r.right(), r.top + v.shadow_width, v.shadow_width, r.height}, *v.shadow);
    canvas.fill_rect({r.left + v.shadow_width, r.bottom(), r.width, v.shadow_width}, *v.shadow);
  }
  // Top, right, bottom, left; a double side gets a second line inside the first.
  const std::array<std::array<double, 4>, 4> ends = {{{r.left, r.top, r.right(), r.top},
                                                      {r.right(), r.top, r.right(), r.bottom()},
                                                      {r.left, r.bottom(), r.right(), r.bottom()},
                                                      {r.left, r.top, r.left, r.bottom()}}};
  const std::array<Point, 4> inward = {{{0, 1}, {-1, 0}, {0, -1}, {1, 0}}};
  for (size_t i = 0; i < 4; ++i) {
    const FrameSide& s = v.sides[i];
    if (!s.present) continue;
    auto [x1, y1, x2, y2] = ends[i];
    canvas.draw_line(x1, y1, x2, y2, s.pen);
    if (s.double_line) {
      double d = s.pen.width + 2;
      canvas.draw_line(x1 + inward[i].x * d, y1 + inward[i].y * d, x2 + inward[i].x * d, y2 + inward[i].y * d,
                       s.pen);
    }
  }
}

void draw_memo_text(Canvas& canvas, const PrintedView& v, double scale, bool at_origin) {
  auto* memo = static_cast<const report::CustomMemoView*>(v.view);
  Rect r = v.body();
  auto& layout = report::text::TextLayout::shared();
  std::lock_guard lock(layout);
  layout.set_font(v.font);
  layout.set_options({.word_wrap = memo->word_wrap,
                      .html_tags = memo->allow_html_tags,
                      .rotation = v.rotation,
                      .wysiwyg = memo->wysiwyg,
                      .clipped = memo->clipped,
                      .word_break = memo->word_break,
                      .rtl_reading = memo->rtl_reading});
  layout.set_gaps({memo->line_spacing, memo->char_spacing, memo->paragraph_gap});
  Rect text{r.left + v.gap_x, r.top + v.gap_y, r.width - 2 * v.gap_x, r.height - 2 * v.gap_y};
  if (text.width < 0) text.width = 0;
  if (text.height < 0) text.height = 0;
  // Device pixels: report pixels times the scale, from the view's corner or the page's.
  Point origin = at_origin ? Point{v.bounds.left, v.bounds.top} : Point{0, 0};
  Rect device{(text.left - origin.x) * scale, (text.top - origin.y) * scale, text.width * scale,
              text.height * scale};
  layout.set_dimensions({text, device, 1, scale, scale});
  layout.set_text(v.lines, memo->first_para_break);
  layout.set_para_breaks(memo->first_para_break, memo->last_para_break);
  layout.draw_text(canvas, v.halign, v.valign);
}

void draw_underlines(Canvas& canvas, const PrintedView& v) {
  auto* memo = static_cast<const report::CustomMemoView*>(v.view);
  if (!memo->underlines) return;
  double pitch = 0;
  {
    auto& layout = report::text::TextLayout::shared();
    std::lock_guard lock(layout);
    layout.set_font(v.font);
    layout.set_gaps({memo->line_spacing, memo->char_spacing, memo->paragraph_gap});
    pitch = layout.line_height();
  }
  if (!(pitch > 0)) return;
  // Ruled like writing paper: one line under every text line that fits, whether or not text
  // stands on it, in the frame's colour and width.
  const Rect r = v.body();
  const Pen pen{std::max(0.1, memo->frame.width()), rgb_of(memo->frame.color()).value_or(0),
                LineStyle::Solid};
  for (int k = 1;; ++k) {
    double y = r.top + v.gap_y + 1 + k * pitch - memo->line_spacing;
    if (y > r.bottom()) break;
    canvas.draw_line(r.left, y, r.right(), y, pen);
  }
}

namespace {

void draw_shape(Canvas& canvas, const PrintedView& v) {
  Rect r = v.bounds;
  std::optional<Pen> pen;
  if (v.pen.width > 0) pen = v.pen;
  auto paint_polygon = [&](std::vector<Point> points) {
    if (v.fill) canvas.fill_polygon(points, *v.fill);
    if (pen) canvas.stroke_polygon(points, *pen);
  };
  switch (v.shape) {
    case report::ShapeKind::Rectangle:
      if (v.patterned_fill())
        draw_fill(canvas, v);
      else if (v.fill)
        canvas.fill_rect(r, *v.fill);
      if (pen) canvas.stroke_rect(r, *pen);
      break;
    case report::ShapeKind::RoundRectangle:
      // FIXME: a hatch or gradient needs a clip to the rounded outline; the flat colour stands in.
      if (v.fill) canvas.fill_round_rect(r, v.corner_radius(), *v.fill);
      if (pen) canvas.stroke_round_rect(r, v.corner_radius(), *pen);
      break;
    case report::ShapeKind::Ellipse:
      if (v.fill) canvas.fill_ellipse(r, *v.fill);
      if (pen) canvas.stroke_ellipse(r, *pen);
      break;
    case report::ShapeKind::Triangle:
      paint_polygon({{r.left + r.width / 2, r.top}, {r.right(), r.bottom()}, {r.left, r.bottom()}});
      break;
    case report::ShapeKind::Diamond:
      paint_polygon({{r.left + r.width / 2, r.top},
                     {r.right(), r.top + r.height / 2},
                     {r.left + r.width / 2, r.bottom()},
                     {r.left, r.top + r.height / 2}});
      break;
    case report::ShapeKind::Diagonal1:
      if (pen) canvas.draw_line(r.left, r.bottom(), r.right(), r.top, *pen);
      break;
    case report::ShapeKind::Diagonal2:
      if (pen) canvas.draw_line(r.left, r.top, r.right(), r.bottom(), *pen);
      break;
  }
}

}  // namespace

Rect picture_rect(const report::PictureView& view, const Rect& area, int width, int height) {
  double w = width, h = height;
  if (view.stretched && !view.auto_size && width > 0 && height > 0) {
    if (!view.keep_aspect_ratio) return area;
    const double scale = std::min(area.width / w, area.height / h);
    w *= scale;
    h *= scale;
  }
  if (!view.center) return {area.left, area.top, w, h};
  return {area.left + (area.width - w) / 2, area.top + (area.height - h) / 2, w, h};
}

void draw_missing_picture(Canvas& canvas, const Rect& area) {
  const Pen pen{1, 0x808080, LineStyle::Solid};
  canvas.stroke_rect(area, pen);
  canvas.draw_line(area.left, area.top, area.right(), area.bottom(), pen);
  canvas.draw_line(area.left, area.bottom(), area.right(), area.top, pen);
}

// Unreadable pictures and metafiles (which have no decoder) leave the box; the engine has put
// the report's notice about them in the log. One past the pixel limit stops the report
// (picture::TooLarge goes through).
void draw_picture_view(Canvas& canvas, const report::PictureView& view, const Rect& area) {
  const report::Picture& pic = view.picture;
  if (pic.empty() || !(area.width > 0 && area.height > 0)) return;
  picture::Bitmap b;
  try {
    b = picture::decode(pic.kind, pic.bytes);
  } catch (const picture::Unreadable&) {
  }
  if (b.width <= 0 || b.height <= 0) {
    draw_missing_picture(canvas, area);
    return;
  }
  if (view.transparent) picture::make_clear(b, rgb_of(view.transparent_color).value_or(0xFFFFFF));
  canvas.save();
  canvas.clip(area);
  canvas.draw_picture(picture_rect(view, area, b.width, b.height),
                      {.width = b.width, .height = b.height, .rgba = b.rgba, .smooth = view.hight_quality});
  canvas.restore();
}

void draw_view(Canvas& canvas, const PrintedView& v) {
  switch (v.kind) {
    case ViewKind::Memo:
      draw_fill(canvas, v);
      draw_underlines(canvas, v);
      draw_memo_text(canvas, v);
      draw_frame(canvas, v);
      break;
    case ViewKind::Line: {
      Rect r = v.bounds;
      canvas.draw_line(r.left, r.top, r.right(), r.bottom(), v.pen);
      draw_arrow_heads(canvas, v);
      break;
    }
    case ViewKind::Shape:
      draw_shape(canvas, v);
      break;
    case ViewKind::Picture: {
      draw_fill(canvas, v);
      draw_picture_view(canvas, static_cast<const report::PictureView&>(*v.view), v.body());
      draw_frame(canvas, v);
      break;
    }
    case ViewKind::BarCode:
      objects::draw_barcode(canvas, static_cast<const report::BarCodeView&>(*v.view), *v.barcode, v.fill);
      draw_frame(canvas, v);
      break;
    case ViewKind::Barcode2D:
      objects::draw_barcode2d(canvas, static_cast<const report::Barcode2DView&>(*v.view), *v.barcode2d,
                              v.fill);
      draw_frame(canvas, v);
      break;
    case ViewKind::CheckBox: {
      auto& box = static_cast<const report::CheckBoxView&>(*v.view);
      draw_fill(canvas, v);
      objects::draw_check_box(canvas, box, v.body(), rgb_of(box.check_color).value_or(0), box.frame.width());
      draw_frame(canvas, v);
      break;
    }
    case ViewKind::Chart: {
      auto& chart = static_cast<const report::ChartView&>(*v.view);
      draw_fill(canvas, v);
      objects::draw_chart(canvas, chart, report::decode_chart_table(chart.chart_data), v.body());
      draw_frame(canvas, v);
      break;
    }
    case ViewKind::Other:
      draw_fill(canvas, v);
      draw_frame(canvas, v);
      break;
  }
}

}  // namespace orvena::exporting
