// The export walk over prepared pages: the order of the filter's operations, which pages and
// objects reach the filter (page lists, DataOnly, export visibility, suppressed headers and
// footers), the placement of mirrored pages, and the guarantees when a filter fails.
#include <gtest/gtest.h>

#include <new>

#include "core/error.h"
#include "core/text.h"
#include "export/filter.h"
#include "report/bands.h"
#include "report/memo/memo_text.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::exporting {
namespace {

TEST(PageNumbers, ExpandAgainstThePageCount) {
  struct Row {
    const char* text;
    std::vector<int> pages;
  } rows[] = {
      {"", {}},                    // all pages
      {"2-", {2, 3, 4, 5}},        // an open range runs to the last of five pages
      {"1, 3", {1, 3}},            // spaces do not count
      {"3-4,1", {3, 4, 1}},        // ranges and single pages, in the order given
      {"1,3-5,8-", {1, 3, 4, 5}},  // a range starting past the end adds nothing
  };
  for (const Row& r : rows) EXPECT_EQ(expand_page_numbers(r.text, 5), r.pages) << r.text;
  EXPECT_THROW(expand_page_numbers("1,a", 5), core::Error);
  EXPECT_THROW(expand_page_numbers("2--3", 5), core::Error);
}

// Writes down every call it gets, as "start", "page 0", "Title", "/page 0", "finish".
class RecordingFilter : public ExportFilter {
 public:
  RecordingFilter() : ExportFilter({.extension = ".rec"}) { show_dialog = false; }
  bool start() override {
    calls.push_back("start");
    return accept;
  }
  void start_page(report::ReportPage& page, int index) override {
    calls.push_back("page " + std::to_string(index));
  }
  void export_object(report::Component& object) override {
    if (object.name() == fail_on) throw core::Error("Nie można zapisać");
    if (object.name() == exhaust_on) throw std::bad_alloc();
    if (object.name() == stop_on) report->terminated = true;
    if (object.name() != kPageBackgroundName) calls.push_back(object.name());
  }
  // The page is placed on its paper between start_page() and the first object.
  void finish_page(report::ReportPage& page, int index) override {
    calls.push_back("/page " + std::to_string(index));
    placed.push_back({page.left(), page.top()});
  }
  void finish() override { calls.push_back("finish"); }

  bool accept = true;
  std::string fail_on, stop_on, exhaust_on;
  std::vector<std::string> calls;
  std::vector<std::pair<double, double>> placed;
};

// Three pages, each with a page header (Title), one data row (Name, hidden from exports:
// Secret) and a page footer (Foot).
class Walk : public ::testing::Test {
 protected:
  void SetUp() override {
    report.engine_options.set_silent_mode(true);
    page = report.add_new<report::ReportPage>();
    page->set_name("Page1");
    page->left_margin = 10;
    page->right_margin = 20;
    header = page->add_new<report::PageHeader>();
    header->set_name("Header");
    header->set_height(20);
    header->add_new<report::MemoView>()->set_name("Title");
    data = page->add_new<report::MasterData>();
    data->set_name("Rows");
    data->set_height(20);
    data->add_new<report::MemoView>()->set_name("Name");
    auto* secret = data->add_new<report::MemoView>();
    secret->set_name("Secret");
    secret->visibility = report::kVisPreview | report::kVisPrint;
    footer = page->add_new<report::PageFooter>();
    footer->set_name("Footer");
    footer->set_height(20);
    footer->add_new<report::MemoView>()->set_name("Foot");
  }

  void print(int pages) {
    store.initialize();
    store.add_source_page(*page);
    store.begin_pass(report::PreparePass::Single);
    for (int p = 0; p < pages; ++p) {
      store.add_page(*page);
      header->set_top(0);
      store.add_object(*header);
      data->set_top(20);
      store.add_object(*data);
      footer->set_top(1000);
      store.add_object(*footer);
    }
    store.finish();
  }

  std::vector<std::string> pages_of(const std::vector<std::string>& calls) {
    std::vector<std::string> out;
    for (auto& c : calls)
      if (c.starts_with("page ")) out.push_back(c.substr(5));
    return out;
  }

