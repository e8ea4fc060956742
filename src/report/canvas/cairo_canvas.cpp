#include "report/canvas/cairo_canvas.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "core/error.h"
#include "report/text/font_service.h"

namespace orvena::report::canvas {

namespace {

// Cairo's image format is premultiplied native-endian ARGB.
cairo_surface_t* surface_from_rgba(const Picture& p) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, p.width, p.height);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) return s;
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < p.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
    const uint8_t* src = p.rgba.data() + size_t(y) * size_t(p.width) * 4;
    for (int x = 0; x < p.width; ++x, src += 4) {
      uint32_t a = src[3];
      auto pm = [a](uint32_t c) { return (c * a + 127) / 255; };
      row[x] = (a << 24) | (pm(src[0]) << 16) | (pm(src[1]) << 8) | pm(src[2]);
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

}  // namespace

CairoCanvas::CairoCanvas(int width, int height, Device device)
    : m_width(width),
      m_height(height),
      m_device(device),
      m_surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)),
      m_cr(cairo_create(m_surface)) {
  cairo_set_source_rgb(m_cr, 1, 1, 1);
  cairo_paint(m_cr);
}

bool CairoCanvas::ok() const {
  return cairo_surface_status(m_surface) == CAIRO_STATUS_SUCCESS;
}

CairoCanvas::~CairoCanvas() {
  cairo_destroy(m_cr);
  cairo_surface_destroy(m_surface);
}

void CairoCanvas::save() {
  cairo_save(m_cr);
}
void CairoCanvas::restore() {
  cairo_restore(m_cr);
}
void CairoCanvas::translate(double dx, double dy) {
  cairo_translate(m_cr, dx, dy);
}
void CairoCanvas::rotate_degrees(double degrees) {
  // Counter-clockwise on the page is a negative angle with y growing downwards.
  cairo_rotate(m_cr, -degrees * std::numbers::pi / 180);
}
void CairoCanvas::scale(double sx, double sy) {
  cairo_scale(m_cr, sx, sy);
}
void CairoCanvas::clip(const Rect& r) {
  cairo_rectangle(m_cr, r.left, r.top, r.width, r.height);
  cairo_clip(m_cr);
}

void CairoCanvas::set_color(Rgb c) {
  cairo_set_source_rgb(m_cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0);
}

void CairoCanvas::set_pen(const Pen& pen) {
  set_color(pen.color);
  cairo_set_line_width(m_cr, pen.width);
  double w = std::max(pen.width, 1.0);
  std::vector<double> dashes;
  switch (pen.style) {
    case LineStyle::Solid:
      break;
    case LineStyle::Dash:
      dashes = {3 * w, w};
      break;
    case LineStyle::Dot:
      dashes = {w, w};
      break;
    case LineStyle::DashDot:
      dashes = {3 * w, w, w, w};
      break;
    case LineStyle::DashDotDot:
      dashes = {3 * w, w, w, w, w, w};
      break;
  }
  cairo_set_dash(m_cr, dashes.data(), int(dashes.size()), 0);
}

void CairoCanvas::draw_glyphs(const GlyphRun& run) {
  if (!run.face || run.glyphs.empty() || run.em_pixels <= 0) return;
  std::vector<cairo_glyph_t> glyphs(run.glyphs.size());
  for (size_t i = 0; i < glyphs.size(); ++i)
    glyphs[i] = cairo_glyph_t{run.glyphs[i].id, run.glyphs[i].x, run.glyphs[i].y};
  cairo_set_font_face(m_cr, run.face->cairo_face());
  cairo_set_font_size(m_cr, run.em_pixels);
  set_color(run.color);
  cairo_show_glyphs(m_cr, glyphs.data(), int(glyphs.size()));
}

void CairoCanvas::draw_line(double x1, double y1, double x2, double y2, const Pen& pen) {
  set_pen(pen);
  cairo_move_to(m_cr, x1, y1);
  cairo_line_to(m_cr, x2, y2);
  cairo_stroke(m_cr);
}

void CairoCanvas::fill_rect(const Rect& r, Rgb color) {
  set_color(color);
  cairo_rectangle(m_cr, r.left, r.top, r.width, r.height);
  cairo_fill(m_cr);
}

void CairoCanvas::stroke_rect(const Rect& r, const Pen& pen) {
  set_pen(pen);
  cairo_rectangle(m_cr, r.left, r.top, r.width, r.height);
  cairo_stroke(m_cr);
}

