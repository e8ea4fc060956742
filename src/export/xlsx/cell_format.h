#pragma once
// How one spreadsheet cell looks: what the styles part needs of a layout-matrix style, in the
// terms of SpreadsheetML (ISO/IEC 29500-1, 18.8). The export turns each matrix style into one of
// these; StyleTable numbers the distinct fonts, fills, borders, number formats and cell formats.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orvena::exporting::xlsx {

enum class HorizontalAlign : uint8_t { Left, Right, Center };
enum class VerticalAlign : uint8_t { Top, Bottom, Center };

// ST_BorderStyle values the report's frame styles map to.
enum class BorderStyle : uint8_t { Thin, Dashed, Dotted, DashDot, DashDotDot, Double };

struct BorderSide {
  bool present = false;
  BorderStyle style = BorderStyle::Thin;
  uint32_t rgb = 0;  // 0xRRGGBB
};

enum class NumberKind : uint8_t { General, Text, Numeric };

struct CellFormat {
  // Font.
  std::string font_name = "Arial";
  int font_size = 10;  // points
  bool bold = false, italic = false, underline = false;
  uint32_t font_rgb = 0;
  int charset = -1;  // -1: not written

  std::optional<uint32_t> fill_rgb;  // none: transparent
  bool hatched = false;              // a hatch brush: the fill is left empty

  // Left, right, top, bottom: the order of the border element's children.
  std::array<BorderSide, 4> sides;

  HorizontalAlign halign = HorizontalAlign::Left;
  VerticalAlign valign = VerticalAlign::Top;
  bool wrap = false;
  int rotation = 0;  // degrees counter-clockwise, 0..359

  NumberKind number = NumberKind::General;
  std::string number_pattern;  // the report's printf-like pattern ("%2.2n") for Numeric
};

}  // namespace orvena::exporting::xlsx
