#include "export/pdf_canvas.h"

#include <algorithm>

#include "core/encoding.h"
#include "report/text/font_service.h"

namespace orvena::exporting {

using report::canvas::Rect;

pdf::Color pdf_color(report::canvas::Rgb rgb) {
  return {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)};
}

namespace {

pdf::Pen pdf_pen(const report::canvas::Pen& pen) {
  return {pdf_color(pen.color), pen.width, pdf::LineStyle(int(pen.style))};
}

}  // namespace

PdfCanvas::PdfCanvas(pdf::Document& document, pdf::Page& page, int quality)
    : m_document(document), m_page(page), m_quality(quality) {}

void PdfCanvas::save() {
  flush_clip();
  m_saved.emplace_back(m_dx, m_dy);
  m_page.save();
}

void PdfCanvas::restore() {
  if (m_saved.empty()) return;
  m_pending_clip.reset();  // nothing was drawn outside it
  std::tie(m_dx, m_dy) = m_saved.back();
  m_saved.pop_back();
  m_page.restore();
}

void PdfCanvas::translate(double dx, double dy) {
  m_dx += dx;
  m_dy += dy;
}

void PdfCanvas::rotate_degrees(double degrees) {
  flush_clip();  // it was given in the frame before the turn
  m_page.rotate(m_dx, m_dy, degrees);
}

Rect PdfCanvas::moved(const Rect& r) const {
  return {r.left + m_dx, r.top + m_dy, r.width, r.height};
}

std::vector<pdf::Page::Point> PdfCanvas::moved(std::span<const report::canvas::Point> points) const {
  std::vector<pdf::Page::Point> out;
  for (auto& p : points) out.push_back({p.x + m_dx, p.y + m_dy});
  return out;
}

// A text object clips its text to its rectangle, and nearly always the text fits. The clip is
// written only once something drawn might reach outside it: a clip per cell costs a tenth of a
// table's writing time and a good part of its content.
void PdfCanvas::clip(const Rect& r) {
  flush_clip();
  m_pending_clip = moved(r);
}

void PdfCanvas::flush_clip() {
  if (!m_pending_clip) return;
  const Rect& m = *m_pending_clip;
  m_page.clip(m.left, m.top, m.width, m.height);
  m_pending_clip.reset();
}

// Whether every glyph's ink stays within the pending clip, by the box each outline records in
// the font file (blank glyphs have none); a simulated bold stroke grows it, a simulated slant is
// not worked out.
bool PdfCanvas::within_clip(const report::canvas::GlyphRun& run, const pdf::PdfFont& font) const {
  if (run.face->synthetic_italic()) return false;
  const double unit = run.em_pixels / run.face->units_per_em();
  const double stroke = run.face->synthetic_bold() ? run.em_pixels / 35 : 0;
  const Rect& c = *m_pending_clip;
  const double left = c.left - m_dx + stroke, right = c.left + c.width - m_dx - stroke;
  const double top = c.top - m_dy + stroke, bottom = c.top + c.height - m_dy - stroke;
  for (const auto& g : run.glyphs) {
    std::string_view outline = font.face().glyph_data(uint16_t(g.id));
    if (outline.size() < 10) continue;
    auto at = [&](size_t i) { return double(int16_t(uint8_t(outline[i]) << 8 | uint8_t(outline[i + 1]))); };
    // numberOfContours, xMin, yMin, xMax, yMax (TrueType "glyf" header), y growing upwards.
    if (g.x + at(2) * unit < left || g.x + at(6) * unit > right || g.y - at(8) * unit < top ||
        g.y - at(4) * unit > bottom)
      return false;
  }
  return true;
}

