#pragma once
// Value objects nested in report components: font, frame, fills, hyperlink, display format,
// highlight and picture. Each is persistent with its own property table.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "report/property.h"
#include "report/units.h"

namespace orvena::report {

// ---- Enumerations (member names in declaration order; the tables are tied to these orders) ---

enum class FontPitch : uint8_t { Default, Variable, Fixed };
inline constexpr std::string_view kFontPitchNames[] = {"fpDefault", "fpVariable", "fpFixed"};

enum FontStyleBits : int64_t { kFontBold = 1, kFontItalic = 2, kFontUnderline = 4, kFontStrikeOut = 8 };
inline constexpr std::string_view kFontStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

enum class FrameStyle : uint8_t { Solid, Dash, Dot, DashDot, DashDotDot, Double, AltDot, Square };
inline constexpr std::string_view kFrameStyleNames[] = {"fsSolid",      "fsDash",   "fsDot",    "fsDashDot",
                                                        "fsDashDotDot", "fsDouble", "fsAltDot", "fsSquare"};

enum FrameTypBits : int64_t { kFrameLeft = 1, kFrameRight = 2, kFrameTop = 4, kFrameBottom = 8 };
inline constexpr std::string_view kFrameTypNames[] = {"ftLeft", "ftRight", "ftTop", "ftBottom"};

enum class FillType : uint8_t { Brush, Gradient, Glass };
inline constexpr std::string_view kFillTypeNames[] = {"ftBrush", "ftGradient", "ftGlass"};

enum class BrushStyle : uint8_t {
  Solid,
  Clear,
  Horizontal,
  Vertical,
  FDiagonal,
  BDiagonal,
  Cross,
  DiagCross
};
inline constexpr std::string_view kBrushStyleNames[] = {"bsSolid",    "bsClear",     "bsHorizontal",
                                                        "bsVertical", "bsFDiagonal", "bsBDiagonal",
                                                        "bsCross",    "bsDiagCross"};

enum class GradientStyle : uint8_t { Horizontal, Vertical, Elliptic, Rectangle, VertCenter, HorizCenter };
inline constexpr std::string_view kGradientStyleNames[] = {"gsHorizontal", "gsVertical",   "gsElliptic",
                                                           "gsRectangle",  "gsVertCenter", "gsHorizCenter"};

enum class GlassOrientation : uint8_t { Vertical, Horizontal, VerticalMirror, HorizontalMirror };
inline constexpr std::string_view kGlassOrientationNames[] = {"foVertical", "foHorizontal",
                                                              "foVerticalMirror", "foHorizontalMirror"};

enum class HyperlinkKind : uint8_t { URL, Anchor, PageNumber, DetailReport, DetailPage, Custom };
inline constexpr std::string_view kHyperlinkKindNames[] = {"hkURL",          "hkAnchor",     "hkPageNumber",
                                                           "hkDetailReport", "hkDetailPage", "hkCustom"};

enum class FormatKind : uint8_t { Text, Numeric, DateTime, Boolean };
inline constexpr std::string_view kFormatKindNames[] = {"fkText", "fkNumeric", "fkDateTime", "fkBoolean"};

// ---- Font -----------------------------------------------------------------------------------

// A font at 96 pixels per inch. The file keeps the height in pixels (negative: character height
// without leading); the size in points is derived from it.
class Font : public Persistent {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }

  std::string name = "Arial";
  int64_t height = -13;  // 10 points
  int64_t color = 0;
  int64_t style = 0;    // FontStyleBits
  int64_t charset = 1;  // DEFAULT_CHARSET
  FontPitch pitch = FontPitch::Default;

  int size() const;
  void set_size(int64_t points);
  // Value comparisons list every member; a test changes each stored property in turn to keep
  // them complete.
  friend bool operator==(const Font& a, const Font& b);
};

// ---- Frame ----------------------------------------------------------------------------------

class Frame;

// One side of a frame. Its values follow the frame's until set differently, and only the
// differences are stored.
class FrameLine : public Persistent {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }

  int64_t color = 0;
  FrameStyle style = FrameStyle::Solid;
  double width = 1;
  const Frame* frame = nullptr;                                    // the owner, for the stored rules
  friend bool operator==(const FrameLine& a, const FrameLine& b);  // the owner does not count
};

