#include "objects/barcode_view.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "core/error.h"

namespace orvena::objects {

using report::canvas::Canvas;
using report::canvas::Rect;
using report::canvas::Rgb;

namespace {

constexpr Rgb kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0xFF0000;
constexpr int kMaxFontSize = 9;

double module_width_of(double zoom) {
  return std::isfinite(zoom) && zoom >= 0.0001 ? zoom : 1;
}

// Text in one line, centred in `r`, or word-wrapped from its top-left corner.
void draw_text(Canvas& canvas, const report::text::LayoutFont& font, const std::string& text, const Rect& r,
               bool wrap) {
  auto& layout = report::text::TextLayout::shared();
  std::lock_guard lock(layout);
  layout.set_font(font);
  layout.set_options({.word_wrap = wrap, .clipped = false});
  layout.set_gaps({0, 0, 0});
  layout.set_dimensions({r, r, 1, 1, 1});
  std::vector<std::string> lines{text};
  layout.set_text(lines);
  layout.draw_text(canvas, wrap ? report::HAlign::Left : report::HAlign::Center, report::VAlign::Top);
}

double text_height(const report::text::LayoutFont& font) {
  auto& layout = report::text::TextLayout::shared();
  std::lock_guard lock(layout);
  layout.set_font(font);
  return layout.text_height();
}

struct TextGroup {
  size_t first, count;  // characters of the human-readable text
  double from, to;      // modules from the start of the pattern; negative before it
};

// Where the digits of the EAN and UPC types stand; W is the pattern's width in modules.
std::vector<TextGroup> ean_groups(BarcodeType type, double w) {
  switch (type) {
    case BarcodeType::Ean8:
      return {{0, 4, 3, 30}, {4, 4, 35, w - 4}};
    case BarcodeType::Ean13:
      return {{0, 1, -8, -2}, {1, 6, 3, 44}, {7, 6, 49, w - 4}};
    case BarcodeType::UpcA:
      return {{0, 1, -8, -2}, {1, 5, 10, 44}, {6, 5, 49, 83}, {11, 1, w + 1, w + 8}};
    case BarcodeType::UpcE0:
    case BarcodeType::UpcE1:
      return {{0, 6, 3, 44}, {6, 1, w + 1, w + 8}};
    default:
      return {};
  }
}

// The bars and text with the bars running left to right in a `width` × `height` box at the origin.
void draw_upright(Canvas& canvas, const report::BarCodeView& view, const BarcodeLayout& l, double width,
                  double height, Rgb background) {
  const report::text::LayoutFont font = barcode_font(view);
  const bool ean = is_ean_upc(l.type);
  const double t = view.show_text ? text_height(font) + 2 : 0;
  double bar_height = height;
  if (view.show_text) bar_height = ean ? height - t / 2 : height - (t + 2);
  bar_height = std::max(0.0, bar_height);

  const double m = l.module_width;
  double x = leading_modules(l.type) * m;
  for (char c : l.encoded.pattern) {
    bool bar = c >= '5';
    int kind = c >= 'A' ? c - 'A' : bar ? c - '5' : c - '0';
    double w = l.widths[kind] * m;
    if (bar) {
      double top = c >= 'A' ? bar_height * 3 / 5 : 0;  // short bars stand at the bottom
      canvas.fill_rect({x, top, w, bar_height - top}, kBlack);
    }
    x += w;
  }
  if (!view.show_text || l.encoded.text.empty()) return;

  const double origin = leading_modules(l.type) * m;
  if (ean) {
    // Each group on a box that blanks the bars behind it; the guard bars stay long beside them.
    for (const TextGroup& g : ean_groups(l.type, l.modules)) {
      if (g.first >= l.encoded.text.size()) continue;
      Rect box{origin + g.from * m, height - t, (g.to - g.from) * m, t};
      canvas.fill_rect(box, background);
      draw_text(canvas, font, l.encoded.text.substr(g.first, g.count), box, false);
    }
    return;
  }
  draw_text(canvas, font, l.encoded.text, {0, bar_height + 2, width, t}, false);
}

}  // namespace

int quarter_turns(int64_t rotation) {
  int64_t r = ((rotation % 360) + 360) % 360;
  return r % 90 ? 0 : int(r / 90);
}

report::text::LayoutFont barcode_font(const report::BarCodeView& view) {
  report::text::LayoutFont f = report::text::layout_font(view.font());
  f.size = std::min(f.size, kMaxFontSize);
  return f;
}

BarcodeLayout layout_barcode(const report::BarCodeView& view, Rect bounds) {
  BarcodeLayout l;
  l.bounds = bounds;
  l.module_width = module_width_of(view.zoom);
  try {
    l.type = barcode_type(view.bar_type);
    l.encoded = encode_barcode(l.type, view.text, view.calc_check_sum);
    l.widths = element_widths(l.type, view.wide_bar_ratio);
    l.modules = pattern_width(l.encoded.pattern, l.widths);
  } catch (const core::Error& e) {
    l.error = e.what();
    l.encoded = {};
    l.modules = 0;
    return l;
  }
  if (l.modules == 0) return l;  // nothing to print: the object keeps its size

  double length = (leading_modules(l.type) + l.modules + trailing_modules(l.type)) * l.module_width;
  bool vertical = quarter_turns(view.rotation) % 2;
  double& side = vertical ? l.bounds.height : l.bounds.width;
  double& start = vertical ? l.bounds.top : l.bounds.left;
  if (view.halign == report::HAlign::Right)
    start += side - length;
  else if (view.halign == report::HAlign::Center)
    start += (side - length) / 2;
  side = length;
  return l;
}

void draw_barcode_error(Canvas& canvas, const Rect& r, const std::string& message) {
  report::text::LayoutFont font{.name = "Arial", .size = 8, .color = kRed};
  draw_text(canvas, font, message,
            {r.left + 2, r.top + 2, std::max(0.0, r.width - 4), std::max(0.0, r.height - 4)}, true);
}

void draw_barcode(Canvas& canvas, const report::BarCodeView& view, const BarcodeLayout& l,
                  std::optional<Rgb> background) {
  const Rect& r = l.bounds;
  Rgb back = background.value_or(kWhite);
  if (!(r.width > 0 && r.height > 0)) return;
  canvas.fill_rect(r, back);
  if (!l.error.empty()) {
    draw_barcode_error(canvas, r, l.error);
    return;
  }
  if (l.encoded.pattern.empty()) return;

  // Drawn upright about the centre, then turned counter-clockwise by the rotation.
  int turns = quarter_turns(view.rotation);
  double width = turns % 2 ? r.height : r.width, height = turns % 2 ? r.width : r.height;
  canvas.save();
  canvas.clip(r);
  canvas.translate(r.left + r.width / 2, r.top + r.height / 2);
  if (turns) canvas.rotate_degrees(90.0 * turns);
  canvas.translate(-width / 2, -height / 2);
  draw_upright(canvas, view, l, width, height, back);
  canvas.restore();
}

}  // namespace orvena::objects
