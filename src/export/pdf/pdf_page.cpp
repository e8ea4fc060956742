#include "export/pdf/pdf_page.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "export/pdf/pdf_document.h"

namespace orvena::exporting::pdf {
namespace {

// Bézier control points of a quarter ellipse lie this fraction of the half-axis from the
// on-curve points (4/3 (sqrt 2 - 1)).
constexpr double kKappa = 0.5522847498;
// A TJ shift smaller than this (thousandths of an em) is not worth writing.
constexpr double kMinimumShift = 0.5;
constexpr double kItalicSlant = 0.3333;
constexpr double kBoldStrokeDivisor = 35;

// Matrix components need more than two decimals: cos 30 degrees is 0.866.
std::string fine_number(double v) {
  if (std::fabs(v) < 5e-5) v = 0;
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 4);
  return std::string(buf, res.ptr - buf);
}

void append_glyph_hex(std::string& out, uint16_t id) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char buf[4] = {kDigits[id >> 12], kDigits[(id >> 8) & 15], kDigits[(id >> 4) & 15], kDigits[id & 15]};
  out.append(buf, 4);
}

// The text each glyph stands for: its cluster's bytes for the first glyph of the cluster,
// nothing for the others (a ligature maps to all its letters, its marks to none).
std::vector<std::string_view> glyph_texts(const TextRun& run) {
  std::string_view text = run.text;
  std::vector<std::string_view> out;
  out.reserve(run.glyphs.size());
  // Left-to-right text without ligatures or marks, the usual case: one glyph per cluster, in order.
  bool increasing = true;
  for (size_t i = 1; i < run.glyphs.size() && increasing; ++i)
    increasing = run.glyphs[i].cluster > run.glyphs[i - 1].cluster;
  if (increasing && run.glyphs.back().cluster < text.size()) {
    for (size_t i = 0; i < run.glyphs.size(); ++i) {
      size_t start = run.glyphs[i].cluster;
      size_t end = i + 1 < run.glyphs.size() ? run.glyphs[i + 1].cluster : text.size();
      out.push_back(text.substr(start, end - start));
    }
    return out;
  }
  std::vector<uint32_t> starts;
  for (const Glyph& g : run.glyphs) starts.push_back(std::min<uint32_t>(g.cluster, run.text.size()));
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  std::vector<bool> given(starts.size(), false);
  for (const Glyph& g : run.glyphs) {
    uint32_t start = std::min<uint32_t>(g.cluster, text.size());
    size_t k = std::lower_bound(starts.begin(), starts.end(), start) - starts.begin();
    size_t end = k + 1 < starts.size() ? starts[k + 1] : text.size();
    out.push_back(given[k] ? std::string_view() : text.substr(start, end - start));
    given[k] = true;
  }
  return out;
}

}  // namespace

Page::Page(Document& document, const PageGeometry& geometry, size_t index)
    : m_document(document), m_geometry(geometry), m_index(index) {}

void Page::line(std::string_view op) {
  m_content += op;
  m_content += "\r\n";
}

void Page::point(double x, double y) {
  append_number(m_content, m_geometry.x(x));
  m_content += ' ';
  append_number(m_content, m_geometry.y(y));
  m_content += ' ';
}

const std::string& Page::color(Color c) {
  if (!(c == m_last_color)) {
    m_last_color = c;
    m_last_color_text = color_components(c);
  }
  return m_last_color_text;
}

// Elements are the line width times 6 (long) or times 2 (short), in the order dash, gap.
std::string Page::dash_pattern(LineStyle style, double width) {
  std::string longer = number(width * 6) + " ", shorter = number(width * 2) + " ";
  std::string elements;
  switch (style) {
    case LineStyle::Solid:
      break;
    case LineStyle::Dash:
      elements = longer;
      break;
    case LineStyle::Dot:
      elements = shorter + longer;
      break;
    case LineStyle::DashDot:
      elements = longer + longer + shorter + longer;
      break;
    case LineStyle::DashDotDot:
      elements = longer + longer + shorter + longer + shorter + longer;
      break;
  }
  return "[" + elements + "] 0 d";
}

void Page::set_pen(const Pen& pen) {
  line(dash_pattern(pen.style, pen.width));
  line(color(pen.color) + " RG");
  line(number(PageGeometry::length(pen.width)) + " w");
}

void Page::set_fill(Color c) {
  line(color(c) + " rg");
}

void Page::paint(const std::optional<Pen>& pen, const std::optional<Color>& fill) {
  line(pen && fill ? "B" : pen ? "S" : fill ? "f" : "n");
}

