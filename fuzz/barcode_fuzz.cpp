// Barcode objects on arbitrary bytes: the first six choose the symbology, the check-digit,
// text, rotation and alignment switches, the wide-bar ratio and the zoom; the rest is the text.
// Encoding either succeeds with a pattern of known elements, bars and spaces taking turns, or
// fails with a message; the object is laid out and drawn whatever it holds.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/error.h"
#include "objects/barcode_view.h"
#include "report/canvas/cairo_canvas.h"

using namespace orvena;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  report::BarCodeView view;
  view.bar_type = data[0] % 27;  // two beyond the list: the wrong-type error
  view.calc_check_sum = data[1] & 1;
  view.show_text = data[1] & 2;
  view.rotation = int64_t(data[1] >> 2 & 7) * 45;
  view.halign = report::HAlign(data[2] % 3);
  view.wide_bar_ratio = (int8_t(data[3])) / 16.0;
  view.zoom = (int8_t(data[4])) / 32.0;
  view.set_bounds(10, 10, 60 + data[5] % 64, 20 + data[5] % 32);
  view.text.assign(reinterpret_cast<const char*>(data) + 6, size - 6);

  objects::BarcodeLayout l = objects::layout_barcode(view, {10, 10, view.width(), view.height()});
  if (!l.error.empty() && !l.encoded.pattern.empty()) std::abort();
  if (l.error.empty() && !l.encoded.pattern.empty()) {
    if (objects::pattern_width(l.encoded.pattern, l.widths) != l.modules) std::abort();
    // Bars and spaces take turns, from a bar to a bar.
    const std::string& p = l.encoded.pattern;
    for (size_t i = 0; i < p.size(); ++i)
      if ((p[i] >= '5') != (i % 2 == 0)) std::abort();
    if (p.size() % 2 == 0) std::abort();
    double side = view.rotation % 180 == 90 ? l.bounds.height : l.bounds.width;
    if (!(side > 0) || !std::isfinite(side)) std::abort();
  }
  report::canvas::CairoCanvas canvas(96, 64);
  objects::draw_barcode(canvas, view, l, std::nullopt);
  return 0;
}
