// Two-dimensional codes on arbitrary bytes: the first five choose the symbology (one beyond the
// list), the QR level, the Data Matrix shape and the rotation, the module size, the quiet zone
// and the object's size; the rest is the text. Encoding gives a whole grid or a message, never
// both; a grid sizes the object to finite, positive sides; the object is drawn whatever it holds.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "objects/barcode2d_view.h"
#include "report/canvas/cairo_canvas.h"

using namespace orvena;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  report::Barcode2DView view;
  view.symbology = report::Symbology2D(data[0] % 5);
  view.error_level = report::QrErrorLevel(data[1] & 3);
  view.matrix_shape = report::MatrixShape(data[1] >> 2 & 1);
  view.rotation = int64_t(data[1] >> 3 & 7) * 45;
  view.module_size = int8_t(data[2]) / 8.0;
  view.quiet_zone = int8_t(data[3]);
  view.set_bounds(4, 4, 20 + data[4] % 100, 20 + data[4] / 3);
  view.text.assign(reinterpret_cast<const char*>(data) + 5, size - 5);

  objects::Barcode2DLayout l = objects::layout_barcode2d(view, {4, 4, view.width(), view.height()});
  const objects::CodeMatrix& m = l.matrix;
  if (!l.error.empty() && !m.empty()) std::abort();
  if (!m.empty()) {
    if (m.modules.size() != size_t(m.rows) * size_t(m.columns)) std::abort();
    if (!(l.bounds.width > 0 && l.bounds.height > 0)) std::abort();
    if (!std::isfinite(l.bounds.width) || !std::isfinite(l.bounds.height)) std::abort();
    if (l.quiet_zone < 0) std::abort();
  }
  report::canvas::CairoCanvas canvas(128, 128);
  objects::draw_barcode2d(canvas, view, l, std::nullopt);
  return 0;
}