// Components as "0", "1" or "0." and two digits of component * 100 / 256.
static std::string background_components(Color c) {
  std::string out;
  for (uint8_t v : {c.r, c.g, c.b}) {
    if (!out.empty()) out += ' ';
    if (v == 0 || v == 255) {
      out += v ? '1' : '0';
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "0.%02d", v * 100 / 256);
      out += buf;
    }
  }
  return out;
}

void Page::background(Color c, const Margins& m) {
  constexpr double kPointsPerMillimetre = 2.8346456692913384;
  double left = m.left * kPointsPerMillimetre, right = m_geometry.width_pt() - m.right * kPointsPerMillimetre;
  double bottom = m.bottom * kPointsPerMillimetre,
         top = m_geometry.height_pt() - m.top * kPointsPerMillimetre;
  std::string colour = background_components(c);
  line("0.00 w");
  line(colour + " RG");
  line(colour + " rg");
  auto corner = [&](double x, double y, const char* op) { line(number(x) + " " + number(y) + op); };
  corner(left, bottom, " m");
  corner(right, bottom, " l");
  corner(right, top, " l");
  corner(left, top, " l");
  line("B");
}

void Page::clip(double x, double y, double width, double height) {
  point(x, y + height);
  m_content +=
      number(PageGeometry::length(width)) + " " + number(PageGeometry::length(height)) + " re\r\nW\r\nn\r\n";
}

void Page::rotate(double x, double y, double degrees) {
  double a = degrees * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
  double px = m_geometry.x(x), py = m_geometry.y(y);
  // Translate the centre to the origin, rotate, translate back: one matrix.
  line(fine_number(c) + " " + fine_number(s) + " " + fine_number(-s) + " " + fine_number(c) + " " +
       fine_number(px - c * px + s * py) + " " + fine_number(py - s * px - c * py) + " cm");
}

void Page::line(double x1, double y1, double x2, double y2, const Pen& pen) {
  set_pen(pen);
  point(x1, y1);
  m_content += "m\r\n";
  point(x2, y2);
  m_content += "l\r\nS\r\n";
}

void Page::rectangle(double x, double y, double width, double height, const std::optional<Pen>& pen,
                     const std::optional<Color>& fill) {
  if (pen) set_pen(*pen);
  if (fill) set_fill(*fill);
  point(x, y + height);
  m_content += number(PageGeometry::length(width)) + " " + number(PageGeometry::length(height)) + " re\r\n";
  paint(pen, fill);
}

void Page::rounded_rectangle(double x, double y, double width, double height, double radius,
                             const std::optional<Pen>& pen, const std::optional<Color>& fill) {
  radius = std::clamp(radius, 0.0, std::min(width, height) / 2);
  double r = radius, k = radius * (1 - kKappa), right = x + width, bottom = y + height;
  if (pen) set_pen(*pen);
  if (fill) set_fill(*fill);
  auto curve = [&](double x1, double y1, double x2, double y2, double x3, double y3) {
    point(x1, y1);
    point(x2, y2);
    point(x3, y3);
    m_content += "c\r\n";
  };
  point(x + r, y);
  m_content += "m\r\n";
  point(right - r, y);
  m_content += "l\r\n";
  curve(right - k, y, right, y + k, right, y + r);
  point(right, bottom - r);
  m_content += "l\r\n";
  curve(right, bottom - k, right - k, bottom, right - r, bottom);
  point(x + r, bottom);
  m_content += "l\r\n";
  curve(x + k, bottom, x, bottom - k, x, bottom - r);
  point(x, y + r);
  m_content += "l\r\n";
  curve(x, y + k, x + k, y, x + r, y);
  line("h");
  paint(pen, fill);
}

void Page::ellipse(double x, double y, double width, double height, const std::optional<Pen>& pen,
                   const std::optional<Color>& fill) {
  if (pen) set_pen(*pen);
  if (fill) set_fill(*fill);
  double rx = width / 2, ry = height / 2, cx = x + rx, cy = y + ry, kx = rx * kKappa, ky = ry * kKappa;
  auto curve = [&](double x1, double y1, double x2, double y2, double x3, double y3) {
    point(x1, y1);
    point(x2, y2);
    point(x3, y3);
    m_content += "c\r\n";
  };
  point(cx + rx, cy);
  m_content += "m\r\n";
  curve(cx + rx, cy + ky, cx + kx, cy + ry, cx, cy + ry);
  curve(cx - kx, cy + ry, cx - rx, cy + ky, cx - rx, cy);
  curve(cx - rx, cy - ky, cx - kx, cy - ry, cx, cy - ry);
  curve(cx + kx, cy - ry, cx + rx, cy - ky, cx + rx, cy);
  paint(pen, fill);
}

