#include "export/page_bitmap.h"

#include <algorithm>
#include <cmath>

#include "export/filter.h"
#include "export/printed_view.h"
#include "report/pages.h"
#include "report/views.h"

namespace orvena::exporting {

namespace {

// A zoomed page is one bitmap; past this many pixels a side the zoom is not worth the memory.
constexpr int kMaxSide = 16000;

int side(double units, double zoom) {
  return std::clamp(static_cast<int>(std::lround(units * zoom)), 1, kMaxSide);
}

}  // namespace

void draw_view_scaled(report::canvas::CairoCanvas& canvas, const PrintedView& v, double scale) {
  canvas.save();
  canvas.scale(scale, scale);
  if (v.kind != ViewKind::Memo) {
    draw_view(canvas, v);
    canvas.restore();
    return;
  }
  if (v.fill) canvas.fill_rect(v.body(), *v.fill);
  draw_underlines(canvas, v);
  canvas.restore();
  draw_memo_text(canvas, v, scale);
  canvas.save();
  canvas.scale(scale, scale);
  draw_frame(canvas, v);
  canvas.restore();
}

BitmapSize page_bitmap_size(const report::ReportPage& page, double zoom) {
  return {side(page.width(), zoom), side(page.height(), zoom)};
}

std::unique_ptr<report::canvas::CairoCanvas> draw_page_bitmap(report::ReportPage& page, int index,
                                                              int page_count, double zoom) {
  BitmapSize size = page_bitmap_size(page, zoom);
  auto canvas = std::make_unique<report::canvas::CairoCanvas>(size.width, size.height,
                                                              report::canvas::Device{false, 96 * zoom});
  visit_page_objects(page, index, page_count, {}, [&](report::Component& object) {
    if (auto* view = dynamic_cast<report::View*>(&object))
      draw_view_scaled(*canvas, resolve_view(*view), zoom);
  });
  return canvas;
}

}  // namespace orvena::exporting
