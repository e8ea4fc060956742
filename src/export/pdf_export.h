#pragma once
// The PDF export filter: every printed view drawn at its own place on a PDF page through the
// PDF canvas. Text objects become text in embedded subset fonts; lines, shapes and frames
// vectors; JPEG pictures are kept as they are; a text object with HTML tags is drawn as a bitmap
// (only the bitmap shows its tags' formatting as the preview does) with its frame as vectors.
#include <memory>
#include <optional>
#include <vector>

#include "export/filter.h"
#include "export/pdf/pdf_document.h"

namespace orvena::report {
class PreparedPages;
class View;
class PictureView;
}  // namespace orvena::report

namespace orvena::exporting {

class PdfCanvas;
struct PrintedView;

struct PdfExportOptions {
  bool compressed = true;
  bool print_optimized = false;  // bitmaps at 3 device pixels per report pixel for every object
  bool outline = false;
  bool background = false;  // draw the page background object
  bool html_tags = true;
  int quality = 95;    // JPEG quality of drawn bitmaps
  bool pdf_a = false;  // PDF/A-1b (see pdf::DocumentOptions::pdf_a)
  pdf::DocumentInfo info;
  pdf::Protection protection;
  pdf::ViewerPreferences viewer;
  const core::Clock* clock = nullptr;
  std::function<std::string()> file_id;

  // What the unattended run uses.
  static PdfExportOptions runner();
};

class PdfExport : public ExportFilter {
 public:
  PdfExport();
  ~PdfExport() override;

  bool start() override;
  void start_page(report::ReportPage& page, int index) override;
  void export_object(report::Component& object) override;
  void finish_page(report::ReportPage& page, int index) override;
  void finish() override;

  PdfExportOptions options;

 private:
  void rasterise(const PrintedView& v);
  // True when the view was a JPEG placed as its own bytes.
  bool draw_jpeg_as_it_is(const report::PictureView& view, const PrintedView& v);
  void add_link(const report::View& view, const PrintedView& v);
  void add_outline();

  std::unique_ptr<pdf::Document> m_document;
  pdf::Page* m_page = nullptr;
  std::unique_ptr<PdfCanvas> m_canvas;
  std::vector<size_t> m_document_page;  // by report page index; SIZE_MAX when not written
};

}  // namespace orvena::exporting
