#pragma once
// The background of a printed object beyond one flat colour: hatch brushes as lines over the
// back colour, gradients as bands (or rings) of colour stepping from the start colour to the
// end colour. Vectors on every canvas, so a PDF keeps its text as text over them.
#include "export/printed_view.h"

namespace orvena::exporting {

// The fill of `v` over its body: its flat colour, hatch or gradient; nothing for a clear brush.
void draw_fill(report::canvas::Canvas& canvas, const PrintedView& v);

// The colour `t` (0..1) of the way from `from` to `to`, each channel rounded.
Rgb blend(Rgb from, Rgb to, double t);

}  // namespace orvena::exporting
