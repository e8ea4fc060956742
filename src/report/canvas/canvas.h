#pragma once
// The drawing surface views and the text layout draw on: one interface, a Cairo implementation
// for bitmaps (TIFF pages, rasterised objects, previews) and later one per vector format.
//
// Coordinates are device pixels with y growing downwards; a transform set by the caller
// (rotation of text) applies to everything drawn until it is restored.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace orvena::report::text {
class FontFace;
}

namespace orvena::report::canvas {

// 0xRRGGBB.
using Rgb = uint32_t;

struct Rect {
  double left = 0, top = 0, width = 0, height = 0;
  double right() const { return left + width; }
  double bottom() const { return top + height; }
  // The same area with a width and height of at least 0: a line drawn leftwards or upwards has
  // negative ones.
  Rect normalized() const {
    Rect r = *this;
    if (r.width < 0) r.left += r.width, r.width = -r.width;
    if (r.height < 0) r.top += r.height, r.height = -r.height;
    return r;
  }
};

struct Point {
  double x = 0, y = 0;
};

enum class LineStyle : uint8_t { Solid, Dash, Dot, DashDot, DashDotDot };

struct Pen {
  double width = 1;
  Rgb color = 0;
  LineStyle style = LineStyle::Solid;
};

// What the device is: text placement differs between printers (device resolution and print
// scale) and everything else (report units scaled to the device).
struct Device {
  bool printer = false;
  double pixels_per_inch = 96;
};

struct PlacedGlyph {
  uint32_t id;  // glyph id in the face
  double x, y;  // origin on the baseline
};

// Glyphs of one face, size and colour. The face's synthetic bold and italic apply.
struct GlyphRun {
  const text::FontFace* face = nullptr;
  double em_pixels = 0;  // the face's em square in device pixels
  Rgb color = 0;
  std::span<const PlacedGlyph> glyphs;
  // The text the glyphs show, for devices that keep it (searchable PDF); may be empty.
  std::u32string_view text;
};

// A picture: straight RGBA rows (4 bytes a pixel, `width` * 4 bytes a row), as picture::decode
// gives them.
struct Picture {
  int width = 0, height = 0;
  std::span<const uint8_t> rgba;
  // Scaled smoothly, or pixel by pixel as a plain stretch does (fast, hard edges).
  bool smooth = false;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual Device device() const = 0;

  // Saved and restored together: transform and clip.
  virtual void save() = 0;
  virtual void restore() = 0;
  virtual void translate(double dx, double dy) = 0;
  // Turns the axes counter-clockwise on the page, as text rotation is given.
  virtual void rotate_degrees(double degrees) = 0;
  virtual void clip(const Rect& r) = 0;

  virtual void draw_glyphs(const GlyphRun& run) = 0;
  virtual void draw_line(double x1, double y1, double x2, double y2, const Pen& pen) = 0;
  virtual void fill_rect(const Rect& r, Rgb color) = 0;
  virtual void stroke_rect(const Rect& r, const Pen& pen) = 0;
  virtual void fill_ellipse(const Rect& r, Rgb color) = 0;
  virtual void stroke_ellipse(const Rect& r, const Pen& pen) = 0;
  // A closed polygon (triangles, diamonds).
  virtual void fill_polygon(std::span<const Point> points, Rgb color) = 0;
  virtual void stroke_polygon(std::span<const Point> points, const Pen& pen) = 0;
  virtual void draw_picture(const Rect& r, const Picture& picture) = 0;
  // A rectangle with corners of `radius` (at most half the shorter side). The default draws a
  // polygon through points on the corner arcs; devices with curves override it.
  virtual void fill_round_rect(const Rect& r, double radius, Rgb color);
  virtual void stroke_round_rect(const Rect& r, double radius, const Pen& pen);
};

// The outline of a rounded rectangle as a polygon, each corner's arc in `steps` pieces.
std::vector<Point> round_rect_points(const Rect& r, double radius, int steps = 8);

}  // namespace orvena::report::canvas
