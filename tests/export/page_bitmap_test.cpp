// A prepared page on a bitmap: placed at its margins, zoomed as a whole, and showing only what the
// writers receive.
#include <gtest/gtest.h>

#include <vector>

#include "export/page_bitmap.h"
#include "report/bands.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::exporting {
namespace {

constexpr report::canvas::Rgb kWhite = 0xFFFFFF;
constexpr report::canvas::Rgb kBlack = 0x000000;

class PageBitmap : public ::testing::Test {
 protected:
  PageBitmap() {
    page = r.add_new<report::ReportPage>();
    page->set_name("Page1");
    page->set_paper_width(50);
    page->set_paper_height(40);
    page->left_margin = 10;  // 37.8 units
    page->top_margin = 5;    // 18.9 units
    band = page->add_new<report::MasterData>();
    band->set_bounds(0, 20, 100, 40);
    box = add_box(10, 10, 20, 10);  // absolute: 47.8 .. 67.8 across, 48.9 .. 58.9 down
  }

  report::ShapeView* add_box(double l, double t, double w, double h) {
    auto* s = band->add_new<report::ShapeView>();
    s->set_bounds(l, t, w, h);
    s->fill.set_color(0);  // black
    return s;
  }

  report::Report r;
  report::ReportPage* page = nullptr;
  report::MasterData* band = nullptr;
  report::ShapeView* box = nullptr;
};

TEST_F(PageBitmap, ObjectsSitInsideTheMarginsAndGrowWithTheZoom) {
  struct Case {
    const char* name;
    double zoom;
  } cases[] = {{"100 %", 1}, {"50 %", 0.5}, {"250 %", 2.5}};
  for (const Case& c : cases) {
    auto bitmap = draw_page_bitmap(*page, 0, 1, c.zoom);
    BitmapSize size = page_bitmap_size(*page, c.zoom);
    EXPECT_EQ(bitmap->width(), size.width) << c.name;
    EXPECT_NEAR(size.width, page->width() * c.zoom, 1) << c.name;
    auto at = [&](double x, double y) { return bitmap->pixel(int(x * c.zoom), int(y * c.zoom)); };
    EXPECT_EQ(at(57, 54), kBlack) << c.name << ": inside the box";
    EXPECT_EQ(at(44, 54), kWhite) << c.name << ": left of it, where it would be without the margin";
    EXPECT_EQ(at(57, 45), kWhite) << c.name << ": above it";
    EXPECT_EQ(at(72, 54), kWhite) << c.name << ": right of it";
  }
}

TEST_F(PageBitmap, OnlyWhatTheWritersReceiveIsDrawn) {
  box->visibility = report::kVisPreview | report::kVisPrint;  // not exported
  auto hidden = draw_page_bitmap(*page, 0, 1, 1);
  EXPECT_EQ(hidden->pixel(57, 54), kWhite);

  // Mirrored margins put odd pages at the right margin.
  box->visibility |= report::kVisExport;
  page->mirror_margins = true;
  page->right_margin = 0;
  auto odd = draw_page_bitmap(*page, 1, 2, 1);
  EXPECT_EQ(odd->pixel(57, 54), kWhite);
  EXPECT_EQ(odd->pixel(20, 54), kBlack);
}

// The page frame along the margins, as the PDF page has it; on a mirrored odd page the margins
// trade places and the frame follows them.
TEST_F(PageBitmap, ThePageFrameRunsAlongTheMargins) {
  page->frame.typ = report::kFrameLeft | report::kFrameTop;
  page->frame.set_width(2);
  page->right_margin = 0;
  for (double zoom : {1.0, 2.0}) {
    auto bitmap = draw_page_bitmap(*page, 0, 1, zoom);
    auto at = [&](double x, double y) { return bitmap->pixel(int(x * zoom), int(y * zoom)); };
    EXPECT_EQ(at(37.5, 30), kBlack) << zoom << ": left side";
    EXPECT_EQ(at(100, 18.5), kBlack) << zoom << ": top side";
    EXPECT_EQ(at(42, 30), kWhite) << zoom << ": inside";
  }
  page->mirror_margins = true;
  auto odd = draw_page_bitmap(*page, 1, 2, 1);
  EXPECT_EQ(odd->pixel(37, 30), kWhite);
  EXPECT_EQ(odd->pixel(0, 30), kBlack);
}

// A ruled memo draws a line under every text line that fits its height, in its frame's colour,
// whether or not text stands on it, and also in a writer's bitmap (TIFF, preview). With 10-point
// Arial a line is about 16 units high, so a 60-unit memo holds three rules and the first lies
// below the first text line's letters.
TEST_F(PageBitmap, UnderlinesRuleEveryLineThatFitsInTheFrameColour) {
  auto* memo = band->add_new<report::MemoView>();
  memo->set_bounds(0, 0, 100, 60);  // absolute 37.8 .. 137.8 across, 38.9 .. 98.9 down
  memo->set_text("ab");
  memo->frame.set_color(0x0000FF);  // red as Windows gives it
  memo->underlines = true;
  box->visible = false;
  auto bitmap = draw_page_bitmap(*page, 0, 1, 1);
  // A rule between two pixel rows is smoothed over both: a rule is a run of reddish rows.
  auto rules = [&] {
    std::vector<int> starts;
    bool previous = false;
    for (int y = 39; y < 99; ++y) {
      report::canvas::Rgb p = bitmap->pixel(120, y);
      int red = int(p >> 16), green = int((p >> 8) & 0xFF);
      bool reddish = red > 200 && red - green > 60;
      if (reddish && !previous) starts.push_back(y);
      previous = reddish;
    }
    return starts;
  };
  std::vector<int> ruled = rules();
  ASSERT_EQ(ruled.size(), 3u) << "rules at x 120";
  EXPECT_GT(ruled[0], 50);
  EXPECT_NEAR(ruled[1] - ruled[0], ruled[2] - ruled[1], 1);

  memo->underlines = false;
  bitmap = draw_page_bitmap(*page, 0, 1, 1);
  EXPECT_TRUE(rules().empty());
}

}  // namespace
}  // namespace orvena::exporting
