#include "objects/chart_draw.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>
#include <optional>

#include "report/memo/memo_text.h"
#include "report/text/text_layout.h"

namespace orvena::objects {

using report::ChartKind;
using report::ChartTable;
using report::ChartView;
using report::HAlign;
using report::LegendPosition;
using report::VAlign;
using report::canvas::Canvas;
using report::canvas::Pen;
using report::canvas::Point;
using report::canvas::Rect;
using report::canvas::Rgb;
using report::text::LayoutFont;

namespace {

constexpr Rgb kBlack = 0x000000, kWhite = 0xFFFFFF, kGrid = 0xD9D9D9, kGreyText = 0x595959;
// Office-like colours that stay apart in print and in grey.
constexpr Rgb kPalette[] = {0x4472C4, 0xED7D31, 0xA5A5A5, 0xFFC000, 0x5B9BD5,
                            0x70AD47, 0x264478, 0x9E480E, 0x636363, 0x997300};
constexpr double kPad = 4, kSwatch = 8, kGap = 4;
constexpr int kMaxTicks = 10;
// Arcs are polygons: a point at most this many degrees apart keeps a slice round at 600 dpi.
constexpr double kArcStepDegrees = 2;

std::optional<Rgb> rgb_of(int64_t windows_color) {
  if (windows_color < 0 || windows_color > 0xFFFFFF) return std::nullopt;
  auto c = uint32_t(windows_color);
  return Rgb(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
}

// ---- Text through the shared layout ----------------------------------------------------------

struct Label {
  std::string text;
  HAlign halign = HAlign::Center;
  VAlign valign = VAlign::Center;
};

double text_width(const LayoutFont& font, const std::string& text) {
  auto& layout = report::text::TextLayout::shared();
  std::lock_guard lock(layout);
  layout.set_font(font);
  layout.set_options({.word_wrap = false, .clipped = false});
  layout.set_gaps({0, 0, 0});
  Rect wide{0, 0, 1e6, 1e6};
  layout.set_dimensions({wide, wide, 1, 1, 1});
  std::vector<std::string> lines{text};
  layout.set_text(lines);
  return layout.calc_width();
}

double text_height(const LayoutFont& font) {
  auto& layout = report::text::TextLayout::shared();
  std::lock_guard lock(layout);
  layout.set_font(font);
  return layout.text_height();
}

void draw_label(Canvas& canvas, const LayoutFont& font, const Label& label, const Rect& r) {
  if (label.text.empty() || r.width <= 0 || r.height <= 0) return;
  auto& layout = report::text::TextLayout::shared();
  std::lock_guard lock(layout);
  layout.set_font(font);
  layout.set_options({.word_wrap = false, .clipped = false});
  layout.set_gaps({0, 0, 0});
  layout.set_dimensions({r, r, 1, 1, 1});
  std::vector<std::string> lines{label.text};
  layout.set_text(lines);
  layout.draw_text(canvas, label.halign, label.valign);
}

std::string format_value(const ChartView& view, double v) {
  return report::memo_text::format_data(core::Variant(v), view.value_format);
}

// ---- Geometry ----------------------------------------------------------------------------------

struct Fonts {
  LayoutFont text, title;
  double line = 0;  // height of a line of text
};

Fonts fonts_of(const ChartView& view) {
  Fonts f;
  f.text = report::text::layout_font(view.font());
  f.title = f.text;
  f.title.size += 2;
  f.title.style |= 1;  // bold
  f.line = text_height(f.text);
  return f;
}

struct LegendEntry {
  std::string text;
  Rgb color;
};

std::vector<LegendEntry> legend_entries(const ChartView& view, const ChartTable& t) {
  std::vector<LegendEntry> out;
  bool pie = view.kind == ChartKind::Pie || view.kind == ChartKind::Doughnut;
  if (pie) {
    if (t.series.empty()) return out;
    for (size_t i = 0; i < t.categories.size(); ++i)
      if (t.series[0].values[i].value_or(0) > 0)
        out.push_back({t.categories[i], chart_color(view, report::kNoColor, i)});
  } else {
    for (size_t i = 0; i < t.series.size(); ++i)
      out.push_back({t.series[i].title, chart_color(view, t.series[i].color, i)});
  }
  return out;
}

// Draws the legend at its side of `area` and takes its room from it.
void draw_legend(Canvas& canvas, const ChartView& view, const Fonts& f,
                 const std::vector<LegendEntry>& entries, Rect& area) {
  if (view.legend == LegendPosition::None || entries.empty()) return;
  const double row = std::max(f.line, kSwatch) + 2;
  auto draw_entry = [&](const LegendEntry& e, double x, double y, double width) {
    canvas.fill_rect({x, y + (row - kSwatch) / 2, kSwatch, kSwatch}, e.color);
    draw_label(canvas, f.text, {e.text, HAlign::Left, VAlign::Center},
               {x + kSwatch + kGap, y, std::max(0.0, width - kSwatch - kGap), row});
  };
  if (view.legend == LegendPosition::Right || view.legend == LegendPosition::Left) {
    double widest = 0;
    for (const LegendEntry& e : entries) widest = std::max(widest, text_width(f.text, e.text));
    double width = std::min(area.width * 0.4, widest + kSwatch + kGap + 2);
    double height = row * double(entries.size());
    double x = view.legend == LegendPosition::Right ? area.right() - width : area.left;
    double y = area.top + std::max(0.0, (area.height - height) / 2);
    for (const LegendEntry& e : entries) {
      if (y + row > area.bottom() + 0.5) break;
      draw_entry(e, x, y, width);
      y += row;
    }
    if (view.legend == LegendPosition::Left) area.left += width + kPad;
    area.width -= width + kPad;
    return;
  }
  // Top or bottom: entries side by side, in as many rows as they need.
  std::vector<double> widths;
  for (const LegendEntry& e : entries)
    widths.push_back(text_width(f.text, e.text) + kSwatch + kGap + 3 * kGap);
  std::vector<std::pair<size_t, size_t>> rows;  // [first, last) of each row
  double used = 0;
  size_t first = 0;
  for (size_t i = 0; i < widths.size(); ++i) {
    if (i > first && used + widths[i] > area.width) {
      rows.emplace_back(first, i);
      first = i;
      used = 0;
    }
    used += widths[i];
  }
  rows.emplace_back(first, widths.size());
  double height = row * double(rows.size());
  double y = view.legend == LegendPosition::Top ? area.top : area.bottom() - height;
  for (auto [from, to] : rows) {
    double total = 0;
    for (size_t i = from; i < to; ++i) total += widths[i];
    double x = area.left + std::max(0.0, (area.width - total) / 2);
    for (size_t i = from; i < to; ++i) {
      draw_entry(entries[i], x, y, widths[i]);
      x += widths[i];
    }
    y += row;
  }
  if (view.legend == LegendPosition::Top) area.top += height + kPad;
  area.height -= height + kPad;
}

// ---- Axis charts -------------------------------------------------------------------------------

struct Extent {
  double min = 0, max = 0;
};

Extent value_extent(const ChartTable& t) {
  Extent e;
  for (const auto& s : t.series)
    for (const auto& v : s.values)
      if (v) e.min = std::min(e.min, *v), e.max = std::max(e.max, *v);
  return e;
}

bool is_line_series(ChartKind kind, size_t index) {
  return kind == ChartKind::Line || kind == ChartKind::Area || (kind == ChartKind::ColumnLine && index > 0);
}

void draw_axis_chart(Canvas& canvas, const ChartView& view, const Fonts& f, const ChartTable& t, Rect area,
                     bool empty) {
  const bool horizontal = view.kind == ChartKind::Bar;
  Extent e = value_extent(t);
  ChartScale scale = nice_scale(e.min, e.max);
  std::vector<double> ticks;
  for (double v = scale.low; v <= scale.high + scale.step / 2; v += scale.step) ticks.push_back(v);
  std::vector<std::string> tick_text;
  double tick_width = 0;
  for (double v : ticks) {
    tick_text.push_back(format_value(view, std::abs(v) < scale.step * 1e-9 ? 0.0 : v));
    tick_width = std::max(tick_width, text_width(f.text, tick_text.back()));
  }
  double category_width = 0;
  for (const std::string& c : t.categories) category_width = std::max(category_width, text_width(f.text, c));

  // Axis titles take a line at their side; the value axis title stands turned along a vertical axis.
  Rect plot = area;
  const std::string& left_title = horizontal ? view.category_axis_title : view.value_axis_title;
  const std::string& bottom_title = horizontal ? view.value_axis_title : view.category_axis_title;
  if (!left_title.empty()) {
    canvas.save();
    canvas.translate(plot.left, plot.bottom());
    canvas.rotate_degrees(90);
    draw_label(canvas, f.text, {left_title}, {0, 0, plot.height, f.line});
    canvas.restore();
    plot.left += f.line + kGap, plot.width -= f.line + kGap;
  }
  if (!bottom_title.empty()) {
    draw_label(canvas, f.text, {bottom_title}, {plot.left, plot.bottom() - f.line, plot.width, f.line});
    plot.height -= f.line + kGap;
  }
  double left_labels = horizontal ? std::min(category_width, area.width * 0.35) : tick_width;
  plot.left += left_labels + kGap, plot.width -= left_labels + kGap;
  plot.height -= f.line + kGap;  // labels under the axis
  double top_room = f.line / 2 + (view.show_values && !horizontal ? f.line : 0);
  plot.top += top_room, plot.height -= top_room;
  if (horizontal && view.show_values)
    plot.width -= tick_width;  // labels beyond the longest bar
  else
    plot.width -= tick_width / 2;  // the last tick label overhangs the plot
  if (plot.width <= 1 || plot.height <= 1) return;

  // Value to position along the value axis.
  const double span = scale.high - scale.low;
  auto at = [&](double v) {
    return horizontal ? plot.left + (v - scale.low) / span * plot.width
                      : plot.bottom() - (v - scale.low) / span * plot.height;
  };
  const Pen grid{0.5, kGrid}, axis{1, kBlack};
  for (size_t i = 0; i < ticks.size(); ++i) {
    double p = at(ticks[i]);
    if (horizontal) {
      if (view.gridlines) canvas.draw_line(p, plot.top, p, plot.bottom(), grid);
      draw_label(canvas, f.text, {tick_text[i]},
                 {p - tick_width, plot.bottom() + kGap, 2 * tick_width, f.line});
    } else {
      if (view.gridlines) canvas.draw_line(plot.left, p, plot.right(), p, grid);
      draw_label(canvas, f.text, {tick_text[i], HAlign::Right, VAlign::Center},
                 {plot.left - kGap - tick_width, p - f.line / 2, tick_width, f.line});
    }
  }
  const double zero = at(0);
  if (horizontal) {
    canvas.draw_line(zero, plot.top, zero, plot.bottom(), axis);
    canvas.draw_line(plot.left, plot.bottom(), plot.right(), plot.bottom(), axis);
  } else {
    canvas.draw_line(plot.left, plot.top, plot.left, plot.bottom(), axis);
    canvas.draw_line(plot.left, zero, plot.right(), zero, axis);
  }
  if (empty) {
    draw_label(canvas, f.title, {"Brak danych"}, plot);
    return;
  }

  const size_t n = t.categories.size();
  const double slot = (horizontal ? plot.height : plot.width) / double(n);
  auto slot_start = [&](size_t i) { return (horizontal ? plot.top : plot.left) + slot * double(i); };
  for (size_t i = 0; i < n; ++i) {
    if (horizontal)
      draw_label(
          canvas, f.text, {t.categories[i], HAlign::Right, VAlign::Center},
          {area.left + (plot.left - kGap - left_labels - area.left), slot_start(i), left_labels, slot});
    else
      draw_label(canvas, f.text, {t.categories[i]}, {slot_start(i), plot.bottom() + kGap, slot, f.line});
  }

  size_t columns = 0;
  for (size_t k = 0; k < t.series.size(); ++k) columns += !is_line_series(view.kind, k);
  const double group = slot * 0.7;
  const double bar = columns ? group / double(columns) : 0;
  size_t column = 0;
  for (size_t k = 0; k < t.series.size(); ++k) {
    const auto& s = t.series[k];
    const Rgb color = chart_color(view, s.color, k);
    if (!is_line_series(view.kind, k)) {
      for (size_t i = 0; i < n; ++i) {
        if (!s.values[i]) continue;
        double v = *s.values[i], from = slot_start(i) + (slot - group) / 2 + bar * double(column);
        double a = std::min(zero, at(v)), b = std::max(zero, at(v));
        std::string text = view.show_values ? format_value(view, v) : std::string();
        if (horizontal) {
          canvas.fill_rect({a, from, b - a, bar}, color);
          draw_label(canvas, f.text, {text, v < 0 ? HAlign::Right : HAlign::Left, VAlign::Center},
                     v < 0 ? Rect{a - kGap - tick_width, from, tick_width, bar}
                           : Rect{b + kGap, from, tick_width, bar});
        } else {
          canvas.fill_rect({from, a, bar, b - a}, color);
          double centre = from + bar / 2;
          draw_label(canvas, f.text, {text, HAlign::Center, v < 0 ? VAlign::Top : VAlign::Bottom},
                     v < 0 ? Rect{centre - slot / 2, b + 1, slot, f.line}
                           : Rect{centre - slot / 2, a - f.line - 1, slot, f.line});
        }
      }
      ++column;
      continue;
    }
    // Lines and areas through the middle of each slot; a missing value breaks a line.
    std::vector<Point> points;
    for (size_t i = 0; i < n; ++i) {
      double c = slot_start(i) + slot / 2;
      double v = s.values[i].value_or(0);
      points.push_back(horizontal ? Point{at(v), c} : Point{c, at(v)});
    }
    if (view.kind == ChartKind::Area && !points.empty()) {
      std::vector<Point> polygon{horizontal ? Point{zero, points.front().y} : Point{points.front().x, zero}};
      polygon.insert(polygon.end(), points.begin(), points.end());
      polygon.push_back(horizontal ? Point{zero, points.back().y} : Point{points.back().x, zero});
      canvas.fill_polygon(polygon, color);
    }
    const Pen line{2, color};
    for (size_t i = 0; i + 1 < n; ++i)
      if (s.values[i] && s.values[i + 1])
        canvas.draw_line(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, line);
    for (size_t i = 0; i < n; ++i) {
      if (!s.values[i]) continue;
      if (view.kind != ChartKind::Area) canvas.fill_rect({points[i].x - 2.5, points[i].y - 2.5, 5, 5}, color);
      if (view.show_values)
        draw_label(canvas, f.text, {format_value(view, *s.values[i]), HAlign::Center, VAlign::Bottom},
                   {points[i].x - slot / 2, points[i].y - f.line - 3, slot, f.line});
    }
  }
}

// ---- Pies ----------------------------------------------------------------------------------------

Point on_circle(Point c, double radius, double degrees) {
  double a = degrees * std::numbers::pi / 180;
  return {c.x + radius * std::cos(a), c.y + radius * std::sin(a)};
}

// Angles clockwise from 12 o'clock, y growing downwards.
std::vector<Point> slice(Point c, double outer, double inner, double from, double to) {
  std::vector<Point> p;
  int steps = std::max(1, int(std::ceil((to - from) / kArcStepDegrees)));
  for (int i = 0; i <= steps; ++i) p.push_back(on_circle(c, outer, from + (to - from) * i / steps - 90));
  if (inner > 0)
    for (int i = steps; i >= 0; --i) p.push_back(on_circle(c, inner, from + (to - from) * i / steps - 90));
  else
    p.push_back(c);
  return p;
}

void draw_pie(Canvas& canvas, const ChartView& view, const Fonts& f, const ChartTable& t, Rect area,
              bool empty) {
  const bool doughnut = view.kind == ChartKind::Doughnut;
  const double label_room = view.show_values ? f.line * 1.5 : 0;
  const double radius =
      std::max(0.0, std::min(area.width - 2 * label_room * 2, area.height - 2 * label_room) / 2);
  const Point c{area.left + area.width / 2, area.top + area.height / 2};
  const double inner = doughnut ? radius * 0.5 : 0;
  double total = 0;
  if (!empty)
    for (const auto& v : t.series[0].values) total += std::max(0.0, v.value_or(0));
  if (empty || total <= 0) {
    canvas.stroke_ellipse({c.x - radius, c.y - radius, 2 * radius, 2 * radius}, {1, kGrid});
    draw_label(canvas, f.title, {"Brak danych"}, area);
    return;
  }
  double angle = 0;
  const auto& values = t.series[0].values;
  for (size_t i = 0; i < values.size(); ++i) {
    double v = values[i].value_or(0);
    if (v <= 0) continue;
    double sweep = v / total * 360;
    auto poly = slice(c, radius, inner, angle, angle + sweep);
    canvas.fill_polygon(poly, chart_color(view, report::kNoColor, i));
    canvas.stroke_polygon(poly, {1, kWhite});
    if (view.show_values) {
      Point at = on_circle(c, radius + label_room / 2 + 2, angle + sweep / 2 - 90);
      std::string text = format_value(view, v);
      double w = text_width(f.text, text) + 2;
      draw_label(canvas, f.text, {text}, {at.x - w / 2, at.y - f.line / 2, w, f.line});
    }
    angle += sweep;
  }
}

}  // namespace

ChartScale nice_scale(double min_value, double max_value) {
  double low = std::min(0.0, min_value), high = std::max(0.0, max_value);
  if (!std::isfinite(low) || !std::isfinite(high)) return {};
  if (high - low <= 0) return {0, 1, 0.2};
  // A step of 1, 2 or 5 times a power of ten that needs at most kMaxTicks steps.
  double raw = (high - low) / 5;
  double power = std::pow(10, std::floor(std::log10(raw)));
  double step = power;
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    step = m * power;
    if ((high - low) / step <= kMaxTicks / 2) break;
  }
  return {std::floor(low / step) * step, std::ceil(high / step) * step, step};
}

Rgb chart_color(const ChartView& view, int64_t own_color, size_t index) {
  if (auto own = rgb_of(own_color)) return *own;
  std::vector<Rgb> palette;
  size_t pos = 0;
  const std::string& p = view.palette;
  while (pos < p.size()) {
    size_t end = std::min(p.find(';', pos), p.size());
    try {
      if (auto c = rgb_of(std::stoll(p.substr(pos, end - pos)))) palette.push_back(*c);
    } catch (const std::exception&) {
      // A colour that is no number is left out of the palette.
    }
    pos = end + 1;
  }
  if (!palette.empty()) return palette[index % palette.size()];
  return kPalette[index % std::size(kPalette)];
}

void draw_chart(Canvas& canvas, const ChartView& view, const ChartTable& table, const Rect& r) {
  if (!(r.width > 2 * kPad && r.height > 2 * kPad)) return;
  const Fonts f = fonts_of(view);
  canvas.save();
  canvas.clip(r);
  Rect area{r.left + kPad, r.top + kPad, r.width - 2 * kPad, r.height - 2 * kPad};
  if (!view.title.empty()) {
    double h = text_height(f.title);
    draw_label(canvas, f.title, {view.title}, {area.left, area.top, area.width, h});
    area.top += h + kPad, area.height -= h + kPad;
  }
  const bool empty = table.empty() || table.categories.empty();
  if (!empty) draw_legend(canvas, view, f, legend_entries(view, table), area);
  if (view.kind == ChartKind::Pie || view.kind == ChartKind::Doughnut)
    draw_pie(canvas, view, f, table, area, empty);
  else
    draw_axis_chart(canvas, view, f, table, area, empty);
  canvas.restore();
}

}  // namespace orvena::objects
