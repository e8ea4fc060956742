// Drawing the wrapped lines on a device: line placement, alignment and the WYSIWYG spreading
// that makes the device's text as wide and as high as measured at 600 pixels per inch.
#include <cmath>
#include <cstdlib>

#include "report/text/text_layout.h"

namespace orvena::report::text {

namespace {

int round_int(double v) {
  return static_cast<int>(std::nearbyint(v));
}

// Gives `units` (> 0) single units of `sign` to add[a..b] by recursive halving: the first half
// of the range receives half of the units, the rest goes to the second half.
void halve(std::vector<int>& add, int units, size_t a, size_t b, int sign) {
  if (units <= 0 || a > b) return;
  if (a == b) {
    add[a] += sign * units;
    return;
  }
  size_t m = std::max<size_t>(1, (b - a + 1) / 2);
  if (units == 1) {
    add[a + m - 1] += sign;
    return;
  }
  halve(add, units / 2, a, a + m - 1, sign);
  halve(add, units - units / 2, a + m, b, sign);
}

// Spreads a difference over all elements: the quotient to each when there is at least one unit
// for each, the remainder by halving.
void spread(std::vector<int>& add, int difference) {
  if (add.empty() || difference == 0) return;
  int count = int(add.size());
  if (std::abs(difference) >= count) {
    int each = difference / count;
    for (int& a : add) a += each;
    difference -= each * count;
  }
  halve(add, std::abs(difference), 0, add.size() - 1, difference < 0 ? -1 : 1);
}

}  // namespace

struct TextLayout::DrawContext {
  canvas::Canvas& canvas;
  canvas::Device device;
  double width = 0;  // of the (turned) text area, device pixels

