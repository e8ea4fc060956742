// Arrow heads of line objects, drawn on a bitmap at one device pixel per report pixel and read
// back by pixel: a solid head is filled, an open one is two strokes with the inside left white,
// and each sits at its own end of the line, whichever way the line runs.
#include <gtest/gtest.h>

#include <algorithm>

#include "export/printed_view.h"
#include "report/canvas/cairo_canvas.h"
#include "report/views.h"

namespace orvena::exporting {
namespace {

// Whether the darkest of the 3 × 3 pixels around (x, y) is clearly not white: a one-pixel stroke
// between two pixel rows shows as two half-grey rows.
bool dark(report::canvas::CairoCanvas& c, int x, int y) {
  int darkest = 255;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      report::canvas::Rgb p = c.pixel(x + dx, y + dy);
      darkest = std::min({darkest, int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)});
    }
  return darkest < 0xA0;
}

struct Case {
  const char* name;
  bool start, end, solid;
  double width;  // a line to the left has a negative width
  // Points 30 px in from each end along the line, 4 px off it: inside a head of length 40 and
  // half-width 10 (7.5 px wide there), outside the line's own stroke.
  bool near_left_dark, near_right_dark;
};

TEST(ArrowHeads, EachHeadIsAtItsEndFilledOrOpen) {
  const Case cases[] = {
      {"no arrows", false, false, true, 300, false, false},
      {"solid at the end", false, true, true, 300, false, true},
      {"open at the end", false, true, false, 300, false, false},
      {"solid at the start", true, false, true, 300, true, false},
      // Drawn from right to left: the end is at the left.
      {"solid end of a line to the left", false, true, true, -300, true, false},
  };
  for (const Case& c : cases) {
    report::LineView line;
    line.set_bounds(c.width > 0 ? 50 : 350, 100, c.width, 0);
    line.arrow_start = c.start;
    line.arrow_end = c.end;
    line.arrow_solid = c.solid;
    line.arrow_length = 40;
    line.arrow_width = 10;
    line.frame.set_width(1);
    report::canvas::CairoCanvas canvas(400, 200);
    draw_view(canvas, resolve_view(line));
    EXPECT_EQ(dark(canvas, 80, 104), c.near_left_dark) << c.name;
    EXPECT_EQ(dark(canvas, 320, 104), c.near_right_dark) << c.name;
    EXPECT_TRUE(dark(canvas, 200, 100)) << c.name << ": the line itself";
  }
}

// An open head is two strokes from the tip: on the wing, not inside.
TEST(ArrowHeads, AnOpenHeadIsTwoStrokes) {
  report::LineView line;
  line.set_bounds(50, 100, 300, 0);
  line.arrow_end = true;
  line.arrow_length = 40;
  line.arrow_width = 10;
  report::canvas::CairoCanvas canvas(400, 200);
  draw_view(canvas, resolve_view(line));
  // 20 px from the tip the wings are 5 px off the line.
  EXPECT_TRUE(dark(canvas, 330, 105));
  EXPECT_TRUE(dark(canvas, 330, 95));
  EXPECT_FALSE(dark(canvas, 320, 104));
}

}  // namespace
}  // namespace orvena::exporting
