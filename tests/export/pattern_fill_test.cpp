// Hatch and gradient fills drawn on a bitmap at one device pixel per report pixel, read back by
// pixel: where the hatch lines fall (every 8 pixels from the page's corner) and what lies
// between them, and which colour each part of a gradient takes.
#include <gtest/gtest.h>

#include <cstdlib>

#include "export/pattern_fill.h"
#include "export/printed_view.h"
#include "report/canvas/cairo_canvas.h"
#include "report/views.h"

namespace orvena::exporting {
namespace {

using report::canvas::CairoCanvas;

// Windows colours are 0x00BBGGRR.
constexpr int64_t kRed = 0x0000FF, kBlue = 0xFF0000, kYellow = 0x00FFFF;

// Whether every channel is within `slack` of the expected 0xRRGGBB.
bool near(Rgb seen, Rgb expected, int slack = 24) {
  for (int shift : {16, 8, 0})
    if (std::abs(int((seen >> shift) & 0xFF) - int((expected >> shift) & 0xFF)) > slack) return false;
  return true;
}

struct Hatch {
  const char* name;
  report::BrushStyle style;
  // Pixels (x, y) on a line and between lines; the memo spans 40..120 × 40..120.
  int on_x, on_y, off_x, off_y;
};

TEST(PatternFill, HatchLinesFallEveryEightPixelsOverTheBackColour) {
  using report::BrushStyle;
  const Hatch cases[] = {
      {"horizontal", BrushStyle::Horizontal, 60, 64, 60, 68},
      {"vertical", BrushStyle::Vertical, 64, 60, 68, 60},
      {"cross", BrushStyle::Cross, 64, 61, 68, 61},
      // x - y a multiple of 8 / x + y a multiple of 8.
      {"forward diagonal", BrushStyle::FDiagonal, 72, 64, 76, 64},
      {"backward diagonal", BrushStyle::BDiagonal, 64, 64, 68, 64},
  };
  for (const Hatch& c : cases) {
    report::MemoView memo;
    memo.set_bounds(40, 40, 80, 80);
    auto& brush = static_cast<report::BrushFill&>(memo.fill.fill());
    brush.style = c.style;
    brush.back_color = kYellow;
    brush.fore_color = kRed;
    CairoCanvas canvas(160, 160);
    draw_fill(canvas, resolve_view(memo));
    // A one-pixel line may fall between two pixel rows, half red over each: not yellow, then.
    EXPECT_FALSE(near(canvas.pixel(c.on_x, c.on_y), 0xFFFF00, 60)) << c.name << " line";
    EXPECT_TRUE(near(canvas.pixel(c.off_x, c.off_y), 0xFFFF00)) << c.name << " between";
    EXPECT_TRUE(near(canvas.pixel(20, 20), 0xFFFFFF)) << c.name << ": outside the memo";
    EXPECT_TRUE(near(canvas.pixel(128, 64), 0xFFFFFF)) << c.name << ": clipped at the right";
  }
}

struct Gradient {
  const char* name;
  report::GradientStyle style;
  // Red at the start, blue at the end; the memo spans 0..200 × 0..100.
  Rgb left_edge, centre, top_edge;
};

TEST(PatternFill, GradientsRunFromTheStartColourToTheEndColour) {
  using report::GradientStyle;
  const Rgb red = 0xFF0000, blue = 0x0000FF, half = 0x800080;
  const Gradient cases[] = {
      {"horizontal", GradientStyle::Horizontal, red, half, half},
      {"vertical", GradientStyle::Vertical, half, half, red},
      {"horizontal centre", GradientStyle::HorizCenter, red, blue, blue},
      {"vertical centre", GradientStyle::VertCenter, blue, blue, red},
      {"rectangle", GradientStyle::Rectangle, red, blue, red},
      {"elliptic", GradientStyle::Elliptic, red, blue, red},
  };
  for (const Gradient& c : cases) {
    report::MemoView memo;
    memo.set_bounds(0, 0, 200, 100);
    memo.fill.set_type(report::FillType::Gradient);
    auto& g = static_cast<report::GradientFill&>(memo.fill.fill());
    g.gradient_style = c.style;
    g.start_color = kRed;
    g.end_color = kBlue;
    CairoCanvas canvas(200, 100);
    draw_fill(canvas, resolve_view(memo));
    EXPECT_TRUE(near(canvas.pixel(1, 50), c.left_edge)) << c.name << std::hex << " " << canvas.pixel(1, 50);
    EXPECT_TRUE(near(canvas.pixel(100, 50), c.centre)) << c.name << std::hex << " " << canvas.pixel(100, 50);
    EXPECT_TRUE(near(canvas.pixel(100, 1), c.top_edge)) << c.name << std::hex << " " << canvas.pixel(100, 1);
  }
}

TEST(PatternFill, BlendRoundsEachChannel) {
  EXPECT_EQ(blend(0xFF0000, 0x0000FF, 0), 0xFF0000u);
  EXPECT_EQ(blend(0xFF0000, 0x0000FF, 1), 0x0000FFu);
  EXPECT_EQ(blend(0x000000, 0xFFFFFF, 0.5), 0x808080u);  // 127.5 rounds up
  EXPECT_EQ(blend(0x000000, 0xFFFFFF, 2), 0xFFFFFFu);    // clamped
}

}  // namespace
}  // namespace orvena::exporting
