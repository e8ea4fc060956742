#pragma once
// A canvas over a Cairo image surface (32-bit ARGB).
#include <cstdint>
#include <span>
#include <string>

#include "report/canvas/canvas.h"

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo cairo_t;

namespace orvena::report::canvas {

class CairoCanvas : public Canvas {
 public:
  // A white surface of the given size in device pixels.
  CairoCanvas(int width, int height, Device device = {});
  ~CairoCanvas() override;
  CairoCanvas(const CairoCanvas&) = delete;
  CairoCanvas& operator=(const CairoCanvas&) = delete;

  Device device() const override { return m_device; }
  void save() override;
  void restore() override;
  void translate(double dx, double dy) override;
  void rotate_degrees(double degrees) override;
  void clip(const Rect& r) override;

  void draw_glyphs(const GlyphRun& run) override;
  void draw_line(double x1, double y1, double x2, double y2, const Pen& pen) override;
  void fill_rect(const Rect& r, Rgb color) override;
  void stroke_rect(const Rect& r, const Pen& pen) override;
  void fill_ellipse(const Rect& r, Rgb color) override;
  void stroke_ellipse(const Rect& r, const Pen& pen) override;
  void fill_polygon(std::span<const Point> points, Rgb color) override;
  void stroke_polygon(std::span<const Point> points, const Pen& pen) override;
  void draw_picture(const Rect& r, const Picture& picture) override;
  void fill_round_rect(const Rect& r, double radius, Rgb color) override;
  void stroke_round_rect(const Rect& r, double radius, const Pen& pen) override;

  // Scales what follows until restore(): a page drawn in report pixels onto a bitmap of another
  // resolution.
  void scale(double sx, double sy);

  // Cairo refuses image surfaces wider or taller than this; such a canvas draws nothing.
  static constexpr int kMaxSide = 32767;
  // False when the surface could not be made (too large, no memory); its pixels are then absent.
  bool ok() const;

  int width() const { return m_width; }
  int height() const { return m_height; }
  // 0xRRGGBB of a pixel (the surface is opaque).
  Rgb pixel(int x, int y);
  cairo_surface_t* surface() const { return m_surface; }
  // Throws core::Error when the file cannot be written.
  void write_png(const std::string& path);

 private:
  void set_color(Rgb color);
  void set_pen(const Pen& pen);

  int m_width, m_height;
  Device m_device;
  cairo_surface_t* m_surface;
  cairo_t* m_cr;
};

}  // namespace orvena::report::canvas