void PdfCanvas::draw_glyphs(const report::canvas::GlyphRun& run) {
  if (!run.face || run.glyphs.empty()) return;
  const pdf::FontId font = m_document.font({run.face->file(), uint32_t(run.face->face_index())});
  if (m_pending_clip && !within_clip(run, m_document.font_record(font))) flush_clip();
  pdf::TextRun text{.font = font,
                    .size = run.em_pixels * pdf::kPointsPerPixel,
                    .x = run.glyphs.front().x + m_dx,
                    .y = run.glyphs.front().y + m_dy,
                    .color = pdf_color(run.color),
                    .simulated_bold = run.face->synthetic_bold(),
                    .simulated_italic = run.face->synthetic_italic()};
  // The layout placed every glyph itself; the distances between them are the advances, and the
  // last one keeps the face's own.
  for (size_t i = 0; i < run.glyphs.size(); ++i) {
    const auto& g = run.glyphs[i];
    double advance = i + 1 < run.glyphs.size()
                         ? run.glyphs[i + 1].x - g.x
                         : double(run.face->advance_units(g.id)) * run.em_pixels / run.face->units_per_em();
    uint32_t cluster = uint32_t(text.text.size());
    if (i < run.text.size()) core::append_utf8(text.text, run.text[i]);
    text.glyphs.push_back({uint16_t(g.id), advance, cluster});
  }
  m_page.text(text);
}

void PdfCanvas::draw_line(double x1, double y1, double x2, double y2, const report::canvas::Pen& pen) {
  flush_clip();
  m_page.line(x1 + m_dx, y1 + m_dy, x2 + m_dx, y2 + m_dy, pdf_pen(pen));
}

void PdfCanvas::fill_rect(const Rect& r, report::canvas::Rgb color) {
  flush_clip();
  Rect m = moved(r);
  m_page.rectangle(m.left, m.top, m.width, m.height, std::nullopt, pdf_color(color));
}

void PdfCanvas::stroke_rect(const Rect& r, const report::canvas::Pen& pen) {
  flush_clip();
  Rect m = moved(r);
  m_page.rectangle(m.left, m.top, m.width, m.height, pdf_pen(pen), std::nullopt);
}

void PdfCanvas::fill_ellipse(const Rect& r, report::canvas::Rgb color) {
  flush_clip();
  Rect m = moved(r);
  m_page.ellipse(m.left, m.top, m.width, m.height, std::nullopt, pdf_color(color));
}

void PdfCanvas::stroke_ellipse(const Rect& r, const report::canvas::Pen& pen) {
  flush_clip();
  Rect m = moved(r);
  m_page.ellipse(m.left, m.top, m.width, m.height, pdf_pen(pen), std::nullopt);
}

void PdfCanvas::fill_round_rect(const Rect& r, double radius, report::canvas::Rgb color) {
  Rect m = moved(r);
  m_page.rounded_rectangle(m.left, m.top, m.width, m.height, radius, std::nullopt, pdf_color(color));
}

void PdfCanvas::stroke_round_rect(const Rect& r, double radius, const report::canvas::Pen& pen) {
  Rect m = moved(r);
  m_page.rounded_rectangle(m.left, m.top, m.width, m.height, radius, pdf_pen(pen), std::nullopt);
}

void PdfCanvas::fill_polygon(std::span<const report::canvas::Point> points, report::canvas::Rgb color) {
  flush_clip();
  m_page.polygon(moved(points), std::nullopt, pdf_color(color));
}

void PdfCanvas::stroke_polygon(std::span<const report::canvas::Point> points,
                               const report::canvas::Pen& pen) {
  flush_clip();
  m_page.polygon(moved(points), pdf_pen(pen), std::nullopt);
}

void PdfCanvas::draw_picture(const Rect& r, const report::canvas::Picture& picture) {
  flush_clip();
  picture::Bitmap bitmap;
  if (picture.width > 0 && picture.height > 0 &&
      picture.rgba.size() >= size_t(picture.width) * size_t(picture.height) * 4) {
    bitmap.width = picture.width;
    bitmap.height = picture.height;
    bitmap.rgba.assign(picture.rgba.begin(), picture.rgba.begin() + picture.width * picture.height * 4);
    bitmap.alpha = picture::Alpha::Straight;
  }
  // A picture that cannot be read draws nothing rather than stopping the page.
  if (bitmap.width <= 0 || bitmap.height <= 0 || r.width <= 0 || r.height <= 0) return;
  Rect m = moved(r);
  m_page.image(m_document.bitmap(bitmap, m_quality), m.left, m.top, m.width, m.height);
}

void PdfCanvas::draw_jpeg(const Rect& r, std::string_view jpeg) {
  flush_clip();
  if (r.width <= 0 || r.height <= 0) return;
  Rect m = moved(r);
  m_page.image(m_document.jpeg(jpeg), m.left, m.top, m.width, m.height);
}

}  // namespace orvena::exporting
