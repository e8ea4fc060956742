#pragma once
// The object classes of the "Wstaw" tool bar and how a new object of each starts: its size when
// placed by a click, and what it holds before the operator edits it.
#include <memory>
#include <vector>

#include "designer/layout_rules.h"

namespace orvena::report {
struct ClassInfo;
class View;
}  // namespace orvena::report

namespace orvena::designer {

struct ObjectTool {
  const char* action;  // action name: "insert_Memo"
  const char* text;    // tool tip and menu text
  const report::ClassInfo& (*info)();
  double width, height;  // placed by a click
};
const std::vector<ObjectTool>& object_tools();

// A new object of the tool's class in `box` (relative to its band). A line drawn as a rectangle
// keeps the longer side: a horizontal line has no height, a vertical one no width. A barcode starts
// as Code 128.
std::unique_ptr<report::View> make_object(const ObjectTool& tool, Box box);

// The box a press and release (band coordinates) give: the rectangle drawn, or the tool's size at
// the press when the pointer hardly moved; kept inside a band of that size.
Box drawn_box(const ObjectTool& tool, double x0, double y0, double x1, double y1, bool dragged,
              double band_width, double band_height);

}  // namespace orvena::designer
