#pragma once
// How a check box prints: the mark of its value inside its rectangle, on any canvas in report
// pixels. The caller fills the background before and draws the frame after.
#include "report/canvas/canvas.h"
#include "report/views.h"

namespace orvena::objects {

enum class CheckMark : uint8_t { None, Cross, Check, LineCross, Plus, Minus };

// The mark the view shows for its current value.
CheckMark check_mark(const report::CheckBoxView& view);

// `line_width` is the frame's width; marks drawn with lines are at least one pixel thick.
void draw_check_box(report::canvas::Canvas& canvas, const report::CheckBoxView& view,
                    const report::canvas::Rect& r, report::canvas::Rgb mark_color, double line_width);

}  // namespace orvena::objects