  // Device pixels of a font `size` points high.
  int font_height(const TextLayout& t, int size) const {
    if (device.printer) return round_int(device.pixels_per_inch * size * t.m_dims.print_scale / 72);
    return round_int(size * t.m_dims.scale_y * 96 / 72);
  }
};

void TextLayout::draw_text(canvas::Canvas& canvas, HAlign halign, VAlign valign) {
  size_t n = m_lines.size();
  if (n == 0) return;
  DrawContext ctx{canvas, canvas.device()};
  const double ls = m_gaps.line_spacing, sy = m_dims.scale_y;
  const int h = m_font_height;

  // The block's height as measured, and the steps between lines on the device.
  int block;
  if (ctx.device.printer) {
    double k = kMeasuringPixelsPerInch / (ctx.device.pixels_per_inch * m_dims.print_scale);
    block = round_int((ls * sy * k * double(n) + h * double(n)) / k);
  } else {
    block =
        round_int((ls * kMeasuringPixelsPerUnit * double(n) + h * double(n)) / kMeasuringPixelsPerUnit * sy);
  }
  int step = ctx.font_height(*this, m_font.size) + round_int(ls * sy);
  std::vector<int> steps(n - 1, step);
  if (m_options.wysiwyg && n > 1) {
    std::vector<int> extra(n - 1, 0);
    spread(extra, block - int(n) * step);
    for (size_t i = 0; i + 1 < n; ++i) steps[i] += extra[i];
  }

  // Lines are laid out in the text's own frame: across its width, down its height, turned
  // about the rectangle's centre so that a turned text stays inside it.
  const canvas::Rect& r = m_dims.device;
  bool swapped = swapped_axes();
  double width = swapped ? r.height : r.width, height = swapped ? r.width : r.height;
  ctx.width = width;

  canvas.save();
  if (m_options.clipped) canvas.clip(r);
  if (m_options.rotation != 0) {
    canvas.translate(r.left + r.width / 2, r.top + r.height / 2);
    canvas.rotate_degrees(m_options.rotation);
    canvas.translate(-width / 2, -height / 2);
  } else {
    canvas.translate(r.left, r.top);
  }

  double y = 0;
  if (valign != VAlign::Top) {
    if (ls < 0) block += std::abs(round_int(2 * ls));
    y = valign == VAlign::Bottom ? height - block : round_int((height - block) / 2.0);
  }
  for (size_t i = 0; i < n; ++i) {
    draw_line(ctx, i, y, halign);
    if (i + 1 < n) y += steps[i];
  }
  canvas.restore();
}

void TextLayout::draw_line(const DrawContext& ctx, size_t line, double top, HAlign halign) {
  const WrappedLine& l = m_lines[line];
  std::u32string text = line_text(line);
  std::vector<TagState> states = line_states(line);
  size_t count = text.size();
  if (count == 0) return;
  const double sx = m_dims.scale_x;

  int indent = 0;
  if ((l.flags & kParagraphStart) && (halign == HAlign::Left || halign == HAlign::Block))
    indent = round_int(m_gaps.paragraph_gap * sx);
  int available = int(std::lround(ctx.width)) - indent;
  HAlign align = halign;
  if (align == HAlign::Block && (l.flags & kParagraphEnd))
    align = m_options.rtl_reading ? HAlign::Right : HAlign::Left;

  // Widths at 600 pixels per inch and on the device, each less one trailing character spacing.
  int spacing = round_int(kMeasuringPixelsPerUnit * m_gaps.char_spacing);
  int device_spacing = round_int(m_gaps.char_spacing * sx);
  int ideal = 0, device_width = 0, blanks = 0;
  std::vector<int> advance(count);
  std::vector<const FontFace*> faces(count);
  for (size_t c = 0; c < count; ++c) {
    const FontFace& f = face_for(text[c], states[c].style);
    faces[c] = &f;
    int measured = f.advance_pixels(text[c], m_font_height);
    ideal += (states[c].small() ? round_int(measured / 1.5) : measured) + spacing;
    advance[c] = f.advance_pixels(text[c], ctx.font_height(*this, states[c].size)) + device_spacing;
    device_width += advance[c];
    if (text[c] == U' ') ++blanks;
  }
  ideal -= spacing;
  device_width -= device_spacing;
  int ideal_device = device_width;
  if (m_options.wysiwyg) {
    if (ctx.device.printer)
      ideal_device =
          round_int(ideal * m_dims.print_scale / (kMeasuringPixelsPerInch / ctx.device.pixels_per_inch));
    else
      ideal_device = round_int(ideal / kMeasuringPixelsPerUnit * sx);
  }

  std::vector<int> extra(count, 0);
  int x0 = indent;
  if (align == HAlign::Block && blanks == 0) align = HAlign::Left;
  switch (align) {
    case HAlign::Right: {
      // Bold and italic glyphs overhang their advance by a pixel on the right.
      bool overhang = (m_font.style & (kBold | kItalic)) && m_options.rotation == 0;
      x0 += available - ideal_device - (overhang ? 1 : 0);
      break;
    }
    case HAlign::Center:
      x0 += round_int((available - ideal_device) / 2.0);
      break;
    case HAlign::Block: {
      int d = std::abs(available) - device_width;
      int each = d / blanks, rest = std::abs(d % blanks), sign = d < 0 ? -1 : 1;
      for (size_t c = 0; c < count; ++c) {
        if (text[c] != U' ') continue;
        extra[c] = each + (rest > 0 ? sign : 0);
        if (rest > 0) --rest;
      }
      break;
    }
    case HAlign::Left:
      break;
  }
  if (align != HAlign::Block && m_options.wysiwyg) spread(extra, ideal_device - device_width);

  std::vector<double> x(count + 1);
  x[0] = x0;
  for (size_t c = 0; c < count; ++c) x[c + 1] = x[c] + advance[c] + extra[c];
  if (m_options.rtl_reading) {
    // Right to left: the same cells, mirrored within the line.
    std::vector<double> mirrored(count + 1);
    for (size_t c = 0; c < count; ++c) mirrored[c] = x0 + x[count] - x[c + 1];
    mirrored[count] = x[count];
    x.swap(mirrored);
  }

  std::vector<canvas::PlacedGlyph> glyphs;
  for (size_t begin = 0; begin < count;) {
    size_t end = begin + 1;
    while (end < count && states[end] == states[begin] && faces[end] == faces[begin]) ++end;
    const TagState& s = states[begin];
    const FontFace& f = *faces[begin];
    int em = ctx.font_height(*this, s.size);
    // A run in a fallback face sits on the font's own baseline.
    const FontFace& own = face(s.style);
    double baseline = top + own.scale(own.ascent(), em);
    if (s.shifted_down()) baseline += round_int(s.size * m_dims.scale_y);
    uint32_t color = m_options.mask ? 0 : s.color;

    glyphs.clear();
    for (size_t c = begin; c < end; ++c) glyphs.push_back({f.glyph_id(text[c]), x[c], baseline});
    ctx.canvas.draw_glyphs(
        {&f, double(em), color, glyphs, std::u32string_view(text).substr(begin, end - begin)});

    double run_left = m_options.rtl_reading ? x[end - 1] : x[begin];
    double run_right = m_options.rtl_reading ? x[begin] + advance[begin] : x[end - 1] + advance[end - 1];
    auto rule = [&](double offset, int thickness) {
      double w = std::max(1, f.scale(thickness, em));
      double yy = baseline + offset;
      ctx.canvas.draw_line(run_left, yy, run_right, yy, canvas::Pen{w, color});
    };
    if (s.style & kUnderline) rule(f.scale(f.underline_position(), em), f.underline_thickness());
    if (s.style & kStrikeOut) rule(-f.scale(f.strikeout_position(), em), f.strikeout_thickness());
    begin = end;
  }
}

}  // namespace orvena::report::text
