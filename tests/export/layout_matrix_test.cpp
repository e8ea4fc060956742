// The layout matrix: printed objects laid on a grid of cells, cut where they overlap, with
// deduplicated styles, pages stacked one below the other.
#include <gtest/gtest.h>

#include "export/filter.h"
#include "export/matrix/layout_matrix.h"
#include "report/bands.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/values.h"

namespace orvena::exporting {
namespace {

constexpr int64_t kWinRed = 0x0000FF;  // Windows colours keep blue in the high byte
constexpr int64_t kWinBlue = 0xFF0000;
constexpr int64_t kAllSides =
    report::kFrameLeft | report::kFrameRight | report::kFrameTop | report::kFrameBottom;

std::unique_ptr<report::MemoView> memo(double left, double top, double width, double height,
                                       std::string text = "") {
  auto m = std::make_unique<report::MemoView>();
  m->set_bounds(left, top, width, height);
  m->set_text(text);
  return m;
}

std::unique_ptr<report::ShapeView> rectangle(double left, double top, double width, double height) {
  auto s = std::make_unique<report::ShapeView>();
  s->set_bounds(left, top, width, height);
  s->fill.set_color(report::kNoColor);
  return s;
}

void framed(report::View& v, int64_t color = 0, double width = 1) {
  v.frame.typ = kAllSides;
  v.frame.set_color(color);
  v.frame.set_width(width);
}

// The grid as text, one string per row: each cell's first text line, "_" for an object without
// text, "." for an empty cell.
std::vector<std::string> grid(const LayoutMatrix& m) {
  std::vector<std::string> rows;
  for (int y = 0; y + 1 < m.height(); ++y) {
    std::string row;
    for (int x = 0; x + 1 < m.width(); ++x) {
      const MatrixObject* o = m.object_at(x, y);
      if (x > 0) row += ' ';
      row += !o ? "." : o->lines.empty() ? "_" : o->lines[0];
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<double> columns(const LayoutMatrix& m) {
  std::vector<double> v;
  for (int i = 0; i < m.width(); ++i) v.push_back(m.x_pos(i));
  return v;
}

std::vector<double> rows(const LayoutMatrix& m) {
  std::vector<double> v;
  for (int i = 0; i < m.height(); ++i) v.push_back(m.y_pos(i));
  return v;
}

using Rows = std::vector<std::string>;
using Positions = std::vector<double>;

TEST(LayoutMatrix, ObjectsGetCellsAndAWideObjectSpansColumns) {
  auto a = memo(0, 0, 100, 20, "a");
  auto b = memo(100, 0, 50, 20, "b");
  auto c = memo(0, 20, 150, 20, "c");
  LayoutMatrix m;
  for (auto* v : {a.get(), b.get(), c.get()}) m.add_object(*v);
  m.prepare();
  EXPECT_EQ(columns(m), (Positions{0, 100, 150}));
  EXPECT_EQ(rows(m), (Positions{0, 20, 40}));
  EXPECT_EQ(grid(m), (Rows{"a b", "c c"}));
  CellSpan span = m.object_position(m.cell(1, 1));
  EXPECT_EQ(span.x, 0);
  EXPECT_EQ(span.y, 1);
  EXPECT_EQ(span.dx, 2);
  EXPECT_EQ(span.dy, 1);
  // Outside the grid: no cell, no object, no boundary.
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {3, 0}, {0, 3}, {1000, 1000}}) {
    EXPECT_EQ(m.cell(x, y), -1) << x << "," << y;
    EXPECT_EQ(m.object_at(x, y), nullptr);
  }
  EXPECT_EQ(m.object(m.objects_count()), nullptr);
  EXPECT_EQ(m.style(-1), nullptr);

  LayoutMatrix empty;
  empty.area_fill = true;
  empty.prepare();
  EXPECT_EQ(empty.cell(0, 0), -1);
  EXPECT_EQ(empty.object_position(0).dx, 0);
}

TEST(LayoutMatrix, APartlyCoveredObjectIsCutIntoPiecesWithItsTextInTheFirst) {
  // "a" 0..100 x 0..40 is covered at its lower right by "b" 50..150 x 20..60.
  auto a = memo(0, 0, 100, 40, "a");
  framed(*a);
  auto b = memo(50, 20, 100, 40, "b");
  LayoutMatrix m;
  m.add_object(*a);
  m.add_object(*b);
  m.prepare();
  EXPECT_EQ(grid(m), (Rows{"a a .", "_ b b", ". b b"}));

  const MatrixObject* whole = m.object(0);
  const MatrixObject* top = m.object_at(0, 0);
  const MatrixObject* bottom = m.object_at(0, 1);
  ASSERT_NE(top, whole);
  ASSERT_NE(bottom, top);
  EXPECT_EQ(top->parent, whole);
  EXPECT_EQ(bottom->parent, whole);
  EXPECT_TRUE(whole->lines.empty());  // the text moved into the first piece
  EXPECT_EQ(top->left, 0);
  EXPECT_EQ(top->width, 100);
  EXPECT_EQ(top->height, 20);
  // Each piece keeps the sides on the object's outer edges only.
  EXPECT_EQ(m.style(top->style)->frame_sides, kMatrixLeft | kMatrixTop | kMatrixRight);
  EXPECT_EQ(m.style(bottom->style)->frame_sides, kMatrixLeft | kMatrixBottom);
  EXPECT_EQ(m.style(whole->style)->frame_sides, kMatrixLeft | kMatrixTop | kMatrixRight | kMatrixBottom);
  CellSpan bs = m.object_position(m.cell(1, 1));
  EXPECT_EQ(bs.x, 1);
  EXPECT_EQ(bs.y, 1);
  EXPECT_EQ(bs.dx, 2);
  EXPECT_EQ(bs.dy, 2);
}

TEST(LayoutMatrix, TextGoesToTheFirstPieceInTheUpperLeftTwoThirds) {
  struct Case {
    const char* name;
    double cover_width, cover_height;
    Rows grid;
    bool whole_keeps_text;
  } cases[] = {
      // Covered at the upper left: the piece right of the cover starts at a third of the width.
      {"piece beside the cover", 30, 70, {"c a", "_ a"}, false},
      // Covered but for a strip below 70 of 90: that piece starts below two thirds of the height.
      {"only a low strip left", 90, 70, {"c", "_"}, true},
  };
  for (const Case& c : cases) {
    auto a = memo(0, 0, 90, 90, "a");
    auto cover = memo(0, 0, c.cover_width, c.cover_height, "c");
    LayoutMatrix m;
    m.add_object(*a);
    m.add_object(*cover);
    m.prepare();
    EXPECT_EQ(grid(m), c.grid) << c.name;
    EXPECT_EQ(m.object(0)->lines.empty(), !c.whole_keeps_text) << c.name;
  }
}

TEST(LayoutMatrix, EdgesCloserThanTheInaccuracyAreOneBoundary) {
  struct Case {
    const char* name;
    double inaccuracy, gap;
    Positions expected;
  } cases[] = {
      {"0.3 gap under 0.5: the later edge survives", 0.5, 0.3, {0, 100.3, 150.3}},
      {"0.3 gap kept without inaccuracy", 0, 0.3, {0, 100, 100.3, 150.3}},
      {"a gap of exactly the inaccuracy is kept", 0.5, 0.5, {0, 100, 100.5, 150.5}},
  };
  for (const Case& c : cases) {
    auto a = memo(0, 0, 100, 20, "a");
    auto b = memo(100 + c.gap, 0, 50, 20, "b");
    LayoutMatrix m;
    m.inaccuracy = c.inaccuracy;
    m.add_object(*a);
    m.add_object(*b);
    m.prepare();
    EXPECT_EQ(columns(m), c.expected) << c.name;
    EXPECT_EQ(m.object_at(0, 0)->lines[0], "a") << c.name;
    EXPECT_EQ(m.object_at(m.width() - 2, 0)->lines[0], "b") << c.name;
  }
}

TEST(LayoutMatrix, EqualEdgesFarApartInTheListMakeNoEmptyColumn) {
  // More than the look-back of objects between two equal edges: prepare still merges them.
  std::vector<std::unique_ptr<report::MemoView>> memos;
  for (int i = 0; i < 150; ++i) memos.push_back(memo(i % 2 == 0 ? 0 : 40, i * 10, 40, 10, "x"));
  LayoutMatrix m;
  for (auto& v : memos) m.add_object(*v);
  m.prepare();
  EXPECT_EQ(columns(m), (Positions{0, 40, 80}));
  EXPECT_EQ(m.height(), 151);
}

TEST(LayoutMatrix, RowsWithoutObjectsGoWhenEmptyLinesIsOff) {
  auto a = memo(0, 0, 50, 20, "a");
  auto b = memo(0, 50, 50, 20, "b");  // 30 empty pixels above it
  for (bool keep : {true, false}) {
    LayoutMatrix m;
    m.empty_lines = keep;
    m.add_object(*a);
    m.add_object(*b);
    m.prepare();
    if (keep) {
      EXPECT_EQ(grid(m), (Rows{"a", ".", "b"}));
      EXPECT_EQ(rows(m), (Positions{0, 20, 50, 70}));
    } else {
      EXPECT_EQ(grid(m), (Rows{"a", "b"}));
      EXPECT_EQ(rows(m), (Positions{0, 20, 40}));  // "b" moved up by the empty row's 30
      EXPECT_EQ(m.object_position(1).y, 1);
      EXPECT_EQ(m.object(1)->top, 50);  // object coordinates stay
    }
  }
}

TEST(LayoutMatrix, DeleteLineMovesTheRowsBelowUp) {
  auto a = memo(0, 0, 50, 20, "a");
  auto b = memo(0, 20, 50, 30, "b");
  auto c = memo(0, 50, 50, 10, "c");
  LayoutMatrix m;
  for (auto* v : {a.get(), b.get(), c.get()}) m.add_object(*v);
  m.prepare();
  m.delete_line(1);
  EXPECT_EQ(grid(m), (Rows{"a", "c"}));
  EXPECT_EQ(rows(m), (Positions{0, 20, 30}));
  EXPECT_EQ(m.object_position(2).y, 1);
  m.delete_line(-1);  // ignored
  m.delete_line(99);
  EXPECT_EQ(m.height(), 3);
}

TEST(LayoutMatrix, ATransparentObjectTakesTheColourOfWhatLiesUnder) {
  auto back = rectangle(0, 0, 200, 100);
  back->fill.set_color(kWinRed);
  auto clear = memo(10, 10, 50, 20, "on red");
  auto own = memo(10, 50, 50, 20, "blue");
  own->fill.set_color(kWinBlue);
  LayoutMatrix m;
  m.add_object(*back);
  m.add_object(*clear);
  m.add_object(*own);
  m.prepare();
  EXPECT_EQ(m.style(m.object(1)->style)->fill, Rgb(0xFF0000));
  EXPECT_EQ(m.style(m.object(2)->style)->fill, Rgb(0x0000FF));  // its own colour wins
  // Not on anything: stays transparent.
  LayoutMatrix alone;
  alone.add_object(*clear);
  alone.prepare();
  EXPECT_FALSE(alone.style(alone.object(0)->style)->fill);
}

TEST(LayoutMatrix, RectanglesBecomeARectCellOrFourLines) {
  auto filled = rectangle(0, 0, 100, 50);
  filled->fill.set_color(kWinRed);
  filled->frame.set_color(kWinBlue);
  filled->frame.set_width(2);
  LayoutMatrix m;
  m.add_object(*filled);
  m.prepare();
  ASSERT_EQ(m.objects_count(), 1);
  const MatrixObject* r = m.object(0);
  EXPECT_EQ(r->name, "Rect");
  EXPECT_TRUE(r->is_text);
  EXPECT_TRUE(r->lines.empty());
  const MatrixStyle* s = m.style(r->style);
  EXPECT_EQ(s->frame_sides, kMatrixLeft | kMatrixTop | kMatrixRight | kMatrixBottom);
  EXPECT_EQ(s->fill, Rgb(0xFF0000));
  EXPECT_EQ(s->lines[kLineTop].color, Rgb(0x0000FF));
  EXPECT_EQ(s->lines[kLineTop].width, 2);

  auto hollow = rectangle(10, 10, 100, 50);
  auto inside = memo(40, 20, 30, 20, "in");
  LayoutMatrix lines;
  lines.add_object(*hollow);
  lines.add_object(*inside);
  lines.prepare();
  // The corners where two edges meet cut the earlier edge into pieces, added after the five.
  ASSERT_GE(lines.objects_count(), 5);
  const uint8_t expected_sides[] = {kMatrixTop, kMatrixLeft, kMatrixTop, kMatrixLeft};
  const std::array<double, 4> expected_bounds[] = {
      {10, 10, 100, 1}, {10, 10, 1, 50}, {10, 60, 100, 1}, {110, 10, 1, 50}};  // top, left, bottom, right
  for (int i = 0; i < 4; ++i) {
    const MatrixObject* o = lines.object(i);
    EXPECT_EQ(o->name, "Line");
    EXPECT_EQ(lines.style(o->style)->frame_sides, expected_sides[i]) << i;
    EXPECT_EQ((std::array<double, 4>{o->left, o->top, o->width, o->height}), expected_bounds[i]) << i;
  }
  // The text inside keeps a cell of its own.
  CellSpan in = lines.object_position(4);
  EXPECT_EQ(lines.object_at(in.x, in.y), lines.object(4));
  EXPECT_EQ(in.dx * in.dy, 1);
}

TEST(LayoutMatrix, LinesBecomeOneSidedCells) {
  auto vertical = std::make_unique<report::LineView>();
  vertical->set_bounds(30, 40, 0, -20);  // drawn upwards
  vertical->frame.set_color(kWinRed);
  auto horizontal = std::make_unique<report::LineView>();
  horizontal->set_bounds(0, 0, 80, 0);
  LayoutMatrix m;
  m.add_object(*vertical);
  m.add_object(*horizontal);
  m.prepare();
  const MatrixObject* v = m.object(0);
  EXPECT_EQ((std::array<double, 4>{v->left, v->top, v->width, v->height}),
            (std::array<double, 4>{30, 20, 1, 20}));
  EXPECT_EQ(m.style(v->style)->frame_sides, kMatrixLeft);
  EXPECT_EQ(m.style(v->style)->lines[kLineLeft].color, Rgb(0xFF0000));
  EXPECT_EQ(m.style(m.object(1)->style)->frame_sides, kMatrixTop);
  EXPECT_EQ(m.object(1)->height, 1);
}

TEST(LayoutMatrix, ADropShadowBecomesTwoShadowStrips) {
  auto a = memo(10, 10, 100, 40, "a");
  a->frame.drop_shadow = true;
  a->frame.shadow_width = 4;
  a->frame.shadow_color = kWinBlue;
  LayoutMatrix m;
  m.add_object(*a);
  m.prepare();
  // The strips meet at the corner, where the bottom one cuts the right one.
  ASSERT_GE(m.objects_count(), 3);
  const MatrixObject* body = m.object(0);
  EXPECT_EQ((std::array<double, 4>{body->left, body->top, body->width, body->height}),
            (std::array<double, 4>{10, 10, 96, 36}));
  EXPECT_EQ(body->lines, std::vector<std::string>{"a"});
  const std::array<double, 4> strips[] = {{106, 14, 4, 36}, {14, 46, 96, 4}};  // right, bottom
  for (int i = 0; i < 2; ++i) {
    const MatrixObject* s = m.object(1 + i);
    EXPECT_EQ(s->name, "Shadow");
    EXPECT_EQ((std::array<double, 4>{s->left, s->top, s->width, s->height}), strips[i]);
    EXPECT_EQ(m.style(s->style)->fill, Rgb(0x0000FF));
  }
}

// A ruled memo becomes a strip of cells per rule, each rule the strip's bottom border in the
// frame's colour, the text lines in order; the memo's own frame stays on its outer edges.
TEST(LayoutMatrix, ARuledMemoBecomesStripsEndingInItsRules) {
  auto a = memo(10, 10, 200, 60, "Pierwsza\r\nDruga");
  a->underlines = true;
  a->frame.typ = report::kFrameLeft | report::kFrameTop;
  a->frame.set_color(kWinRed);
  LayoutMatrix m;
  m.add_object(*a);
  m.prepare();
  // 10-point Arial: lines about 16 units apart, so three rules fit 60 units, and a strip is left.
  ASSERT_EQ(m.objects_count(), 4);
  std::vector<std::vector<std::string>> texts;
  for (int i = 0; i < 4; ++i) {
    const MatrixObject* o = m.object(i);
    const MatrixStyle* st = m.style(o->style);
    texts.push_back(o->lines);
    EXPECT_TRUE(st->has_side(kMatrixLeft)) << i;
    EXPECT_EQ(st->has_side(kMatrixTop), i == 0) << i;
    EXPECT_EQ(st->has_side(kMatrixBottom), i < 3) << i;
    if (i < 3) {
      EXPECT_EQ(st->lines[kLineBottom].color, Rgb(0xFF0000)) << i;
    }
    if (i > 0) {
      EXPECT_DOUBLE_EQ(o->top, m.object(i - 1)->top + m.object(i - 1)->height) << i;
    }
  }
  EXPECT_EQ(texts, (std::vector<std::vector<std::string>>{{"Pierwsza"}, {"Druga"}, {}, {}}));
  EXPECT_NEAR(m.object(1)->height, m.object(2)->height, 0.001);
  EXPECT_DOUBLE_EQ(m.object(3)->top + m.object(3)->height, 70);
}

TEST(LayoutMatrix, FramesOptimizationDrawsASharedLineOnce) {
  struct Case {
    const char* name;
    int64_t lower_color;
    double lower_width;
    uint8_t lower_sides, right_sides;
  } cases[] = {
      {"same line: top and left dropped", 0, 1, kMatrixLeft | kMatrixRight | kMatrixBottom,
       kMatrixTop | kMatrixRight | kMatrixBottom},
      {"other colour: kept", kWinRed, 1, kMatrixLeft | kMatrixTop | kMatrixRight | kMatrixBottom,
       kMatrixTop | kMatrixRight | kMatrixBottom},
      {"other width: kept", 0, 2, kMatrixLeft | kMatrixTop | kMatrixRight | kMatrixBottom,
       kMatrixTop | kMatrixRight | kMatrixBottom},
  };
  for (const Case& c : cases) {
    auto upper = memo(0, 0, 50, 20, "u");
    framed(*upper);
    auto lower = memo(0, 20, 50, 20, "l");
    framed(*lower, c.lower_color, c.lower_width);
    auto right = memo(50, 0, 50, 20, "r");
    framed(*right);
    LayoutMatrix m;
    m.frames_optimization = true;
    for (auto* v : {upper.get(), lower.get(), right.get()}) m.add_object(*v);
    m.prepare();
    EXPECT_EQ(m.style_at(0, 0)->frame_sides, kMatrixLeft | kMatrixTop | kMatrixRight | kMatrixBottom)
        << c.name;
    EXPECT_EQ(m.style_at(0, 1)->frame_sides, c.lower_sides) << c.name;
    EXPECT_EQ(m.style_at(1, 0)->frame_sides, c.right_sides) << c.name;
  }
}

TEST(LayoutMatrix, TallRowsAndWideColumnsAreSplitAtTheMaximum) {
  auto tall = memo(0, 0, 1200, 1200, "t");
  LayoutMatrix m;
  m.max_cell_height = 500;
  m.max_cell_width = 1000;
  m.add_object(*tall);
  m.prepare();
  EXPECT_EQ(rows(m), (Positions{0, 500, 1000, 1200}));
  EXPECT_EQ(columns(m), (Positions{0, 1000, 1200}));
  // One object over all the cells, its text in the first.
  CellSpan s = m.object_position(0);
  EXPECT_EQ(s.dx, 2);
  EXPECT_EQ(s.dy, 3);
  EXPECT_EQ(grid(m), (Rows{"t t", "t t", "t t"}));
}

TEST(LayoutMatrix, PagesAreStackedWithTheirBreaksAndMargins) {
  report::ReportPage page;
  page.left_margin = 10;
  page.right_margin = 20;
  page.mirror_margins = true;
  auto first = memo(0, 0, 100, 300, "1");
  auto second = memo(0, 0, 100, 200, "2");
  LayoutMatrix m;
  m.add_page(page, 0);
  m.add_object(*first);
  m.add_page(page, 1);
  m.add_object(*second);
  m.add_page(page, 2);
  m.prepare();
  ASSERT_EQ(m.pages_count(), 3);
  EXPECT_EQ(m.page_break(0), 0);
  EXPECT_EQ(m.page_break(1), 300);
  EXPECT_EQ(m.page_break(2), 500);
  EXPECT_EQ(m.page_break(3), 0);  // beyond the list
  EXPECT_EQ(m.page_width(3), 0);
  EXPECT_EQ(m.object(1)->top, 300);
  EXPECT_EQ(grid(m), (Rows{"1", "2"}));
  // An odd page of a mirrored report has its margins swapped.
  EXPECT_EQ(m.page_left_margin(0), 10);
  EXPECT_FALSE(m.page_mirror_margin(0));
  EXPECT_EQ(m.page_left_margin(1), 20);
  EXPECT_EQ(m.page_right_margin(1), 10);
  EXPECT_TRUE(m.page_mirror_margin(1));
  EXPECT_EQ(m.page_width(0), page.paper_width());

  // A matrix cleared for the next page starts again at the top.
  m.clear();
  m.add_page(page, 3);
  m.add_object(*second);
  m.prepare();
  EXPECT_EQ(m.page_break(0), 0);
  EXPECT_EQ(m.object(0)->top, 0);
  EXPECT_EQ(rows(m), (Positions{0, 200}));
}

TEST(LayoutMatrix, AlikeObjectsShareOneStyle) {
  auto a = memo(0, 0, 50, 20, "a");
  auto b = memo(0, 20, 50, 20, "b");
  auto bold = memo(0, 40, 50, 20, "c");
  report::Font font = bold->font();
  font.style = 1;
  bold->set_font(font);
  auto centred = memo(0, 60, 50, 20, "d");
  centred->halign = report::HAlign::Center;
  LayoutMatrix m;
  for (auto* v : {a.get(), b.get(), bold.get(), centred.get()}) m.add_object(*v);
  m.prepare();
  EXPECT_EQ(m.styles_count(), 3);
  EXPECT_EQ(m.object(0)->style, m.object(1)->style);
  EXPECT_EQ(m.object(0)->style, 0);  // in order of first appearance
  EXPECT_EQ(m.object(2)->style, 1);
  EXPECT_EQ(m.object(3)->style, 2);
  EXPECT_EQ(m.style(2)->halign, report::HAlign::Center);
  // Dot-matrix reports print one size.
  LayoutMatrix dots;
  dots.dot_matrix = true;
  dots.add_object(*a);
  EXPECT_EQ(dots.style(0)->font.size, 9);
}

// Many styles in turn, a style seen long before, and a matrix cleared for the next page: each
// object gets the index of the style that is really its own.
TEST(LayoutMatrix, StyleIndicesHoldOverManyStylesAndAClear) {
  std::vector<std::unique_ptr<report::MemoView>> sized;
  for (int i = 0; i < 6; ++i) {
    sized.push_back(memo(0, 20 * i, 50, 20, "x"));
    report::Font font = sized.back()->font();
    font.set_size(8 + i);
    sized.back()->set_font(font);
  }
  LayoutMatrix m;
  for (auto& v : sized) m.add_object(*v);
  m.add_object(*sized[0]);  // long after: not among the last styles found
  m.add_object(*sized[5]);
  m.add_object(*sized[3]);
  ASSERT_EQ(m.styles_count(), 6);
  const std::vector<int> expected = {0, 1, 2, 3, 4, 5, 0, 5, 3};
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(m.object(int(i))->style, expected[i]) << i;

  m.clear();
  m.add_object(*sized[5]);
  m.add_object(*sized[2]);
  ASSERT_EQ(m.styles_count(), 2);
  EXPECT_EQ(m.object(0)->style, 0);
  EXPECT_EQ(m.style(0)->font.size, 13);
  EXPECT_EQ(m.object(1)->style, 1);
  EXPECT_EQ(m.style(1)->font.size, 10);
}

TEST(LayoutMatrix, TextIsTakenWrappedAndWithoutTags) {
  auto tagged = memo(0, 0, 300, 20, "<b>gruby</b> tekst");
  tagged->allow_html_tags = true;
  auto narrow = memo(0, 20, 60, 60, "jeden dwa trzy");
  struct Case {
    const char* name;
    bool delete_tags, wrap;
    std::vector<std::string> tagged_lines;
    bool narrow_wraps;
    bool html;
  } cases[] = {
      {"as written", false, false, {"<b>gruby</b> tekst"}, false, true},
      {"tags removed", true, false, {"gruby tekst"}, false, false},
      {"wrapped", false, true, {"gruby tekst"}, true, true},
  };
  for (const Case& c : cases) {
    LayoutMatrix m;
    m.delete_html_tags = c.delete_tags;
    m.wrap_text = c.wrap;
    m.add_object(*tagged);
    m.add_object(*narrow);
    EXPECT_EQ(m.object(0)->lines, c.tagged_lines) << c.name;
    EXPECT_EQ(m.object(0)->html_tags, c.html) << c.name;
    EXPECT_EQ(m.object(1)->lines.size() > 1, c.narrow_wraps) << c.name;
    if (c.narrow_wraps) {
      EXPECT_EQ(m.object(1)->lines.front(), "jeden ") << c.name;  // the blank stays with the line
      EXPECT_EQ(m.object(1)->lines.back(), "dwa trzy") << c.name;
    }
  }
}

TEST(LayoutMatrix, ATextShowingOneNumberCarriesIt) {
  struct Case {
    const char* name;
    core::Variant value;
    const char* format;  // numeric display format, or null for none
    std::string text;
    std::optional<double> number;
  } cases[] = {
      {"value and its text", core::Variant(1234.5), nullptr, "1234,5", 1234.5},
      {"value in a grouped format", core::Variant(1234.5), "#,##0.00", "1\u00A0234,50", 1234.5},
      {"text other than the value", core::Variant(5), nullptr, "5 szt.", std::nullopt},
      {"no value, text read back in its format", core::Variant(), "#,##0.00", "-1\u00A0234,50", -1234.5},
      {"no value, leading zeros are no number", core::Variant(), "0", "00123", std::nullopt},
      {"no value, no numeric format", core::Variant(), nullptr, "123", std::nullopt},
      {"a string value", core::Variant("123"), nullptr, "123", std::nullopt},
  };
  for (const Case& c : cases) {
    auto m = memo(0, 0, 100, 20, c.text);
    m->value = c.value;
    if (c.format) {
      m->display_format().kind = report::FormatKind::Numeric;
      m->display_format().format_str = c.format;
    }
    LayoutMatrix matrix;
    matrix.numbers = true;
    matrix.add_object(*m);
    EXPECT_EQ(matrix.object(0)->number, c.number) << c.name;
    if (c.format) {
      EXPECT_EQ(matrix.style(0)->format.format_str, c.format) << c.name;
    }
    // A writer that shows only the text does not ask for the number; the text is the same.
    LayoutMatrix text_only;
    text_only.add_object(*m);
    EXPECT_EQ(text_only.object(0)->number, std::nullopt) << c.name;
    EXPECT_EQ(text_only.object(0)->lines, matrix.object(0)->lines) << c.name;
  }
}

TEST(LayoutMatrix, OtherObjectsAreRenderedToPicturesWithoutTheirFrame) {
  auto ellipse = rectangle(10, 10, 40, 20);
  ellipse->shape = report::ShapeKind::Ellipse;
  ellipse->fill.set_color(kWinRed);
  framed(*ellipse, kWinBlue);
  LayoutMatrix m;
  m.add_object(*ellipse);
  const MatrixObject* o = m.object(0);
  EXPECT_FALSE(o->is_text);
  ASSERT_EQ(o->picture.width, 41);
  ASSERT_EQ(o->picture.height, 21);
  auto pixel = [&](int x, int y) {
    const uint8_t* p = &o->picture.rgba[(size_t(y) * 41 + size_t(x)) * 4];
    return std::array<int, 4>{p[0], p[1], p[2], p[3]};
  };
  EXPECT_EQ(pixel(20, 10), (std::array<int, 4>{255, 0, 0, 255}));    // inside the ellipse
  EXPECT_EQ(pixel(0, 0), (std::array<int, 4>{255, 255, 255, 255}));  // outside: white
  EXPECT_EQ(m.style(o->style)->frame_sides, kMatrixLeft | kMatrixTop | kMatrixRight | kMatrixBottom);
  std::string png = o->picture.png();
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");

  // Too large to render: an empty cell, not gigabytes of pixels.
  auto huge = rectangle(0, 0, 9000, 9000);
  huge->shape = report::ShapeKind::Ellipse;
  LayoutMatrix big;
  big.add_object(*huge);
  EXPECT_TRUE(big.object(0)->picture.empty());
  EXPECT_TRUE(big.object(0)->is_text);

  // Without images the object stays an empty cell with its style.
  LayoutMatrix plain;
  plain.images = false;
  plain.add_object(*ellipse);
  EXPECT_TRUE(plain.object(0)->is_text);
  EXPECT_TRUE(plain.object(0)->picture.empty());
}

TEST(LayoutMatrix, ThePageBackgroundIsTakenOnlyWhenAskedFor) {
  auto back = std::make_unique<report::PictureView>();
  back->set_name(kPageBackgroundName);
  back->set_bounds(0, 0, 100, 100);
  struct Case {
    bool background, printable, view_printable;
    int objects;
  } cases[] = {
      {true, true, true, 1},
      {false, true, true, 0},
      {false, false, true, 0},
      {false, false, false, 1},  // a not printable background when not printable objects go out
  };
  for (const Case& c : cases) {
    back->set_printable(c.view_printable);
    LayoutMatrix m;
    m.background = c.background;
    m.printable = c.printable;
    m.add_object(*back);
    EXPECT_EQ(m.objects_count(), c.objects) << c.background << c.printable << c.view_printable;
  }
}

TEST(LayoutMatrix, AreaFillPutsAWhiteObjectUnderEverything) {
  auto a = memo(20, 30, 50, 20, "a");
  for (bool crop : {false, true}) {
    LayoutMatrix m;
    m.area_fill = true;
    m.crop_area_fill = crop;
    m.add_object(*a);
    m.prepare();
    const MatrixObject* fill = m.object(0);
    EXPECT_EQ(fill->left, crop ? 20 : 0);
    EXPECT_EQ(fill->top, crop ? 30 : 0);
    EXPECT_EQ(fill->left + fill->width, 70);
    EXPECT_EQ(m.style(fill->style)->fill, Rgb(0xFFFFFF));
    // The object lies on the fill and takes its white.
    EXPECT_EQ(m.style(m.object(1)->style)->fill, Rgb(0xFFFFFF));
    EXPECT_EQ(m.object_at(m.width() - 2, m.height() - 2)->lines[0], "a");
  }
}

TEST(LayoutMatrix, TurnedAndHatchedTextBecomesAPictureWhenAsked) {
  auto turned = memo(0, 0, 20, 80, "obrócony");
  turned->rotation = 90;
  auto hatched = memo(20, 0, 80, 20, "kreskowany");
  hatched->fill.set_color(kWinRed);
  static_cast<report::BrushFill&>(hatched->fill.fill()).style = report::BrushStyle::Cross;
  struct Case {
    bool rotated_as_image, brush_as_bitmap;
    bool turned_text, hatched_text;
  } cases[] = {{false, false, true, true}, {true, false, false, true}, {false, true, true, false}};
  for (const Case& c : cases) {
    LayoutMatrix m;
    m.rotated_as_image = c.rotated_as_image;
    m.brush_as_bitmap = c.brush_as_bitmap;
    m.add_object(*turned);
    m.add_object(*hatched);
    EXPECT_EQ(m.object(0)->is_text, c.turned_text) << c.rotated_as_image << c.brush_as_bitmap;
    EXPECT_EQ(m.object(0)->picture.empty(), c.turned_text);
    EXPECT_EQ(m.object(1)->is_text, c.hatched_text) << c.rotated_as_image << c.brush_as_bitmap;
    EXPECT_EQ(m.style(m.object(0)->style)->rotation, 90);
    EXPECT_EQ(m.style(m.object(1)->style)->brush_style, report::BrushStyle::Cross);
  }
}

TEST(LayoutMatrix, HeaderAndFooterObjectsAreMarkedAndAnchorsBecomePageNumbers) {
  report::Report r;
  auto* page = r.add_new<report::ReportPage>();
  auto* header = page->add_new<report::PageHeader>();
  auto* footer = page->add_new<report::PageFooter>();
  auto* data = page->add_new<report::MasterData>();
  auto* in_header = header->add_new<report::MemoView>();
  in_header->url = "#druga";
  auto* in_footer = footer->add_new<report::MemoView>();
  auto* in_data = data->add_new<report::MemoView>();
  in_data->hyperlink.value = "https://example.org/";

  report::PreparedPages store(r);
  store.initialize();
  store.add_source_page(*page);
  store.begin_pass(report::PreparePass::Single);
  store.add_page(*page);
  store.add_page(*page);
  store.add_anchor("druga", 0);
  store.finish();

  LayoutMatrix m;
  m.set_page_header(header);
  m.set_page_footer(footer);
  m.anchors = &store;
  for (auto* v : {in_header, in_footer, in_data}) m.add_object(*v);
  EXPECT_TRUE(m.object(0)->header);
  EXPECT_FALSE(m.object(0)->footer);
  EXPECT_TRUE(m.object(1)->footer);
  EXPECT_FALSE(m.object(2)->header || m.object(2)->footer);
  EXPECT_EQ(m.object(0)->url, "@2");
  EXPECT_EQ(m.object(2)->url, "https://example.org/");

  // A hyperlink naming an anchor or a page links inside the report as the URL does.
  in_data->hyperlink.kind = report::HyperlinkKind::Anchor;
  in_data->hyperlink.value = "druga";
  in_footer->hyperlink.kind = report::HyperlinkKind::PageNumber;
  in_footer->hyperlink.value = "1";
  m.add_object(*in_data);
  m.add_object(*in_footer);
  EXPECT_EQ(m.object(3)->url, "@2");
  EXPECT_EQ(m.object(4)->url, "@1");
}

TEST(LayoutMatrix, SharedColumnsAndProgressOfThePasses) {
  auto a = memo(0, 0, 100, 20, "a");
  LayoutMatrix m;
  int last_pass = 0, passes = 0;
  m.on_progress = [&](int pass, int of) {
    EXPECT_EQ(pass, last_pass + 1);
    last_pass = pass;
    passes = of;
  };
  m.add_column_boundary(250);
  m.add_column_boundary(40);
  m.add_object(*a);
  m.prepare();
  EXPECT_EQ(m.column_boundaries(), (Positions{0, 40, 100, 250}));
  EXPECT_EQ(grid(m), (Rows{"a a ."}));
  EXPECT_EQ(last_pass, passes);
  EXPECT_GT(passes, 1);
}

}  // namespace
}  // namespace orvena::exporting
