// The resolved view writers read: an active highlight's font, fill and frame win over the
// object's own; sides only where the frame has them and a colour; clear fills stay clear.
#include <gtest/gtest.h>

#include "export/printed_view.h"
#include "report/values.h"

namespace orvena::exporting {
namespace {

TEST(PrintedView, ColoursComeFromWindowsValuesAndSystemColoursAreNone) {
  EXPECT_EQ(rgb_of(0x0000FF), Rgb(0xFF0000));  // Windows keeps blue in the high byte
  EXPECT_EQ(rgb_of(0x123456), Rgb(0x563412));
  EXPECT_FALSE(rgb_of(report::kNoColor));
  EXPECT_FALSE(rgb_of(0x80000005));  // clWindow
}

TEST(PrintedView, AnActiveHighlightReplacesFontFillAndFrame) {
  report::MemoView memo;
  memo.set_bounds(10, 20, 100, 30);
  memo.fill.set_color(0xFFFFFF);
  memo.frame.typ = report::kFrameTop | report::kFrameBottom;
  memo.set_text("x");
  auto& h = memo.highlight();
  h.font.name = "Times New Roman";
  h.font.style = 1;
  h.fill.set_color(0x00FFFF);  // yellow
  h.apply_frame = true;
  h.frame.typ = report::kFrameLeft;
  h.frame.set_color(0xFF0000);

  PrintedView plain = resolve_view(memo);
  EXPECT_EQ(plain.font.name, "Arial");
  EXPECT_EQ(plain.fill, Rgb(0xFFFFFF));
  EXPECT_TRUE(plain.sides[0].present && plain.sides[2].present);
  EXPECT_FALSE(plain.sides[1].present || plain.sides[3].present);

  h.active = true;
  PrintedView lit = resolve_view(memo);
  EXPECT_EQ(lit.font.name, "Times New Roman");
  EXPECT_EQ(lit.font.style, 1);
  EXPECT_EQ(lit.fill, Rgb(0xFFFF00));
  EXPECT_TRUE(lit.sides[3].present);  // left
  EXPECT_EQ(lit.sides[3].pen.color, Rgb(0x0000FF));
  EXPECT_FALSE(lit.sides[0].present);
  EXPECT_EQ(lit.bounds.left, 10);
  EXPECT_EQ(lit.bounds.height, 30);
}

TEST(PrintedView, ClearAndHatchedBrushesAndSidesWithoutColourDrawNoFill) {
  report::MemoView memo;
  memo.fill.set_color(0x00FF00);
  auto& brush = static_cast<report::BrushFill&>(memo.fill.fill());
  brush.style = report::BrushStyle::Clear;
  EXPECT_FALSE(resolve_view(memo).fill);
  brush.style = report::BrushStyle::Horizontal;
  PrintedView hatched = resolve_view(memo);
  EXPECT_FALSE(hatched.fill);
  EXPECT_TRUE(hatched.hatched);

  memo.frame.typ = report::kFrameLeft;
  memo.frame.set_color(report::kNoColor);
  EXPECT_FALSE(resolve_view(memo).has_frame());
}

TEST(PrintedView, TagsMatterOnlyWhereTheObjectAllowsThem) {
  report::MemoView memo;
  memo.set_text("<b>a</b>");
  EXPECT_FALSE(resolve_view(memo).html);
  memo.allow_html_tags = true;
  EXPECT_TRUE(resolve_view(memo).html);
  memo.set_text("a > b");
  EXPECT_FALSE(resolve_view(memo).html);
}

}  // namespace
}  // namespace orvena::exporting