namespace {
void ellipse_path(cairo_t* cr, const Rect& r) {
  if (r.width <= 0 || r.height <= 0) return;
  cairo_save(cr);
  cairo_translate(cr, r.left + r.width / 2, r.top + r.height / 2);
  cairo_scale(cr, r.width / 2, r.height / 2);
  cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
  cairo_restore(cr);
}
}  // namespace

void CairoCanvas::fill_ellipse(const Rect& r, Rgb color) {
  set_color(color);
  ellipse_path(m_cr, r);
  cairo_fill(m_cr);
}

void CairoCanvas::stroke_ellipse(const Rect& r, const Pen& pen) {
  set_pen(pen);
  ellipse_path(m_cr, r);
  cairo_stroke(m_cr);
}

namespace {
void round_rect_path(cairo_t* cr, const Rect& r, double radius) {
  radius = std::clamp(radius, 0.0, std::min(r.width, r.height) / 2);
  const double quarter = std::numbers::pi / 2;
  cairo_new_sub_path(cr);
  cairo_arc(cr, r.right() - radius, r.top + radius, radius, -quarter, 0);
  cairo_arc(cr, r.right() - radius, r.bottom() - radius, radius, 0, quarter);
  cairo_arc(cr, r.left + radius, r.bottom() - radius, radius, quarter, 2 * quarter);
  cairo_arc(cr, r.left + radius, r.top + radius, radius, 2 * quarter, 3 * quarter);
  cairo_close_path(cr);
}
}  // namespace

void CairoCanvas::fill_round_rect(const Rect& r, double radius, Rgb color) {
  set_color(color);
  round_rect_path(m_cr, r, radius);
  cairo_fill(m_cr);
}

void CairoCanvas::stroke_round_rect(const Rect& r, double radius, const Pen& pen) {
  set_pen(pen);
  round_rect_path(m_cr, r, radius);
  cairo_stroke(m_cr);
}

namespace {
void polygon_path(cairo_t* cr, std::span<const Point> points) {
  for (const Point& p : points) cairo_line_to(cr, p.x, p.y);
  if (!points.empty()) cairo_close_path(cr);
}
}  // namespace

void CairoCanvas::fill_polygon(std::span<const Point> points, Rgb color) {
  set_color(color);
  polygon_path(m_cr, points);
  cairo_fill(m_cr);
}

void CairoCanvas::stroke_polygon(std::span<const Point> points, const Pen& pen) {
  set_pen(pen);
  polygon_path(m_cr, points);
  cairo_stroke(m_cr);
}

void CairoCanvas::draw_picture(const Rect& r, const Picture& picture) {
  cairo_surface_t* s = nullptr;
  if (picture.width > 0 && picture.height > 0 &&
      picture.rgba.size() >= size_t(picture.width) * size_t(picture.height) * 4) {
    s = surface_from_rgba(picture);
  }
  // A picture that cannot be read draws nothing rather than stopping the page.
  if (!s) return;
  int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS && w > 0 && h > 0 && r.width > 0 && r.height > 0) {
    cairo_save(m_cr);
    cairo_rectangle(m_cr, r.left, r.top, r.width, r.height);
    cairo_clip(m_cr);
    cairo_translate(m_cr, r.left, r.top);
    cairo_scale(m_cr, r.width / w, r.height / h);
    cairo_set_source_surface(m_cr, s, 0, 0);
    // Scaling samples beyond the edges: repeat the edge pixels rather than fade to nothing.
    cairo_pattern_set_extend(cairo_get_source(m_cr), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(cairo_get_source(m_cr), picture.smooth ? CAIRO_FILTER_BEST : CAIRO_FILTER_FAST);
    cairo_paint(m_cr);
    cairo_restore(m_cr);
  }
  cairo_surface_destroy(s);
}

Rgb CairoCanvas::pixel(int x, int y) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0xFFFFFF;
  cairo_surface_flush(m_surface);
  const unsigned char* data = cairo_image_surface_get_data(m_surface);
  int stride = cairo_image_surface_get_stride(m_surface);
  return reinterpret_cast<const uint32_t*>(data + size_t(y) * size_t(stride))[x] & 0xFFFFFF;
}

void CairoCanvas::write_png(const std::string& path) {
  cairo_surface_flush(m_surface);
  if (cairo_surface_write_to_png(m_surface, path.c_str()) != CAIRO_STATUS_SUCCESS)
    throw core::Error("Nie można zapisać pliku " + path);
}

}  // namespace orvena::report::canvas