class Frame : public Persistent {
 public:
  Frame();
  Frame(const Frame& other);
  Frame& operator=(const Frame& other);
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }

  int64_t color() const { return m_color; }
  FrameStyle style() const { return m_style; }
  double width() const { return m_width; }
  // Setting the frame's own value sets it on all four lines too.
  void set_color(int64_t c);
  void set_style(FrameStyle s);
  void set_width(double w);

  bool drop_shadow = false;
  int64_t shadow_color = 0;
  double shadow_width = 4;
  int64_t typ = 0;  // FrameTypBits
  FrameLine left_line, top_line, right_line, bottom_line;
  friend bool operator==(const Frame& a, const Frame& b);

 private:
  void adopt_lines();
  int64_t m_color = 0;
  FrameStyle m_style = FrameStyle::Solid;
  double m_width = 1;
};

// ---- Fills ----------------------------------------------------------------------------------

class Fill : public Persistent {
 public:
  virtual FillType type() const = 0;
  virtual std::unique_ptr<Fill> clone() const = 0;
  static std::unique_ptr<Fill> create(FillType type);
};

class BrushFill : public Fill {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  FillType type() const override { return FillType::Brush; }
  std::unique_ptr<Fill> clone() const override { return std::make_unique<BrushFill>(*this); }

  int64_t back_color = kNoColor;
  int64_t fore_color = 0;
  BrushStyle style = BrushStyle::Solid;
  friend bool operator==(const BrushFill& a, const BrushFill& b);
};

class GradientFill : public Fill {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  FillType type() const override { return FillType::Gradient; }
  std::unique_ptr<Fill> clone() const override { return std::make_unique<GradientFill>(*this); }

  int64_t start_color = kWhite;
  int64_t end_color = 0;
  GradientStyle gradient_style = GradientStyle::Horizontal;
  friend bool operator==(const GradientFill& a, const GradientFill& b);
};

class GlassFill : public Fill {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  FillType type() const override { return FillType::Glass; }
  std::unique_ptr<Fill> clone() const override { return std::make_unique<GlassFill>(*this); }

  int64_t color = kWhite;
  double blend = 0.2;
  bool hatch = false;
  GlassOrientation orientation = GlassOrientation::Horizontal;
  friend bool operator==(const GlassFill& a, const GlassFill& b);
};

// A fill slot: changing the type replaces the fill by a new one of the matching class.
class FillHolder {
 public:
  FillHolder() : m_fill(std::make_unique<BrushFill>()) {}
  FillHolder(const FillHolder& o) : m_fill(o.m_fill->clone()) {}
  FillHolder& operator=(const FillHolder& o) {
    m_fill = o.m_fill->clone();
    return *this;
  }
  FillType type() const { return m_fill->type(); }
  void set_type(FillType t) {
    if (t != type()) m_fill = Fill::create(t);
  }
  Fill& fill() const { return *m_fill; }
  // The background colour of a brush fill (the "Color" of views); other fills: no colour.
  int64_t color() const;
  void set_color(int64_t c);

 private:
  std::unique_ptr<Fill> m_fill;
};

// ---- Hyperlink, format, highlight ----------------------------------------------------------

class Hyperlink : public Persistent {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }

  HyperlinkKind kind = HyperlinkKind::URL;
  std::string detail_report, detail_page, expression, report_variable, tab_caption, value, values_separator;
  friend bool operator==(const Hyperlink& a, const Hyperlink& b);
};

class DisplayFormat : public Persistent {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }

  std::string decimal_separator, thousand_separator, format_str;
  FormatKind kind = FormatKind::Text;
  friend bool operator==(const DisplayFormat& a, const DisplayFormat& b);
};

class Highlight : public Persistent {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }

  bool active = false;
  bool apply_font = true;
  bool apply_fill = true;
  bool apply_frame = false;
  Font font;
  std::string condition;
  FillHolder fill;
  Frame frame;
  bool visible = true;
};

// ---- Picture --------------------------------------------------------------------------------

// Picture bytes with the kind of their storage form; decoding to pixels happens where pictures
// are drawn, through picture::decode.
using PictureKind = picture::Kind;

class Picture : public Persistent {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  void write_defined(PropertyStreamWriter& out) const override;
  bool read_defined(std::string_view name, PropertyStreamReader& in) override;

  PictureKind kind = PictureKind::None;
  std::string bytes;  // the BMP, JPEG, metafile, PNG or GIF file
  bool empty() const { return kind == PictureKind::None; }
  friend bool operator==(const Picture& a, const Picture& b) {
    return a.kind == b.kind && a.bytes == b.bytes;
  }

  // The "Data" entry: a length-prefixed class name and the picture in that class's storage form.
  std::string encode() const;
  // Throws core::Error for a damaged block or an unknown picture class.
  void decode(std::string_view block);
};

}  // namespace orvena::report
