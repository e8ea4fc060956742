// Style equality and hash for the style table, and the small helpers of matrix objects.
#include <cairo.h>

#include <cstring>
#include <functional>

#include "core/error.h"
#include "export/matrix/layout_matrix.h"

namespace orvena::exporting {

bool operator==(const MatrixStyle& a, const MatrixStyle& b) {
  const auto& fa = a.font;
  const auto& fb = b.font;
  return fa.size == fb.size && fa.color == fb.color && fa.name == fb.name && fa.style == fb.style &&
         a.halign == b.halign && a.valign == b.valign && a.frame_sides == b.frame_sides &&
         a.lines == b.lines && a.fill == b.fill && a.format == b.format && a.line_spacing == b.line_spacing &&
         a.gap_x == b.gap_x && a.gap_y == b.gap_y && a.paragraph_gap == b.paragraph_gap &&
         a.char_spacing == b.char_spacing && a.charset == b.charset && a.word_break == b.word_break &&
         a.rotation == b.rotation && a.word_wrap == b.word_wrap && a.brush_style == b.brush_style;
}

namespace {

void mix(size_t& seed, size_t value) {
  seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

}  // namespace

size_t MatrixStyleHash::operator()(const MatrixStyle& s) const {
  // The fields that tell most styles apart; equality decides the rest.
  size_t h = std::hash<std::string>()(s.font.name);
  mix(h, size_t(s.font.size));
  mix(h, size_t(s.font.style));
  mix(h, s.font.color);
  mix(h, s.fill ? *s.fill : 0x1000000u);
  mix(h, s.frame_sides);
  mix(h, size_t(s.halign) | size_t(s.valign) << 4);
  for (const MatrixFrameLine& l : s.lines) mix(h, l.color ^ size_t(l.width * 16));
  mix(h, std::hash<std::string>()(s.format.format_str));
  mix(h, size_t(s.rotation));
  return h;
}

std::string MatrixObject::text_crlf() const {
  std::string out;
  for (const std::string& line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

namespace {

cairo_status_t append_bytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::string MatrixPicture::png() const {
  if (empty()) return {};
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + ptrdiff_t(y) * stride);
    const uint8_t* in = rgba.data() + size_t(y) * size_t(width) * 4;
    for (int x = 0; x < width; ++x) {
      // Cairo wants premultiplied alpha.
      uint32_t a = in[4 * x + 3];
      auto pre = [a](uint32_t c) { return (c * a + 127) / 255; };
      row[x] = a << 24 | pre(in[4 * x]) << 16 | pre(in[4 * x + 1]) << 8 | pre(in[4 * x + 2]);
    }
  }
  cairo_surface_mark_dirty(surface);
  std::string out;
  cairo_status_t status = cairo_surface_write_to_png_stream(surface, append_bytes, &out);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) throw core::Error(cairo_status_to_string(status));
  return out;
}

}  // namespace orvena::exporting
