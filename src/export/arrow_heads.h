#pragma once
// Arrow heads at the ends of a line object: a triangle of the line's colour, `ArrowLength`
// long along the line and `ArrowWidth` to each side of it, filled when `ArrowSolid`, else two
// strokes from the tip.
#include "export/printed_view.h"

namespace orvena::exporting {

// Nothing for views that are not lines with arrows, and for lines without length.
void draw_arrow_heads(report::canvas::Canvas& canvas, const PrintedView& v);

}  // namespace orvena::exporting
