// Drawing text on a Cairo image surface, checked on the pixels. Every picture is also written
// as PNG to text_pictures/ in the build folder, to be looked at.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/encoding.h"
#include "core/text.h"
#include "report/canvas/cairo_canvas.h"
#include "report/text/text_layout.h"

namespace orvena::report::text {
namespace {

using canvas::CairoCanvas;
using canvas::Device;
using canvas::Rect;

struct Ink {
  int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;  // inclusive pixel bounds
  bool any() const { return right >= 0; }
};

// Bounds of the dark pixels within `r` (anti-aliased edges count from half grey on).
Ink ink_in(CairoCanvas& c, Rect r, int rows_from = 0, int rows_to = 1 << 30) {
  Ink ink;
  for (int y = std::max(int(r.top), rows_from); y < std::min(int(r.bottom()), rows_to); ++y)
    for (int x = int(r.left); x < int(r.right()); ++x) {
      canvas::Rgb p = c.pixel(x, y);
      if (((p >> 8) & 0xFF) >= 0x80) continue;
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y);
      ink.bottom = std::max(ink.bottom, y);
    }
  return ink;
}

Ink ink_all(CairoCanvas& c) {
  return ink_in(c, Rect{0, 0, double(c.width()), double(c.height())});
}

void save(CairoCanvas& c, const std::string& name) {
  std::filesystem::path dir = std::filesystem::path(ORVENA_BINARY_DIR) / "text_pictures";
  std::filesystem::create_directories(dir);
  c.write_png((dir / (name + ".png")).string());
}

struct Drawing {
  std::string text;
  HAlign halign = HAlign::Left;
  VAlign valign = VAlign::Top;
  int rotation = 0;
  double scale = 1;  // device pixels per report unit
  Device device{};
  double print_scale = 1;
  Rect area{0, 0, 300, 120};  // report units
  int size = 12;
  std::string font = "Arial";
};

// Lays the text out in `area` and draws it at 20 units from the canvas's corner, scaled.
Rect draw(CairoCanvas& canvas, TextLayout& t, const Drawing& d) {
  LayoutFont font;
  font.name = d.font;
  font.size = d.size;
  t.set_font(font);
  LayoutOptions o;
  o.rotation = d.rotation;
  t.set_options(o);
  t.set_gaps(Gaps{});
  Rect device{20 * d.scale, 20 * d.scale, d.area.width * d.scale, d.area.height * d.scale};
  t.set_dimensions(Dimensions{d.area, device, d.print_scale, d.scale, d.scale});
  std::vector<std::string> lines = core::split_lines(d.text);
  t.set_text(lines);
  t.draw_text(canvas, d.halign, d.valign);
  return device;
}

// U+2588 fills its whole advance, so the ink shows where each line starts and ends.
const std::string kBlocks = "██ ███ █ ██ ████ ██ ███ █ ████ ██ ███";

struct AlignCase {
  const char* name;
  HAlign halign;
  double scale;
  Device device;
};

class Alignment : public testing::TestWithParam<AlignCase> {};

TEST_P(Alignment, FirstLineInkWhereAlignmentPutsIt) {
  const AlignCase& a = GetParam();
  Drawing d;
  d.text = kBlocks;
  d.halign = a.halign;
  d.scale = a.scale;
  d.device = a.device;
  d.area = Rect{0, 0, 150, 80};
  CairoCanvas canvas(int(200 * a.scale), int(120 * a.scale), a.device);
  TextLayout t;
  Rect r = draw(canvas, t, d);
  save(canvas, std::string("align_") + a.name);
  ASSERT_GE(t.lines().size(), 2u);

  // The first line's band of rows, well inside the line.
  int line_bottom = int(r.top + 10 * a.scale);
  Ink first = ink_in(canvas, r, int(r.top), line_bottom);
  ASSERT_TRUE(first.any());
  int right_edge = int(r.right()) - 1;
  switch (a.halign) {
    case HAlign::Left:
      EXPECT_NEAR(first.left, r.left, 1);
      break;
    case HAlign::Right:
      EXPECT_NEAR(first.right, right_edge, 1);
      break;
    case HAlign::Center:
      EXPECT_NEAR((first.left + first.right) / 2.0, (r.left + right_edge) / 2.0, 1);
      break;
    case HAlign::Block:
      EXPECT_NEAR(first.left, r.left, 1);
      EXPECT_NEAR(first.right, right_edge, 1);
      break;
  }
  Ink all = ink_in(canvas, r);
  EXPECT_GE(all.left, r.left - 1);
  EXPECT_LE(all.right, right_edge + 1);
  if (a.halign == HAlign::Block) {
    // The paragraph's last line is drawn left aligned: it starts at the left and stops short.
    Ink last = ink_in(canvas, r, all.bottom - int(4 * a.scale), all.bottom + 1);
    EXPECT_NEAR(last.left, r.left, 1);
    EXPECT_LT(last.right, right_edge - 10);
  }
}

INSTANTIATE_TEST_SUITE_P(
    TextDraw, Alignment,
    testing::Values(AlignCase{"left", HAlign::Left, 1, {}}, AlignCase{"right", HAlign::Right, 1, {}},
                    AlignCase{"centre", HAlign::Center, 1, {}}, AlignCase{"block", HAlign::Block, 1, {}},
                    AlignCase{"right_scaled", HAlign::Right, 2.5, {}},
                    AlignCase{"block_scaled", HAlign::Block, 2.5, {}},
                    AlignCase{"right_printer_300", HAlign::Right, 300.0 / 96, {true, 300}},
                    AlignCase{"block_printer_300", HAlign::Block, 300.0 / 96, {true, 300}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextDraw, RotatedTextStaysInsideItsRectangle) {
  for (int rotation : {90, 180, 270}) {
    Drawing d;
    d.text = "Ala ma kota, a kot ma Alę";
    d.rotation = rotation;
    d.area = Rect{0, 0, 40, 200};
    CairoCanvas canvas(120, 260);
    TextLayout t;
    Rect r = draw(canvas, t, d);
    save(canvas, "rotated_" + std::to_string(rotation));
    Ink ink = ink_all(canvas);
    ASSERT_TRUE(ink.any()) << rotation;
    EXPECT_GE(ink.left, r.left) << rotation;
    EXPECT_LE(ink.right, r.right()) << rotation;
    EXPECT_GE(ink.top, r.top) << rotation;
    EXPECT_LE(ink.bottom, r.bottom()) << rotation;
    if (rotation != 180) {
      EXPECT_GT(ink.bottom - ink.top, 3 * (ink.right - ink.left)) << rotation;
      // Turned a quarter, the 200-unit side is the width to wrap to: one line.
      EXPECT_EQ(t.lines().size(), 1u) << rotation;
    }
  }
}

// Records what is drawn, to check glyphs rather than pixels.
class RecordingCanvas : public canvas::CairoCanvas {
 public:
  using CairoCanvas::CairoCanvas;
  void draw_glyphs(const canvas::GlyphRun& run) override {
    for (const auto& g : run.glyphs) {
      glyphs.push_back(g.id);
      placed.push_back(g);
    }
    text += run.text;
    CairoCanvas::draw_glyphs(run);
  }
  // Baselines of the lines drawn, top to bottom.
  std::vector<double> baselines() const {
    std::vector<double> b;
    for (const auto& g : placed)
      if (g.x == placed.front().x) b.push_back(g.y);
    return b;
  }
  std::vector<uint32_t> glyphs;
  std::vector<canvas::PlacedGlyph> placed;
  std::u32string text;
};

// Ten lines of Arial 10 on the screen step 13 + 2 = 15 pixels, 150 in all; measured they are
// Round((2 × 6.25 × 10 + 83 × 10) / 6.25) = 153 high. With WYSIWYG the 3 missing pixels go to
// the nine steps by halving: one to the first four (step 2), two to the last five (steps 5, 7).
TEST(TextDraw, LinePitchSpreadToTheMeasuredHeight) {
  struct Case {
    bool wysiwyg;
    std::vector<double> steps;
  } cases[] = {
      {true, {15, 16, 15, 15, 16, 15, 16, 15, 15}},
      {false, {15, 15, 15, 15, 15, 15, 15, 15, 15}},
  };
  for (const Case& c : cases) {
    RecordingCanvas canvas(200, 220);
    TextLayout t;
    t.set_font(LayoutFont{});
    LayoutOptions o;
    o.wysiwyg = c.wysiwyg;
    t.set_options(o);
    t.set_gaps(Gaps{});
    t.set_dimensions(Dimensions{{0, 0, 150, 200}, {10, 10, 150, 200}, 1, 1, 1});
    std::vector<std::string> lines(10, "M");
    t.set_text(lines);
    t.draw_text(canvas, HAlign::Left, VAlign::Top);
    std::vector<double> b = canvas.baselines(), steps;
    for (size_t i = 1; i < b.size(); ++i) steps.push_back(b[i] - b[i - 1]);
    EXPECT_EQ(steps, c.steps) << c.wysiwyg;
  }
}

TEST(TextDraw, SubscriptBelowAndSuperscriptAboveTheBaseline) {
  RecordingCanvas canvas(200, 60);
  TextLayout t;
  t.set_font(LayoutFont{});
  LayoutOptions o;
  o.html_tags = true;
  t.set_options(o);
  t.set_gaps(Gaps{});
  t.set_dimensions(Dimensions{{0, 0, 150, 40}, {10, 10, 150, 40}, 1, 1, 1});
  std::vector<std::string> lines{"H<sub>2</sub>O<sup>3</sup>"};
  t.set_text(lines);
  t.draw_text(canvas, HAlign::Left, VAlign::Top);
  ASSERT_EQ(canvas.placed.size(), 4u);
  double base = canvas.placed[0].y;
  EXPECT_EQ(canvas.placed[2].y, base);
  EXPECT_GT(canvas.placed[1].y, base);
  EXPECT_LT(canvas.placed[3].y, base);
}

TEST(TextDraw, PolishLettersHaveGlyphs) {
  const std::string polish = "Zażółć gęślą jaźń";
  for (const char* font : {"Arial", "Times New Roman", "Courier New", "Calibri", "Tahoma"}) {
    Drawing d;
    d.text = polish;
    d.font = font;
    d.size = 20;
    RecordingCanvas canvas(360, 80);
    TextLayout t;
    draw(canvas, t, d);
    save(canvas, std::string("polish_") + font);
    std::u32string expected;
    for (size_t pos = 0; pos < polish.size();) expected += core::next_code_point(polish, pos);
    EXPECT_EQ(canvas.text, expected) << font;
    EXPECT_EQ(std::count(canvas.glyphs.begin(), canvas.glyphs.end(), 0u), 0) << font;  // no missing-glyph box
    EXPECT_TRUE(ink_all(canvas).any()) << font;
  }
}

// Liberation Sans has no check mark; another installed font draws it, with its own advance.
TEST(TextDraw, MissingGlyphDrawnFromAnotherFont) {
  auto arial = FontService::instance().face(FontRequest{"Arial", 0, 1});
  ASSERT_EQ(arial->glyph_id(U'✓'), 0u);
  Drawing d;
  d.text = "A✓B";
  d.size = 20;
  RecordingCanvas canvas(200, 60);
  TextLayout t;
  draw(canvas, t, d);
  save(canvas, "fallback");
  EXPECT_EQ(std::count(canvas.glyphs.begin(), canvas.glyphs.end(), 0u), 0);
  EXPECT_EQ(canvas.text, U"A✓B");
  ASSERT_EQ(canvas.placed.size(), 3u);
  EXPECT_EQ(canvas.placed[1].y, canvas.placed[0].y);  // on the same baseline
  EXPECT_GT(t.calc_width(), 0);
}

TEST(TextDraw, ClippedToTheDeviceRectangle) {
  for (bool clipped : {true, false}) {
    CairoCanvas canvas(200, 80);
    TextLayout t;
    LayoutFont font;
    font.size = 20;
    t.set_font(font);
    LayoutOptions o;
    o.clipped = clipped;
    o.word_wrap = false;
    t.set_options(o);
    t.set_gaps(Gaps{});
    Rect r{20, 20, 60, 14};  // lower than the font and narrower than the text
    t.set_dimensions(Dimensions{{0, 0, r.width, r.height}, r, 1, 1, 1});
    std::vector<std::string> lines{"Ąjgq szeroki tekst"};
    t.set_text(lines);
    t.draw_text(canvas, HAlign::Left, VAlign::Top);
    Ink ink = ink_all(canvas);
    bool inside = ink.left >= r.left && ink.right < r.right() && ink.top >= r.top && ink.bottom < r.bottom();
    EXPECT_EQ(inside, clipped);
  }
}

TEST(TextDraw, RightToLeftRunsFromTheRight) {
  RecordingCanvas canvas(200, 60);
  TextLayout t;
  t.set_font(LayoutFont{});
  LayoutOptions o;
  o.rtl_reading = true;
  t.set_options(o);
  t.set_gaps(Gaps{});
  t.set_dimensions(Dimensions{{0, 0, 150, 40}, {10, 10, 150, 40}, 1, 1, 1});
  std::vector<std::string> lines{"abc"};
  t.set_text(lines);
  t.draw_text(canvas, HAlign::Left, VAlign::Top);
  ASSERT_EQ(canvas.placed.size(), 3u);
  EXPECT_GT(canvas.placed[0].x, canvas.placed[1].x);
  EXPECT_GT(canvas.placed[1].x, canvas.placed[2].x);
}

TEST(TextDraw, VerticalAlignment) {
  for (VAlign v : {VAlign::Top, VAlign::Center, VAlign::Bottom}) {
    Drawing d;
    d.text = "██\r\n██";
    d.valign = v;
    d.area = Rect{0, 0, 100, 100};
    CairoCanvas canvas(140, 140);
    TextLayout t;
    Rect r = draw(canvas, t, d);
    save(canvas, "valign_" + std::to_string(int(v)));
    Ink ink = ink_all(canvas);
    double above = ink.top - r.top, below = r.bottom() - 1 - ink.bottom;
    switch (v) {
      case VAlign::Top:
        EXPECT_LT(above, 5);
        break;
      case VAlign::Bottom:
        EXPECT_LT(below, 8);
        break;
      case VAlign::Center:
        EXPECT_NEAR(above, below, 6);
        break;
    }
  }
}

// The first line of each paragraph starts Round(ParagraphGap × ScaleX) further right.
TEST(TextDraw, ParagraphGapIndentsFirstLines) {
  for (HAlign h : {HAlign::Left, HAlign::Block}) {
    CairoCanvas canvas(200, 120);
    TextLayout t;
    LayoutFont font;
    font.size = 12;
    t.set_font(font);
    t.set_options(LayoutOptions{});
    t.set_gaps(Gaps{2, 0, 10});
    t.set_dimensions(Dimensions{{0, 0, 150, 80}, {20, 20, 150, 80}, 1, 1, 1});
    std::vector<std::string> lines{kBlocks};
    t.set_text(lines);
    t.draw_text(canvas, h, VAlign::Top);
    save(canvas, h == HAlign::Left ? "gap_left" : "gap_block");
    Rect r{20, 20, 150, 80};
    EXPECT_NEAR(ink_in(canvas, r, 20, 30).left, 30, 1);
    int second_top = 20 + 16 + 2;  // 12 points = 16 pixels, + line spacing
    EXPECT_NEAR(ink_in(canvas, r, second_top + 2, second_top + 10).left, 20, 1);
  }
}

// Four alignments of a paragraph, framed, in one picture.
TEST(TextDraw, AlignmentSheet) {
  const std::string text =
      "Zażółć gęślą jaźń. Pchnąć w tę łódź jeża lub ośm skrzyń fig, a potem dopiero wyjść.";
  CairoCanvas canvas(420, 300);
  const HAlign aligns[] = {HAlign::Left, HAlign::Right, HAlign::Center, HAlign::Block};
  for (int i = 0; i < 4; ++i) {
    Rect r{10.0 + 205 * (i % 2), 10.0 + 145 * (i / 2), 195, 135};
    canvas.stroke_rect(Rect{r.left - 0.5, r.top - 0.5, r.width + 1, r.height + 1}, canvas::Pen{1, 0xA0A0A0});
    TextLayout t;
    t.set_font(LayoutFont{});
    t.set_options(LayoutOptions{});
    t.set_gaps(Gaps{2, 0, 0});
    t.set_dimensions(Dimensions{{0, 0, r.width, r.height}, r, 1, 1, 1});
    std::vector<std::string> lines{text, "Druga linia."};
    t.set_text(lines);
    t.draw_text(canvas, aligns[i], VAlign::Top);
    Ink ink = ink_in(canvas, Rect{r.left + 1, r.top + 1, r.width - 2, r.height - 2});
    EXPECT_TRUE(ink.any());
  }
  save(canvas, "alignments");
}

TEST(TextDraw, StylesAndColours) {
  Drawing d;
  CairoCanvas canvas(360, 80);
  TextLayout t;
  LayoutFont font;
  font.size = 16;
  t.set_font(font);
  LayoutOptions o;
  o.html_tags = true;
  t.set_options(o);
  t.set_gaps(Gaps{});
  t.set_dimensions(Dimensions{{0, 0, 300, 40}, {20, 20, 300, 40}, 1, 1, 1});
  std::vector<std::string> lines{
      "<b>Bold</b> <i>italic</i> <u>under</u> <strike>struck</strike> H<sub>2</sub>O x<sup>2</sup> "
      "<font color=\"#FF0000\">red</font>"};
  t.set_text(lines);
  t.draw_text(canvas, HAlign::Left, VAlign::Top);
  save(canvas, "styles");
  bool red = false;
  for (int y = 20; y < 60; ++y)
    for (int x = 20; x < 320; ++x)
      if (canvas.pixel(x, y) == 0xFF0000) red = true;
  EXPECT_TRUE(red);

  // Drawn as a mask, every character is black.
  CairoCanvas mask(360, 80);
  o.mask = true;
  t.set_options(o);
  t.set_text(lines);
  t.draw_text(mask, HAlign::Left, VAlign::Top);
  int dark = 0, coloured = 0;
  for (int y = 20; y < 60; ++y)
    for (int x = 20; x < 320; ++x) {
      canvas::Rgb p = mask.pixel(x, y);
      if (p >> 16 != (p & 0xFF)) ++coloured;
      if (p == 0) ++dark;
    }
  EXPECT_EQ(coloured, 0);
  EXPECT_GT(dark, 0);
}

}  // namespace
}  // namespace orvena::report::text
