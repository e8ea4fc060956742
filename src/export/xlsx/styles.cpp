#include "export/xlsx/styles.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace orvena::exporting::xlsx {

namespace {

// Built-in number formats (ISO/IEC 29500-1, 18.8.30): 0 General, 49 "@" (text).
constexpr int kGeneralFormat = 0;
constexpr int kTextFormat = 49;
// Custom formats are numbered from here.
constexpr int kFirstCustomFormat = 166;

const char* kBorderStyleNames[] = {"thin", "dashed", "dotted", "dashDot", "dashDotDot", "double"};
const char* kSideNames[] = {"left", "right", "top", "bottom"};

std::string font_xml(const CellFormat& f) {
  std::string s = "<font>";
  if (f.bold) s += "<b/>";
  if (f.italic) s += "<i/>";
  if (f.underline) s += "<u/>";
  s += "<sz val=\"" + std::to_string(f.font_size) + "\"/><color rgb=\"" + argb(f.font_rgb) +
       "\"/><name val=\"" + xml::escape_attribute(f.font_name) + "\"/>";
  if (f.charset >= 0) s += "<charset val=\"" + std::to_string(f.charset) + "\"/>";
  return s + "</font>";
}

std::string border_xml(const CellFormat& f) {
  std::string s = "<border>";
  for (size_t i = 0; i < f.sides.size(); ++i) {
    const BorderSide& side = f.sides[i];
    std::string name = kSideNames[i];
    if (!side.present) {
      s += "<" + name + "/>";
      continue;
    }
    s += "<" + name + " style=\"" + kBorderStyleNames[size_t(side.style)] + "\"><color rgb=\"" +
         argb(side.rgb) + "\"/></" + name + ">";
  }
  return s + "</border>";
}

const char* horizontal_name(HorizontalAlign a) {
  switch (a) {
    case HorizontalAlign::Right:
      return "right";
    case HorizontalAlign::Center:
      return "center";
    default:
      return "left";
  }
}

const char* vertical_name(VerticalAlign a) {
  switch (a) {
    case VerticalAlign::Bottom:
      return "bottom";
    case VerticalAlign::Center:
      return "center";
    default:
      return "top";
  }
}

// Text turned a quarter turn carries its alignments with it: what was the start of the line
// is now the bottom (counter-clockwise) or the top (clockwise) of the cell.
void turn_alignments(const CellFormat& f, HorizontalAlign& h, VerticalAlign& v) {
  h = f.halign;
  v = f.valign;
  auto along = [](HorizontalAlign a, bool counter_clockwise) {
    if (a == HorizontalAlign::Center) return VerticalAlign::Center;
    bool start = a == HorizontalAlign::Left;
    return start == counter_clockwise ? VerticalAlign::Bottom : VerticalAlign::Top;
  };
  auto across = [](VerticalAlign a, bool counter_clockwise) {
    if (a == VerticalAlign::Center) return HorizontalAlign::Center;
    bool top = a == VerticalAlign::Top;
    return top == counter_clockwise ? HorizontalAlign::Left : HorizontalAlign::Right;
  };
  if (f.rotation == 90) {
    v = along(f.halign, true);
    h = across(f.valign, true);
  } else if (f.rotation == 270) {
    v = along(f.halign, false);
    h = across(f.valign, false);
  }
}

// textRotation (18.8.1): 0 to 90 turn counter-clockwise, 91 to 180 clockwise by value − 90.
int text_rotation(int r) {
  if (r >= 1 && r <= 90) return r;
  if (r >= 270 && r <= 359) return 450 - r;
  return 0;  // upside-down text has no spreadsheet form
}

}  // namespace

std::string argb(uint32_t rgb) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "FF%06X", unsigned(rgb & 0xFFFFFF));
  return buf;
}

// ---- Palette --------------------------------------------------------------------------------

Palette::Palette()
    : m_colours{0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFF00FF, 0xFFFF00} {}

int Palette::index_of(uint32_t rgb) {
  for (size_t i = 0; i < m_colours.size(); ++i)
    if (m_colours[i] == rgb) return int(i);
  if (m_colours.size() < kMaxColours) {
    m_colours.push_back(rgb);
    return int(m_colours.size() - 1);
  }
  // Nearest by the bytes that differ: the sum of the three bytes of the exclusive-or.
  auto distance = [rgb](uint32_t c) {
    uint32_t x = (c ^ rgb) & 0xFFFFFF;
    return (x & 0xFF) + ((x >> 8) & 0xFF) + (x >> 16);
  };
  size_t best = 0;
  for (size_t i = 1; i < m_colours.size(); ++i)
    if (distance(m_colours[i]) < distance(m_colours[best])) best = i;
  return int(best);
}

// ---- Number formats -------------------------------------------------------------------------

