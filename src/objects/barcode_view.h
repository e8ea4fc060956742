#pragma once
// How a barcode object prints: it sizes itself to its pattern, then draws its bars and the
// human-readable text on any canvas, in report pixels.
//
//   BarcodeLayout l = layout_barcode(view, {left, top, width, height});
//   draw_barcode(canvas, view, l, background);   // l.bounds is the self-sized rectangle
#include <array>
#include <optional>
#include <string>

#include "objects/barcode_encoder.h"
#include "report/canvas/canvas.h"
#include "report/text/text_layout.h"
#include "report/views.h"

namespace orvena::objects {

struct BarcodeLayout {
  BarcodeType type = BarcodeType::Code39;
  EncodedBarcode encoded;
  std::string error;  // the message drawn in place of the bars; empty when the text encodes
  std::array<int, 4> widths{1, 2, 3, 4};
  int modules = 0;  // GetWidth: the pattern's width in modules
  double module_width = 1;
  report::canvas::Rect bounds;  // after sizing; as given when there is nothing to size to
};

// Counter-clockwise quarter turns of a rotation in degrees; none for one between them.
int quarter_turns(int64_t rotation);

// The text font: the object's, but never above 9 points.
report::text::LayoutFont barcode_font(const report::BarCodeView& view);

// Encodes the view's text and sizes `bounds` to it along the bars (its width, or its height
// when the bars run vertically), keeping the edge that HAlign names.
BarcodeLayout layout_barcode(const report::BarCodeView& view, report::canvas::Rect bounds);

// A barcode's error message in red, word-wrapped inside `bounds`.
void draw_barcode_error(report::canvas::Canvas& canvas, const report::canvas::Rect& bounds,
                        const std::string& message);

// `background` is the object's colour; spaces and the text boxes are white when it has none.
void draw_barcode(report::canvas::Canvas& canvas, const report::BarCodeView& view,
                  const BarcodeLayout& layout, std::optional<report::canvas::Rgb> background);

}  // namespace orvena::objects
