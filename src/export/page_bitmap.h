#pragma once
// A prepared page as a bitmap, drawn through the writers' own object walk and view drawing, so
// that a page on screen is the page the exporters write.
//
//   auto bitmap = draw_page_bitmap(pages.page(i), i, pages.count(), 1.5);   // 150 %
#include <memory>

#include "report/canvas/cairo_canvas.h"

namespace orvena::report {
class ReportPage;
}

namespace orvena::exporting {

struct PrintedView;

// The view drawn at `scale` device pixels per report pixel. Text is laid out at the bitmap's own
// resolution, as a printer lays it out at its own, so its spacing stays even at any zoom; the
// rest is drawn in report pixels and scaled. At scale 1 this is draw_view itself.
void draw_view_scaled(report::canvas::CairoCanvas& canvas, const PrintedView& v, double scale);

// Bitmap size of a page at `zoom` (1: one device pixel per report pixel), at least 1 × 1.
struct BitmapSize {
  int width = 1, height = 1;
};
BitmapSize page_bitmap_size(const report::ReportPage& page, double zoom);

// The page on a white bitmap of page_bitmap_size(page, zoom). `index` and `page_count` place
// mirrored margins and resolve page-count macros.
std::unique_ptr<report::canvas::CairoCanvas> draw_page_bitmap(report::ReportPage& page, int index,
                                                              int page_count, double zoom);

}  // namespace orvena::exporting