std::string number_format_code(const std::string& pattern) {
  size_t percent = pattern.find('%');
  // A picture format is already a format code.
  if (percent == std::string::npos) return pattern;
  // %[index:][-][width][.precision]type
  size_t i = percent + 1;
  while (i < pattern.size() && (std::isdigit(uint8_t(pattern[i])) || pattern[i] == '-' || pattern[i] == ':'))
    ++i;
  int precision = -1;
  if (i < pattern.size() && pattern[i] == '.') {
    precision = 0;
    for (++i; i < pattern.size() && std::isdigit(uint8_t(pattern[i])); ++i)
      precision = std::min(precision * 10 + (pattern[i] - '0'), 30);
  }
  char type = i < pattern.size() ? char(std::tolower(uint8_t(pattern[i]))) : '\0';
  // Without a precision two decimals, as the report shows such a number.
  std::string fraction = precision == 0 ? "" : "." + std::string(precision < 0 ? 2 : precision, '0');
  switch (type) {
    case 'f':
      return "0" + fraction;
    case 'n':
    case 'm':
      return "#,##0" + fraction;
    case 'd':
      return "0";
    case 'e':
      return "0" + fraction + "E+00";
    case 'g':
      return "";
    default:
      return "#,##0.00";
  }
}

// ---- Style table ----------------------------------------------------------------------------

StyleTable::StyleTable() {
  // The base entries come first, so that a cell without a style of its own (s="0") looks as the
  // report's default text does.
  m_fonts.add(R"(<font><sz val="12"/><color rgb="FF000000"/><name val="Arial"/></font>)");
  m_fills.add(R"(<fill><patternFill patternType="none"/></fill>)");
  m_fills.add(R"(<fill><patternFill patternType="gray125"/></fill>)");
  m_borders.add("<border><left/><right/><top/><bottom/></border>");
  m_cell_formats.add(
      R"(<xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"><alignment horizontal="left" vertical="top" wrapText="1"/></xf>)");
}

int StyleTable::number_format_id(const CellFormat& f) {
  if (f.number == NumberKind::Text) return kTextFormat;
  if (f.number != NumberKind::Numeric) return kGeneralFormat;
  std::string code = number_format_code(f.number_pattern);
  if (code.empty()) return kGeneralFormat;
  return kFirstCustomFormat + m_format_codes.add(code);
}

int StyleTable::cell_format(const CellFormat& f) {
  int font = m_fonts.add(font_xml(f));
  int fill = 0;
  if (f.fill_rgb && !f.hatched)
    fill = m_fills.add("<fill><patternFill patternType=\"solid\"><fgColor indexed=\"" +
                       std::to_string(m_palette.index_of(*f.fill_rgb)) + "\"/></patternFill></fill>");
  int border = m_borders.add(border_xml(f));
  int number = number_format_id(f);

  HorizontalAlign h;
  VerticalAlign v;
  turn_alignments(f, h, v);
  std::string xf =
      "<xf numFmtId=\"" + std::to_string(number) + "\" fontId=\"" + std::to_string(font) + "\" fillId=\"" +
      std::to_string(fill) + "\" borderId=\"" + std::to_string(border) +
      "\" xfId=\"0\" applyNumberFormat=\"" + (number ? "1" : "0") +
      "\" applyFont=\"1\" applyFill=\"1\" applyBorder=\"1\" applyAlignment=\"1\" applyProtection=\"1\">"
      "<alignment horizontal=\"" +
      horizontal_name(h) + "\" vertical=\"" + vertical_name(v) + "\" wrapText=\"" + (f.wrap ? "1" : "0") +
      "\"";
  if (int r = text_rotation(f.rotation)) xf += " textRotation=\"" + std::to_string(r) + "\"";
  xf += " readingOrder=\"1\"/></xf>";
  return m_cell_formats.add(xf);
}

std::string StyleTable::xml() const {
  xml::XmlWriter w;
  w.declaration();
  w.start("styleSheet").attribute("xmlns", "http://schemas.openxmlformats.org/spreadsheetml/2006/main");
  std::vector<std::string> formats = {
      R"(<numFmt numFmtId="5" formatCode="#,##0&quot;R.&quot;;\-#,##0&quot;R.&quot;"/>)"};
  for (size_t i = 0; i < m_format_codes.size(); ++i)
    formats.push_back("<numFmt numFmtId=\"" + std::to_string(kFirstCustomFormat + int(i)) +
                      "\" formatCode=\"" + xml::escape_attribute(m_format_codes.items()[i]) + "\"/>");
  w.section("numFmts", formats);
  w.section("fonts", m_fonts.items());
  w.section("fills", m_fills.items());
  w.section("borders", m_borders.items());
  w.section(
      "cellStyleXfs",
      {R"(<xf numFmtId="0" fontId="0" fillId="0" borderId="0"><alignment horizontal="left" vertical="top" wrapText="1"/></xf>)"});
  w.section("cellXfs", m_cell_formats.items());
  w.raw(
      R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles><dxfs count="0"/>)"
      R"(<tableStyles count="0" defaultTableStyle="TableStyleMedium9" defaultPivotStyle="PivotStyleLight16"/>)");
  w.raw("<colors><indexedColors>");
  for (uint32_t c : m_palette.colours()) w.raw("<rgbColor rgb=\"" + argb(c) + "\"/>");
  w.raw("</indexedColors></colors>");
  w.finish();
  return w.text();
}

}  // namespace orvena::exporting::xlsx
