#pragma once
// The frame of a report page: its sides drawn along the margins, around the printable area, in
// report pixels from the paper's top-left corner.
#include "report/canvas/canvas.h"
#include "report/pages.h"

namespace orvena::exporting {

// The printable area: the paper less the margins (the left and right ones swapped on a mirrored
// page when `mirrored`).
report::canvas::Rect printable_area(const report::ReportPage& page, bool mirrored = false);

// Nothing when the page frame has no side with a colour and a width.
void draw_page_frame(report::canvas::Canvas& canvas, const report::ReportPage& page, bool mirrored = false);

}  // namespace orvena::exporting
