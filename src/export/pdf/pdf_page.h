#pragma once
// The content of one PDF page, built from drawing operations in report pixels (96 per inch,
// y growing downwards from the page's top). The conversion to PDF points with y growing upwards
// happens in PageGeometry and nowhere else.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/pdf/pdf_syntax.h"

namespace orvena::exporting::pdf {

class Document;
using FontId = size_t;
using ImageId = size_t;

inline constexpr double kPointsPerPixel = 0.75;  // 72 points, 96 report pixels per inch

struct PageGeometry {
  double width = 0, height = 0;  // report pixels
  // Extra shift in points to the right and down (the export derives it from the margins).
  double offset_left = 0, offset_top = 0;

  double width_pt() const { return width * kPointsPerPixel; }
  double height_pt() const { return height * kPointsPerPixel; }
  double x(double px) const { return px * kPointsPerPixel + offset_left; }
  double y(double px) const { return height_pt() - offset_top - px * kPointsPerPixel; }
  static double length(double px) { return px * kPointsPerPixel; }
};

enum class LineStyle { Solid, Dash, Dot, DashDot, DashDotDot };

struct Pen {
  Color color;
  double width = 1;  // report pixels
  LineStyle style = LineStyle::Solid;
};

// One glyph of a shaped text: its index in the face, the distance to the next glyph's origin
// in report pixels, and the byte offset in the run's text of the characters it stands for
// (HarfBuzz's cluster). Glyphs of one cluster share the cluster's text; the first gets it.
struct Glyph {
  uint16_t id = 0;
  double advance = 0;
  uint32_t cluster = 0;
};

struct TextRun {
  FontId font = 0;
  double size = 10;     // points
  double x = 0, y = 0;  // origin of the first glyph on the baseline, report pixels
  std::vector<Glyph> glyphs;
  std::string text;  // UTF-8
  Color color;
  double char_spacing = 0;  // report pixels added after every glyph
  bool simulated_bold = false;
  bool simulated_italic = false;
};

// A link area on a page: to a URI or to a place on a page of this document.
struct Link {
  size_t page = 0;
  double left = 0, bottom = 0, right = 0, top = 0;  // points on the page
  std::string uri;
  size_t target_page = 0;
  double target_y = 0;  // report pixels from the target page's top
  uint32_t object = 0;
};

class Page {
 public:
  Page(Document& document, const PageGeometry& geometry, size_t index);

  const PageGeometry& geometry() const { return m_geometry; }

  // The page colour over the page less its margins (millimetres), stroked with the thinnest line.
  struct Margins {
    double left = 0, top = 0, right = 0, bottom = 0;
  };
  void background(Color color, const Margins& margins_mm);

  void save() { line("q"); }
  void restore() { line("Q"); }
  // Drawing outside the rectangle is cut off until the matching restore().
  void clip(double x, double y, double width, double height);
  // Rotates what follows counter-clockwise by `degrees` about the point (x, y).
  void rotate(double x, double y, double degrees);

  void line(double x1, double y1, double x2, double y2, const Pen& pen);
  // Closed shapes: stroked with the pen when given, filled with the colour when given.
  void rectangle(double x, double y, double width, double height, const std::optional<Pen>& pen,
                 const std::optional<Color>& fill);
  void rounded_rectangle(double x, double y, double width, double height, double radius,
                         const std::optional<Pen>& pen, const std::optional<Color>& fill);
  void ellipse(double x, double y, double width, double height, const std::optional<Pen>& pen,
               const std::optional<Color>& fill);
  struct Point {
    double x = 0, y = 0;
  };
  void polygon(const std::vector<Point>& points, const std::optional<Pen>& pen,
               const std::optional<Color>& fill);

  void text(const TextRun& run);
  void image(ImageId image, double x, double y, double width, double height);

  void link_uri(double x, double y, double width, double height, std::string uri);
  void link_page(double x, double y, double width, double height, size_t target_page, double target_y);

  const std::string& content() const { return m_content; }
  const std::vector<FontId>& fonts() const { return m_fonts; }
  const std::vector<ImageId>& images() const { return m_images; }
  const std::vector<uint32_t>& annotations() const { return m_annotations; }

  // The operators for a pen: dash pattern, colour, width.
  static std::string dash_pattern(LineStyle style, double width);

 private:
  void line(std::string_view op);
  void point(double x, double y);
  void set_pen(const Pen& pen);
  void set_fill(Color c);
  void paint(const std::optional<Pen>& pen, const std::optional<Color>& fill);
  const std::string& color(Color c);
  void add_link(Link link, double x, double y, double width, double height);

  Document& m_document;
  PageGeometry m_geometry;
  size_t m_index;
  std::string m_content;
  std::vector<FontId> m_fonts;
  std::vector<ImageId> m_images;
  std::vector<uint32_t> m_annotations;
  Color m_last_color;
  std::string m_last_color_text = "0 0 0";
};

}  // namespace orvena::exporting::pdf
