#include "designer/object_image.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "export/page_bitmap.h"
#include "export/printed_view.h"
#include "report/views.h"

namespace orvena::designer {

namespace {

// A zoomed object is one bitmap; past this many device pixels a side it is clipped.
constexpr int kMaxSide = 16000;

double outset(const exporting::PrintedView& v) {
  double widest = v.pen.width;
  for (const auto& side : v.sides)
    if (side.present) widest = std::max(widest, side.pen.width * (side.double_line ? 3 : 1));
  return 2 + widest + v.shadow_width;
}

}  // namespace

ObjectImage draw_object_image(const report::View& view, QPointF page_offset, double zoom) {
  // The view is drawn where it stands and the canvas moved by the margins: the resolved view
  // holds more positions than its bounds (a barcode's layout sized to its code), and all of them
  // must move together.
  const exporting::PrintedView v = exporting::resolve_view(view);
  const double pad = outset(v);
  const double left = v.bounds.left + page_offset.x(), top = v.bounds.top + page_offset.y();
  const int x0 = static_cast<int>(std::floor((left - pad) * zoom));
  const int y0 = static_cast<int>(std::floor((top - pad) * zoom));
  const int x1 = static_cast<int>(std::ceil((left + v.bounds.width + pad) * zoom));
  const int y1 = static_cast<int>(std::ceil((top + v.bounds.height + pad) * zoom));
  const int width = std::clamp(x1 - x0, 1, kMaxSide), height = std::clamp(y1 - y0, 1, kMaxSide);

  report::canvas::CairoCanvas canvas(width, height, report::canvas::Device{false, 96 * zoom});
  canvas.translate(page_offset.x() * zoom - x0, page_offset.y() * zoom - y0);
  exporting::draw_view_scaled(canvas, v, zoom);
  cairo_surface_t* surface = canvas.surface();
  cairo_surface_flush(surface);
  // Cairo's opaque ARGB32 rows are what Qt calls RGB32 (native-endian 0xffRRGGBB).
  QImage image(cairo_image_surface_get_data(surface), width, height, cairo_image_surface_get_stride(surface),
               QImage::Format_RGB32);
  return {image.copy(), QPointF(x0 / zoom, y0 / zoom), zoom};
}

}  // namespace orvena::designer