void Page::polygon(const std::vector<Point>& points, const std::optional<Pen>& pen,
                   const std::optional<Color>& fill) {
  if (points.empty()) return;
  if (pen) set_pen(*pen);
  if (fill) set_fill(*fill);
  for (size_t i = 0; i < points.size(); ++i) {
    point(points[i].x, points[i].y);
    m_content += i == 0 ? "m\r\n" : "l\r\n";
  }
  line("h");
  paint(pen, fill);
}

void Page::text(const TextRun& run) {
  if (run.glyphs.empty() || !(run.size > 0)) return;  // nothing to see, and no size to divide by
  PdfFont& font = m_document.font_record(run.font);
  if (std::find(m_fonts.begin(), m_fonts.end(), run.font) == m_fonts.end()) m_fonts.push_back(run.font);
  std::vector<std::string_view> texts = glyph_texts(run);

  // The layout places glyphs at whole device pixels and spreads its rounding over the line, so
  // its advances differ from the font's widths by a little at every glyph. Written as TJ shifts
  // inside words, those differences read as word breaks to text extraction ("Sz tuk"). So words
  // keep the font's widths, an even difference (letter spacing, the layout's spreading) goes
  // into the character spacing, and the layout's positions are met again at every space, where
  // justification puts its surplus anyway.
  const size_t n = run.glyphs.size();
  double within_words = 0;  // points the given advances exceed the widths, over word glyphs
  size_t word_glyphs = 0;
  for (size_t i = 0; i + 1 < n; ++i) {
    if (texts[i] == " ") continue;
    within_words +=
        PageGeometry::length(run.glyphs[i].advance) - font.width(run.glyphs[i].id) * run.size / 1000;
    ++word_glyphs;
  }
  double spacing = word_glyphs ? std::round(within_words / double(word_glyphs) * 100) / 100 : 0;
  const double char_spacing = PageGeometry::length(run.char_spacing) + spacing;

  std::string codes;
  bool shifted = false;
  double drift = 0;  // points the given advances are ahead of what is written
  for (size_t i = 0; i < n; ++i) {
    const Glyph& g = run.glyphs[i];
    font.use(g.id, texts[i]);
    append_glyph_hex(codes, g.id);
    if (i + 1 == n) break;
    drift += PageGeometry::length(g.advance) - font.width(g.id) * run.size / 1000 - spacing;
    if (texts[i] != " ") continue;
    double shift = std::round(-drift * 1000 / run.size * 100) / 100;  // as written, two decimals
    if (std::fabs(shift) < kMinimumShift) continue;
    codes += "> " + number(shift) + " <";
    drift += shift * run.size / 1000;
    shifted = true;
  }

  line("BT");
  line(font.resource_name() + " " + number(run.size) + " Tf");
  line(color(run.color) + " rg");
  if (std::fabs(char_spacing) >= 0.005) line(number(char_spacing) + " Tc");
  std::string origin = number(m_geometry.x(run.x)) + " " + number(m_geometry.y(run.y));
  if (run.simulated_italic)
    line("1 0 " + fine_number(kItalicSlant) + " 1 " + origin + " Tm");
  else
    line(origin + " Td");
  if (run.simulated_bold)
    line("2 Tr " + number(run.size / kBoldStrokeDivisor) + " w " + color(run.color) + " RG");
  line(shifted ? "[<" + codes + ">] TJ" : "<" + codes + "> Tj");
  if (run.simulated_bold) line("0 Tr");
  if (std::fabs(char_spacing) >= 0.005) line("0 Tc");
  line("ET");
}

void Page::image(ImageId image, double x, double y, double width, double height) {
  if (std::find(m_images.begin(), m_images.end(), image) == m_images.end()) m_images.push_back(image);
  line("q");
  line(number(PageGeometry::length(width)) + " 0 0 " + number(PageGeometry::length(height)) + " " +
       number(m_geometry.x(x)) + " " + number(m_geometry.y(y + height)) + " cm");
  line("/Im" + std::to_string(image) + " Do");
  line("Q");
}

void Page::add_link(Link link, double x, double y, double width, double height) {
  link.page = m_index;
  link.left = m_geometry.x(x);
  link.right = m_geometry.x(x + width);
  link.top = m_geometry.y(y);
  link.bottom = m_geometry.y(y + height);
  link.object = m_document.m_out->reserve();
  m_annotations.push_back(link.object);
  m_document.m_links.push_back(std::move(link));
}

void Page::link_uri(double x, double y, double width, double height, std::string uri) {
  add_link({.uri = std::move(uri)}, x, y, width, height);
}

void Page::link_page(double x, double y, double width, double height, size_t target_page, double target_y) {
  add_link({.target_page = target_page, .target_y = target_y}, x, y, width, height);
}

}  // namespace orvena::exporting::pdf
