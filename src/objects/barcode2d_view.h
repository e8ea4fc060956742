#pragma once
// How a two-dimensional code prints: its modules as dark rectangles, one for each run of dark
// modules in a row (runs repeated in the rows below are one taller rectangle), on any canvas,
// in report pixels. A text the symbology refuses prints its message in red, as the
// one-dimensional barcodes do.
//
//   Barcode2DLayout l = layout_barcode2d(view, {left, top, width, height});
//   draw_barcode2d(canvas, view, l, background);   // l.bounds: sized to the code or as given
#include <optional>
#include <string>

#include "objects/matrix_code.h"
#include "report/canvas/canvas.h"
#include "report/views.h"

namespace orvena::objects {

struct Barcode2DLayout {
  CodeMatrix matrix;
  std::string error;            // the message drawn in place of the code; empty when the text encodes
  int quiet_zone = 0;           // modules
  double module_size = 0;       // report pixels
  report::canvas::Rect bounds;  // after sizing; as given when the code fits the object
};

// Encodes the view's text. A view with a module size grows or shrinks to the code (turned by
// its rotation) from its top-left corner; one without gets the largest module that fits, in
// whole report pixels from two up.
Barcode2DLayout layout_barcode2d(const report::Barcode2DView& view, report::canvas::Rect bounds);

// `background` is the object's colour; white when it has none.
void draw_barcode2d(report::canvas::Canvas& canvas, const report::Barcode2DView& view,
                    const Barcode2DLayout& layout, std::optional<report::canvas::Rgb> background);

}  // namespace orvena::objects
