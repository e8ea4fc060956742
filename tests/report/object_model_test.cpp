// The report tree: geometry units, paper and orientation, columns, names, tree walks, band
// numbering, alignment and saved bounds.
#include <gtest/gtest.h>

#include "core/error.h"
#include "core/version.h"
#include "report/bands.h"
#include "report/pages.h"
#include "report/paper.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::report {
namespace {

TEST(Paper, NewPageIsA4PortraitOf794By1123Units) {
  ReportPage page;
  EXPECT_EQ(page.paper_size(), 9);
  EXPECT_EQ(page.orientation(), Orientation::Portrait);
  // 210 × 3.77953 = 793.70 and 297 × 3.77953 = 1122.52, rounded.
  EXPECT_EQ(page.width(), 794);
  EXPECT_EQ(page.height(), 1123);
  EXPECT_EQ(page.bin, 7);
  EXPECT_EQ(page.bin_other_pages, 7);
  EXPECT_EQ(page.left_margin + page.right_margin + page.top_margin + page.bottom_margin, 0);
}

TEST(Paper, TableHoldsCodesOneToSixtyEightWithoutFortyEightAndFortyNine) {
  EXPECT_EQ(paper_count(), 66);
  EXPECT_FALSE(find_paper(48));
  EXPECT_FALSE(find_paper(49));
  EXPECT_FALSE(find_paper(0));
  EXPECT_FALSE(find_paper(69));
  struct Row {
    int code, width, height;
  } rows[] = {{1, 2159, 2794}, {8, 2970, 4200}, {9, 2100, 2970}, {11, 1480, 2100}, {66, 4200, 5940}};
  for (const Row& r : rows) {
    auto p = find_paper(r.code);
    ASSERT_TRUE(p) << r.code;
    EXPECT_EQ(p->width, r.width) << r.code;
    EXPECT_EQ(p->height, r.height) << r.code;
  }
}

TEST(Paper, SizeCodesAndDirectDimensions) {
  ReportPage page;
  page.set_paper_size(8);  // A3
  EXPECT_EQ(page.paper_width(), 297);
  EXPECT_EQ(page.paper_height(), 420);
  EXPECT_EQ(page.width(), 1123);
  page.set_paper_width(100);  // direct dimensions make the paper custom
  EXPECT_EQ(page.paper_size(), 256);
  EXPECT_EQ(page.width(), 378);
  page.set_paper_size(300);  // custom codes leave the dimensions alone
  EXPECT_EQ(page.paper_width(), 100);
  page.set_orientation(Orientation::Landscape);
  page.set_paper_size(11);  // A5, swapped for landscape
  EXPECT_EQ(page.paper_width(), 210);
  EXPECT_EQ(page.paper_height(), 148);
}

TEST(Paper, LandscapeRotatesTheMargins) {
  ReportPage page;
  page.left_margin = 10, page.right_margin = 5, page.top_margin = 20, page.bottom_margin = 15;
  page.set_orientation(Orientation::Landscape);
  EXPECT_EQ(page.paper_width(), 297);
  EXPECT_EQ(page.paper_height(), 210);
  EXPECT_EQ(page.left_margin, 20);
  EXPECT_EQ(page.right_margin, 15);
  EXPECT_EQ(page.top_margin, 5);
  EXPECT_EQ(page.bottom_margin, 10);
  EXPECT_EQ(page.width(), 1123);
  EXPECT_EQ(page.height(), 794);

  page.set_orientation(Orientation::Landscape);  // the same orientation again changes nothing
  EXPECT_EQ(page.left_margin, 20);
  EXPECT_EQ(page.paper_width(), 297);

  page.set_orientation(Orientation::Portrait);  // and back
  EXPECT_EQ(page.left_margin, 10);
  EXPECT_EQ(page.right_margin, 5);
  EXPECT_EQ(page.top_margin, 20);
  EXPECT_EQ(page.bottom_margin, 15);
  EXPECT_EQ(page.paper_width(), 210);
}

TEST(Paper, ColumnsDivideThePrintableWidth) {
  ReportPage page;
  page.left_margin = page.right_margin = 10;
  page.set_columns(2);
  EXPECT_EQ(page.column_width, 95);
  EXPECT_EQ(page.column_positions, (std::vector<std::string>{"0", "95"}));
  page.set_columns(3);
  EXPECT_EQ(page.column_positions, (std::vector<std::string>{"0", "63,3333333333333", "126,666666666667"}));
  page.set_columns(0);
  EXPECT_TRUE(page.column_positions.empty());
  page.set_page_count(0);  // below 1 is ignored
  EXPECT_EQ(page.page_count(), 1);
}

struct ReportWithMemos : ::testing::Test {
  Report report;
  ReportPage* page = report.add_new<ReportPage>();
  MasterData* band = page->add_new<MasterData>();
  MemoView* memo1 = band->add_new<MemoView>();
  MemoView* memo3 = band->add_new<MemoView>();
  void SetUp() override {
    page->create_unique_name();
    band->create_unique_name();
    memo1->set_name("Memo1");
    memo3->set_name("memo3");
  }
};

TEST_F(ReportWithMemos, UniqueNamesTakeTheSmallestFreeNumber) {
  EXPECT_EQ(page->name(), "Page1");
  EXPECT_EQ(band->name(), "MasterData1");
  auto* third = band->add_new<MemoView>();
  third->create_unique_name();
  EXPECT_EQ(third->name(), "Memo2");
  auto* line = band->add_new<LineView>();
  line->create_unique_name();
  EXPECT_EQ(line->name(), "Line1");
  // Outside a report the parent's objects count.
  MasterData loose;
  loose.add_new<MemoView>()->set_name("Memo1");
  auto* other = loose.add_new<MemoView>();
  other->create_unique_name();
  EXPECT_EQ(other->name(), "Memo2");
}

TEST_F(ReportWithMemos, DuplicateNamesIgnoringCaseAreRefused) {
  auto* memo = band->add_new<MemoView>();
  try {
    memo->set_name("MEMO1");
    FAIL() << "duplicate accepted";
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Nazwa jest już użyta");
  }
  EXPECT_EQ(memo->name(), "");
  // Setting the same name in another case does nothing.
  memo1->set_name("MEMO1");
  EXPECT_EQ(memo1->name(), "Memo1");
  // A destroyed object frees its name.
  memo1->destroy();
  memo->set_name("Memo1");
  EXPECT_EQ(report.find_object("memo1"), memo);
  EXPECT_THROW(memo->set_name("9lives"), core::Error);
  // Moving a subtree out of the report takes its names along.
  std::unique_ptr<Component> detached = band->set_parent(nullptr);
  EXPECT_EQ(report.find_object("Memo1"), nullptr);
  auto* again = page->add_new<MemoView>();
  EXPECT_NO_THROW(again->set_name("Memo1"));
}

TEST_F(ReportWithMemos, TreeWalksAndLookups) {
  auto* child = page->add_new<ChildBand>();
  child->set_name("Child1");
  std::vector<Component*> all = report.all_objects();
  std::vector<std::string> names;
  for (Component* c : all) names.push_back(c->name());
  EXPECT_EQ(names, (std::vector<std::string>{"Data", "Page1", "MasterData1", "Memo1", "memo3", "Child1"}));
  EXPECT_EQ(report.find_object("MEMO3"), memo3);
  EXPECT_EQ(report.find_object("nothing"), nullptr);
  EXPECT_EQ(memo3->report(), &report);
  EXPECT_EQ(memo3->page(), page);
  MemoView loose;
  EXPECT_EQ(loose.report(), nullptr);
  EXPECT_EQ(loose.page(), nullptr);

  band->set_bounds(0, 100, 700, 20);
  memo3->set_bounds(5, 3, 10, 10);
  EXPECT_EQ(memo3->abs_left(), 5);
  EXPECT_EQ(memo3->abs_top(), 103);

  memo3->set_parent(child);  // moves to the end of the new parent's list
  EXPECT_EQ(band->count(), 1u);
  EXPECT_EQ(child->object(0), memo3);
}

TEST_F(ReportWithMemos, ReferencesEmptyWhenTheirTargetIsDestroyed) {
  memo1->flow_to.reset(memo3);
  EXPECT_EQ(memo1->flow_to.get(), memo3);
  memo3->destroy();
  EXPECT_EQ(memo1->flow_to.get(), nullptr);
}

TEST(Bands, KindNumbersAndDisplayNames) {
  struct Row {
    std::unique_ptr<Band> band;
    int number;
    const char* display;
  };
  Row rows[] = {
      {std::make_unique<ReportTitle>(), 0, "ReportTitle"},
      {std::make_unique<ReportSummary>(), 1, "ReportSummary"},
      {std::make_unique<PageHeader>(), 2, "PageHeader"},
      {std::make_unique<PageFooter>(), 3, "PageFooter"},
      {std::make_unique<HeaderBand>(), 4, "Header"},
      {std::make_unique<FooterBand>(), 5, "Footer"},
      {std::make_unique<MasterData>(), 6, "MasterData"},
      {std::make_unique<DetailData>(), 7, "DetailData"},
      {std::make_unique<SubdetailData>(), 8, "SubdetailData"},
      {std::make_unique<DataBand4>(), 9, "Data4"},
      {std::make_unique<DataBand5>(), 10, "Data5"},
      {std::make_unique<DataBand6>(), 11, "Data6"},
      {std::make_unique<GroupHeader>(), 12, "GroupHeader"},
      {std::make_unique<GroupFooter>(), 13, "GroupFooter"},
      {std::make_unique<ChildBand>(), 14, "Child"},
      {std::make_unique<ColumnHeader>(), 15, "ColumnHeader"},
      {std::make_unique<ColumnFooter>(), 16, "ColumnFooter"},
      {std::make_unique<Overlay>(), 17, "Overlay"},
      {std::make_unique<NullBand>(), 0, "Null"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(r.band->kind_number(), r.number) << r.band->class_name();
    EXPECT_EQ(r.band->display_name(), r.display);
  }
}

TEST(Bands, CircularChildChainsAreRefused) {
  MasterData master;
  ChildBand a, b;
  master.set_child(&a);
  a.set_child(&b);
  try {
    b.set_child(&master);
    FAIL();
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Circular child reference is not allowed");
  }
  EXPECT_THROW(a.set_child(&a), core::Error);
  EXPECT_EQ(b.child(), nullptr);
}

// Views of a 300 × 100 band, each row: Align, the view's bounds before, after.
TEST(Align, ChildrenFollowTheirAlignment) {
  MasterData band;
  band.set_bounds(0, 0, 300, 100);
  auto add = [&](Align a, double l, double t, double w, double h) {
    auto* m = band.add_new<MemoView>();
    m->align = a;
    m->set_bounds(l, t, w, h);
    return m;
  };
  auto* fixed = add(Align::None, 100, 0, 50, 20);
  auto* left = add(Align::Left, 170, 0, 20, 20);    // after `fixed`, which overlaps it vertically
  auto* lone = add(Align::Left, 40, 50, 20, 10);    // nothing before it on its rows
  auto* right = add(Align::Right, 200, 0, 30, 20);  // to the parent's right edge
  // baWidth first moves right of the nearest overlapping view before it (`bottom`, still at its
  // design top 0 then), then stretches to the parent's width.
  auto* width = add(Align::Width, 60, 25, 10, 10);
  auto* center = add(Align::Center, 0, 80, 100, 5);
  auto* bottom = add(Align::Bottom, 0, 0, 10, 30);
  band.align_children();
  EXPECT_EQ(fixed->left(), 100);
  EXPECT_EQ(left->left(), 150);
  EXPECT_EQ(lone->left(), 0);
  EXPECT_EQ(right->left(), 270);
  EXPECT_EQ(width->left(), 10);
  EXPECT_EQ(width->width(), 290);
  EXPECT_EQ(center->left(), 100);
  EXPECT_EQ(bottom->top(), 70);

  MasterData other;
  other.set_bounds(0, 0, 300, 100);
  auto* client = other.add_new<MemoView>();
  client->align = Align::Client;
  other.align_children();
  EXPECT_EQ(client->width(), 300);
  EXPECT_EQ(client->height(), 100);
}

TEST(Align, PageFitsBandsToThePrintableWidthOrColumns) {
  ReportPage page;
  page.left_margin = page.right_margin = 10;
  page.set_columns(2);
  auto* title = page.add_new<ReportTitle>();
  auto* master = page.add_new<MasterData>();
  master->set_left(5);
  page.align_children();
  EXPECT_NEAR(title->width(), 190 * kUnitsPerMm, 1e-9);  // printable width
  EXPECT_NEAR(master->width(), 95 * kUnitsPerMm, 1e-9);  // one column
  EXPECT_EQ(page.width(), 794);                          // the page keeps its paper size
}

TEST(SavedBounds, PrintingNeverOutlivesOnePrinting) {
  MemoView memo;
  memo.set_bounds(1, 2, 3, 4);
  memo.tag_str = "[x]";
  memo.before_print();
  memo.set_bounds(10, 20, 30, 40);
  memo.tag_str = "expanded";
  memo.after_print();
  EXPECT_EQ(memo.left(), 1);
  EXPECT_EQ(memo.height(), 4);
  EXPECT_EQ(memo.tag_str, "[x]");
}

TEST(Defaults, NewObjects) {
  Report r;
  EXPECT_STREQ(r.version.c_str(), core::kVersion);
  EXPECT_EQ(r.script_language, "PascalScript");
  EXPECT_EQ(r.script_text, (std::vector<std::string>{"begin", "", "end."}));
  Subreport sub;
  EXPECT_EQ(sub.frame.typ, 15);
  EXPECT_EQ(sub.font().name, "Tahoma");
  EXPECT_EQ(sub.font().size(), 8);
  EXPECT_EQ(sub.fill.color(), 12632256);
  EXPECT_FALSE(sub.style_flags & kPreviewVisible);
  MemoView memo;
  EXPECT_EQ(memo.font().name, "Arial");
  EXPECT_EQ(memo.font().size(), 10);
  EXPECT_EQ(memo.font().height, -13);
  EXPECT_EQ(memo.style_flags, unsigned(kPreviewVisible | kHandlesNestedProperties));
  EXPECT_EQ(ShapeView().style_flags, unsigned(kPreviewVisible | kDefaultDiff));
  CheckBoxView check;
  EXPECT_DOUBLE_EQ(check.width(), 5 * kUnitsPerMm);
  BarCodeView barcode;
  EXPECT_EQ(barcode.font().size(), 9);
  EXPECT_EQ(barcode.text, "12345678");
}

TEST(Fonts, ParentFontFollowsTheParentUntilChanged) {
  MasterData band;
  Font big;
  big.set_size(14);
  band.set_font(big);
  auto* memo = band.add_new<MemoView>();
  EXPECT_EQ(memo->font().size(), 14);
  Font small;
  small.set_size(8);
  memo->set_font(small);
  EXPECT_FALSE(memo->parent_font());
  band.set_font(big);
  EXPECT_EQ(memo->font().size(), 8);
  memo->set_parent_font(true);
  EXPECT_EQ(memo->font().size(), 14);
}

}  // namespace
}  // namespace orvena::report
