#pragma once
// The canvas over one PDF page: what views and the text layout draw turns into the page's
// content stream. Text stays text (glyph ids of the measured face, with the characters they
// stand for), lines and shapes stay vectors, pictures become JPEG images of the document.
#include <optional>
#include <vector>

#include "export/pdf/pdf_document.h"
#include "report/canvas/canvas.h"

namespace orvena::exporting {

class PdfCanvas : public report::canvas::Canvas {
 public:
  // `quality`: JPEG quality of pictures given as pixels.
  PdfCanvas(pdf::Document& document, pdf::Page& page, int quality = 95);

  report::canvas::Device device() const override { return {false, 96}; }
  void save() override;
  void restore() override;
  void translate(double dx, double dy) override;
  void rotate_degrees(double degrees) override;
  void clip(const report::canvas::Rect& r) override;

  void draw_glyphs(const report::canvas::GlyphRun& run) override;
  void draw_line(double x1, double y1, double x2, double y2, const report::canvas::Pen& pen) override;
  void fill_rect(const report::canvas::Rect& r, report::canvas::Rgb color) override;
  void stroke_rect(const report::canvas::Rect& r, const report::canvas::Pen& pen) override;
  void fill_ellipse(const report::canvas::Rect& r, report::canvas::Rgb color) override;
  void stroke_ellipse(const report::canvas::Rect& r, const report::canvas::Pen& pen) override;
  void fill_polygon(std::span<const report::canvas::Point> points, report::canvas::Rgb color) override;
  void stroke_polygon(std::span<const report::canvas::Point> points, const report::canvas::Pen& pen) override;
  void draw_picture(const report::canvas::Rect& r, const report::canvas::Picture& picture) override;
  void fill_round_rect(const report::canvas::Rect& r, double radius, report::canvas::Rgb color) override;
  void stroke_round_rect(const report::canvas::Rect& r, double radius,
                         const report::canvas::Pen& pen) override;

  // JPEG data placed as it is.
  void draw_jpeg(const report::canvas::Rect& r, std::string_view jpeg);

 private:
  report::canvas::Rect moved(const report::canvas::Rect& r) const;
  void flush_clip();
  bool within_clip(const report::canvas::GlyphRun& run, const pdf::PdfFont& font) const;
  std::vector<pdf::Page::Point> moved(std::span<const report::canvas::Point> points) const;

  pdf::Document& m_document;
  pdf::Page& m_page;
  int m_quality;
  // Translations are kept here and added to every coordinate; rotations go into the page's
  // transformation matrix about the current origin.
  double m_dx = 0, m_dy = 0;
  std::vector<std::pair<double, double>> m_saved;
  // A clip not yet written: see clip().
  std::optional<report::canvas::Rect> m_pending_clip;
};

pdf::Color pdf_color(report::canvas::Rgb rgb);

}  // namespace orvena::exporting