  report::Report report;
  report::ReportPage* page;
  report::PageHeader* header;
  report::MasterData* data;
  report::PageFooter* footer;
  report::PreparedPages store{report};
  RecordingFilter filter;
};

TEST_F(Walk, CallsEveryOperationInOrderAndLeavesOutObjectsHiddenFromExports) {
  print(1);
  EXPECT_TRUE(export_report(report, store, filter));
  EXPECT_EQ(filter.calls, (std::vector<std::string>{"start", "page 0", "Header", "Title", "Rows", "Name",
                                                    "Footer", "Foot", "/page 0", "finish"}));
  EXPECT_EQ(store.cached_pages(), 0u) << "the rebuilt page stays in memory after its export";
}

TEST_F(Walk, NoPagesStillStartsAndFinishes) {
  print(0);
  EXPECT_TRUE(export_report(report, store, filter));
  EXPECT_EQ(filter.calls, (std::vector<std::string>{"start", "finish"}));
}

TEST_F(Walk, PageListsChooseThePages) {
  print(3);
  struct Row {
    const char* numbers;
    bool cur_page;
    std::vector<std::string> pages;
  } rows[] = {{"2-", false, {"1", "2"}}, {"3,1", false, {"0", "2"}}, {"", true, {"0"}}, {"9", false, {}}};
  for (const Row& r : rows) {
    filter.calls.clear();
    filter.page_numbers = r.numbers;
    filter.cur_page = r.cur_page;
    EXPECT_TRUE(export_report(report, store, filter));
    EXPECT_EQ(pages_of(filter.calls), r.pages) << r.numbers;
  }
}

TEST_F(Walk, SuppressedHeadersAndFootersAppearOnTheFirstAndLastPageOnly) {
  print(3);
  filter.suppress_page_headers_footers = true;
  export_report(report, store, filter);
  auto count = [&](const std::string& name) {
    return std::count(filter.calls.begin(), filter.calls.end(), name);
  };
  EXPECT_EQ(count("Title"), 1);
  EXPECT_EQ(count("Foot"), 1);
  EXPECT_EQ(count("Name"), 3);
  // The header belongs to the first page, the footer to the last.
  auto at = [&](const std::string& name) {
    return std::find(filter.calls.begin(), filter.calls.end(), name);
  };
  EXPECT_LT(at("Title"), at("/page 0"));
  EXPECT_GT(at("Foot"), at("page 2"));
}

TEST_F(Walk, DataOnlyPassesOnlyTheObjectsOfDataBands) {
  print(1);
  filter.data_only = true;
  export_report(report, store, filter);
  EXPECT_EQ(filter.calls, (std::vector<std::string>{"start", "page 0", "Name", "/page 0", "finish"}));
}

TEST_F(Walk, MirroredMarginsPlaceOddIndexedPagesAtTheRightMargin) {
  page->mirror_margins = true;
  page->top_margin = 5;
  print(2);
  export_report(report, store, filter);
  ASSERT_EQ(filter.placed.size(), 2u);
  EXPECT_NEAR(filter.placed[0].first, 10 * kPixelsPerMillimetre, 1e-9);
  EXPECT_NEAR(filter.placed[1].first, 20 * kPixelsPerMillimetre, 1e-9);
  EXPECT_NEAR(filter.placed[1].second, 5 * kPixelsPerMillimetre, 1e-9);
}

TEST_F(Walk, AFailingObjectStillFinishesPageAndExportAndIsReported) {
  print(2);
  filter.fail_on = "Name";
  EXPECT_FALSE(export_report(report, store, filter));
  EXPECT_EQ(filter.calls,
            (std::vector<std::string>{"start", "page 0", "Header", "Title", "Rows", "/page 0", "finish"}));
  ASSERT_EQ(report.errors().size(), 1u);
  EXPECT_EQ(report.errors()[0], "Nie można zapisać");
}

TEST_F(Walk, RunningOutOfMemoryIsReportedInOurWords) {
  print(1);
  filter.exhaust_on = "Name";
  EXPECT_FALSE(export_report(report, store, filter));
  EXPECT_EQ(report.errors(), std::vector<std::string>{"Za mało pamięci operacyjnej, by dokończyć raport."});
}

TEST_F(Walk, TerminationEndsQuietlyAndDeclinedStartFinishesNothing) {
  print(2);
  filter.stop_on = "Title";
  EXPECT_TRUE(export_report(report, store, filter));
  EXPECT_EQ(filter.calls,
            (std::vector<std::string>{"start", "page 0", "Header", "Title", "/page 0", "finish"}));
  EXPECT_TRUE(report.errors().empty());

  filter.calls.clear();
  filter.stop_on.clear();
  filter.accept = false;
  EXPECT_TRUE(export_report(report, store, filter));
  EXPECT_EQ(filter.calls, (std::vector<std::string>{"start"}));
}

// Page-count macros are resolved as the walk hands a text object over; texts that cannot hold
// one are passed by without the rewrite, and must come out as the rewrite would give them.
TEST(WalkMacros, TextsComeOutAsTheMacroRewriteGivesThem) {
  const std::vector<std::vector<std::string>> texts = {
      {"Strona [TOTALPAGES#]"},
      {"[totalpages#] z [CopyName#]"},  // any case; no copy name set
      {"bez makr"},
      {"12#3"},
      {"a", ""},  // a last empty line
      {""},       // one empty line
      {},         // no lines
      {"x\ny"},   // a line break inside a line
      {"a", "", "b"},
  };
  report::Report report;
  auto* page = report.add_new<report::ReportPage>();
  auto* band = page->add_new<report::MasterData>();
  std::vector<report::MemoView*> memos;
  for (const auto& lines : texts) {
    auto* memo = band->add_new<report::MemoView>();
    memo->memo = lines;
    memos.push_back(memo);
  }
  visit_page_objects(*page, 0, 7, {}, [](report::Component&) {});
  for (size_t i = 0; i < texts.size(); ++i) {
    std::string joined = core::join_crlf(texts[i]);
    EXPECT_EQ(memos[i]->memo, core::split_lines(report::memo_text::extract_macros(joined, "7", "")))
        << joined;
  }
  EXPECT_EQ(memos[0]->memo, std::vector<std::string>{"Strona 7"});

  // A text object that does not evaluate its text keeps it as it is.
  memos[0]->memo = {"Strona [TOTALPAGES#]"};
  memos[0]->allow_expressions = false;
  visit_page_objects(*page, 0, 7, {}, [](report::Component&) {});
  EXPECT_EQ(memos[0]->memo, std::vector<std::string>{"Strona [TOTALPAGES#]"});
}

// An auto-width memo reaches the writers as wide as its widest line, measured once its text is
// final (after the page count is known); others keep the template's width.
TEST(WalkAutoWidth, TheMemoTakesTheWidthOfItsText) {
  report::Report report;
  auto* page = report.add_new<report::ReportPage>();
  auto* band = page->add_new<report::MasterData>();
  auto make = [&](const char* text, bool auto_width) {
    auto* memo = band->add_new<report::MemoView>();
    memo->set_bounds(0, 0, 20, 20);
    memo->set_text(text);
    memo->word_wrap = false;
    memo->auto_width = auto_width;
    return memo;
  };
  report::MemoView* short_text = make("i", true);
  report::MemoView* long_text = make("Strona [TOTALPAGES#] z wielu stron raportu", true);
  report::MemoView* fixed = make("Strona [TOTALPAGES#] z wielu stron raportu", false);
  std::vector<double> widths;
  visit_page_objects(*page, 0, 7, {}, [&](report::Component& c) {
    if (&c == long_text) widths.push_back(c.width());
  });
  EXPECT_EQ(long_text->memo, std::vector<std::string>{"Strona 7 z wielu stron raportu"});
  EXPECT_EQ(widths, std::vector<double>{long_text->calc_width()});
  EXPECT_GT(long_text->width(), 150);  // 31 characters of 10-point Arial
  EXPECT_LT(short_text->width(), 20);
  EXPECT_EQ(short_text->width(), short_text->calc_width());
  EXPECT_EQ(fixed->width(), 20);
}

// A writer is offered only where it was added: making one lists it nowhere, and two
// registries (two sessions) do not share their writers.
TEST(FilterRegistry, OffersTheWritersAddedToItInOrder) {
  struct Named : ExportFilter {
    using ExportFilter::ExportFilter;
    void export_object(report::Component&) override {}
  };
  FilterRegistry registry, other;
  Named alone({.extension = ".x", .description = "Samotny"});
  ExportFilter& csv =
      registry.add(std::make_unique<Named>(FilterKind{.extension = ".csv", .description = "Plik CSV"}));
  ExportFilter& pdf =
      registry.add(std::make_unique<Named>(FilterKind{.extension = ".pdf", .description = "PDF dokument"}));
  EXPECT_EQ(registry.filters(), (std::vector<ExportFilter*>{&csv, &pdf}));
  EXPECT_EQ(registry.menu_captions(), (std::vector<std::string>{"Plik CSV...", "PDF dokument..."}));
  EXPECT_EQ(pdf.default_ext, ".pdf");
  EXPECT_TRUE(other.filters().empty());
}

}  // namespace
}  // namespace orvena::exporting
