// Check boxes drawn: the mark each value and style gives, in the mark's colour, inside the box.
#include <gtest/gtest.h>

#include "objects/check_box.h"
#include "report/canvas/cairo_canvas.h"

namespace orvena::objects {
namespace {

using report::CheckStyle;
using report::UncheckStyle;

// Points of a 60 × 60 box that tell the marks apart: the centre, next to the top-left corner
// (only the corner-to-corner diagonals reach it), on the vertical middle near the top (the
// plus), on the falling diagonal a third of the way in (cross and diagonals) and near the top
// end of the tick's long stroke, past the end of the cross.
constexpr std::array<std::pair<int, int>, 5> kProbes = {{{30, 30}, {3, 3}, {30, 8}, {20, 20}, {47, 10}}};

std::string signature(const report::CheckBoxView& box, report::canvas::Rgb color = 0) {
  report::canvas::CairoCanvas canvas(80, 80);
  draw_check_box(canvas, box, {10, 10, 60, 60}, color, 1);
  std::string out;
  for (auto [x, y] : kProbes) out += canvas.pixel(10 + x, 10 + y) == 0xFFFFFF ? '.' : 'x';
  // Nothing outside the box.
  for (int i = 0; i < 80; ++i)
    for (auto [x, y] : {std::pair{i, 5}, std::pair{i, 75}, std::pair{5, i}, std::pair{75, i}})
      if (canvas.pixel(x, y) != 0xFFFFFF) out += '!';
  return out;
}

TEST(CheckBox, EachValueAndStyleDrawsItsMark) {
  struct Row {
    bool checked;
    CheckStyle check;
    UncheckStyle uncheck;
    CheckMark mark;
    const char* seen;  // at the probes
  } rows[] = {
      {true, CheckStyle::Cross, UncheckStyle::Minus, CheckMark::Cross, "x..x."},
      {true, CheckStyle::Check, UncheckStyle::Empty, CheckMark::Check, "x...x"},
      {true, CheckStyle::LineCross, UncheckStyle::Empty, CheckMark::LineCross, "xx.x."},
      {true, CheckStyle::Plus, UncheckStyle::Empty, CheckMark::Plus, "x.x.."},
      {false, CheckStyle::Cross, UncheckStyle::Empty, CheckMark::None, "....."},
      {false, CheckStyle::Plus, UncheckStyle::Cross, CheckMark::Cross, "x..x."},
      {false, CheckStyle::Cross, UncheckStyle::LineCross, CheckMark::LineCross, "xx.x."},
      {false, CheckStyle::Plus, UncheckStyle::Minus, CheckMark::Minus, "x...."},
  };
  for (const Row& r : rows) {
    report::CheckBoxView box;
    box.checked = r.checked;
    box.check_style = r.check;
    box.uncheck_style = r.uncheck;
    EXPECT_EQ(check_mark(box), r.mark) << int(r.mark);
    EXPECT_EQ(signature(box), r.seen) << int(r.mark);
  }
}

TEST(CheckBox, TheMinusStandsThreePixelsInFromTheLeftAndTwoFromTheRight) {
  report::CheckBoxView box;
  box.checked = false;
  box.uncheck_style = UncheckStyle::Minus;
  report::canvas::CairoCanvas canvas(80, 80);
  draw_check_box(canvas, box, {10, 10, 60, 60}, 0xFF0000, 2);
  // Two pixels thick (the frame's width) along y = 40, from x = 13 to x = 68, in the mark's colour.
  EXPECT_EQ(canvas.pixel(14, 40), 0xFF0000u);
  EXPECT_EQ(canvas.pixel(67, 40), 0xFF0000u);
  EXPECT_EQ(canvas.pixel(12, 40), 0xFFFFFFu);
  EXPECT_EQ(canvas.pixel(69, 40), 0xFFFFFFu);
}

}  // namespace
}  // namespace orvena::objects
