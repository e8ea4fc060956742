// Totals driven as page generation drives them: registered from the page, added after each
// record, read by footers, reset after them, kept aside while a block is kept.
#include <gtest/gtest.h>

#include "core/error.h"
#include "memo_support.h"
#include "report/memo/aggregates.h"

namespace orvena::report::testing {
namespace {

using core::Variant;

constexpr const char* kField = "<Dane.\"kwota\">";

// Groups A (10, null, 30) and B (5, 7).
class Totals : public MemoRun {
 protected:
  void SetUp() override {
    MemoRun::SetUp();
    report.engine_options.convert_nulls = false;  // so AVG meets a real null
    set_rows({{{"grupa", Variant("A")}, {"kwota", Variant(10)}},
              {{"grupa", Variant("A")}, {"kwota", Variant::null()}},
              {{"grupa", Variant("A")}, {"kwota", Variant(30)}},
              {{"grupa", Variant("B")}, {"kwota", Variant(5)}},
              {{"grupa", Variant("B")}, {"kwota", Variant(7.5)}}});
    group_header = add_band<GroupHeader>("GroupHeader1", 80);
    group_header->condition = "Dane.\"grupa\"";
    group_footer = add_band<GroupFooter>("GroupFooter1", 130);
    footer = add_band<FooterBand>("Footer1", 160);
    page_footer = add_band<PageFooter>("PageFooter1", 300);
  }

  // The run: each record added, the group footer printed and reset at each change of group,
  // the footer printed after the last record. Returns the texts of the footers as printed.
  std::vector<std::string> run() {
    EngineContext& c = start();
    c.totals().add_items(totals_scopes(*page));
    std::vector<std::string> printed;
    std::string group;
    for (dane->first(); !dane->eof(); dane->next()) {
      std::string g = dane->value("grupa").to_string();
      if (!group.empty() && g != group) print_footer(*group_footer, printed);
      group = g;
      c.totals().add_value(*master);
    }
    print_footer(*group_footer, printed);
    print_footer(*footer, printed);
    return printed;
  }

  void print_footer(Band& band, std::vector<std::string>& printed) {
    for (const auto& obj : band.objects())
      if (auto* m = dynamic_cast<CustomMemoView*>(obj.get())) printed.push_back(print(*m));
    ctx->totals().reset(band);
  }

  GroupHeader* group_header = nullptr;
  GroupFooter* group_footer = nullptr;
  FooterBand* footer = nullptr;
  PageFooter* page_footer = nullptr;
};

TEST_F(Totals, FunctionsOverTheBandWithNullsSkippedByAvg) {
  std::string f = kField;
  add_memo(
      footer, "Memo1",
      "[SUM(" + f + ")]|[AVG(" + f + ")]|[MIN(" + f + ")]|[MAX(" + f + ")]|[COUNT()]|[COUNT(MasterData1)]");
  // 52.5 over 4 values: the null counts for COUNT only.
  EXPECT_EQ(run(), (std::vector<std::string>{"52,5|13,125|5|30|5|5"}));
}

TEST_F(Totals, AGroupFooterStartsFromZeroAfterItPrintsUnlessRunning) {
  add_memo(group_footer, "Memo1", std::string("[SUM(") + kField + ")] [SUM(" + kField + ", MasterData1, 2)]");
  EXPECT_EQ(run(), (std::vector<std::string>{"40 40", "12,5 52,5"}));
}

TEST_F(Totals, InvisibleBandsCountOnlyWithFlagOne) {
  master->visible = false;
  add_memo(footer, "Memo1", "[COUNT(MasterData1)] [COUNT(MasterData1, 1)]");
  EXPECT_EQ(run(), (std::vector<std::string>{"0 5"}));
}

TEST_F(Totals, RegistrationSkipsQuotedTextAndExpandsVariables) {
  report.variables.push_back(std::make_unique<Variable>());
  report.variables.back()->name = "Suma";
  report.variables.back()->value = std::string("SUM(") + kField + ")";
  add_memo(footer, "Memo1", "[IIF(False, 'SUM(x)', (Suma))] [Suma] ['[MAX(1)]']");
  std::vector<std::string> printed = run();
  ASSERT_EQ(ctx->totals().items().size(), 1u);
  const AggregateItem& item = *ctx->totals().items()[0];
  EXPECT_EQ(item.function, AggregateFunction::Sum);
  EXPECT_EQ(item.expression, kField);
  EXPECT_EQ(item.band, master);
  EXPECT_EQ(item.parent_band, footer);
  EXPECT_EQ(printed, (std::vector<std::string>{"52,5 52,5 [MAX(1)]"}));
}

TEST_F(Totals, PageFooterAdditionsWaitWhileKeptAndGoWhenTheBlockIsCut) {
  add_memo(page_footer, "Memo1", std::string("[SUM(") + kField + ")]");
  EngineContext& c = start();
  c.totals().add_items(totals_scopes(*page));
  ASSERT_EQ(c.totals().items().size(), 1u);
  EXPECT_EQ(c.totals().items()[0]->band, master);  // the page's first data band

  auto sum = [&] { return c.totals().get_value(page_footer, AggregateFunction::Sum, kField, nullptr, 0); };
  dane->first();
  c.totals().add_value(*master);  // 10
  c.totals().start_keep();
  dane->next();
  dane->next();
  c.totals().add_value(*master);  // 30, kept aside
  EXPECT_EQ(sum(), Variant(10));
  c.totals().end_keep(AggregateList::KeepEnd::Discard);
  EXPECT_EQ(sum(), Variant(10));
  c.totals().start_keep();
  c.totals().add_value(*master);
  c.totals().end_keep(AggregateList::KeepEnd::Merge);
  EXPECT_EQ(sum(), Variant(40));

  // Undoing the last addition, then clearing everything.
  dane->next();
  c.totals().add_value(*master);  // 5
  EXPECT_EQ(sum(), Variant(45));
  c.totals().delete_value(*master);
  EXPECT_EQ(sum(), Variant(40));
  c.totals().clear_values();
  EXPECT_EQ(sum(), Variant(0));
}

// A cross-tab: records 0, 2, 4 (10, 30, 7.5) go to column 0, records 1, 3 (null, 5) to column 1.
// Each column is read back apart, as the footer's text shows it printed in that column.
TEST_F(Totals, VerticalBandColumnsAreTotalledApart) {
  MemoView* m = add_memo(footer, "Memo1", std::string("[SUM(") + kField + ")] [COUNT()]");
  EngineContext& c = start();
  c.totals().add_items(totals_scopes(*page));
  int record = 0;
  for (dane->first(); !dane->eof(); dane->next()) c.totals().add_value(*master, record++ % 2);
  auto shown = [&](int column) {
    c.state.vertical_column = column;
    return print(*m);
  };
  EXPECT_EQ(shown(0), "47,5 3");
  EXPECT_EQ(shown(1), "5 2");
  EXPECT_EQ(shown(7), "0 0");   // a column nothing went to
  EXPECT_EQ(shown(-1), "0 0");  // the columns are not the band's whole total

  c.totals().delete_value(*master);  // the last addition: 7.5 to column 0
  EXPECT_EQ(shown(0), "40 2");
  EXPECT_EQ(shown(1), "5 2");
  c.totals().reset(*footer);
  EXPECT_EQ(shown(0), "0 0");

  // The last column kept apart is 1000; past it the addition is refused, not lost in silence.
  dane->first();
  c.totals().add_value(*master, kMaxTotalColumns - 1);
  EXPECT_EQ(shown(kMaxTotalColumns - 1), "10 1");
  EXPECT_THROW(c.totals().add_value(*master, kMaxTotalColumns), core::Error);
  EXPECT_EQ(shown(kMaxTotalColumns - 1), "10 1");
}

TEST_F(Totals, VerticalColumnsWaitWhileKeptAndAVerticalBandTotalsItself) {
  auto* vertical = add_band<MasterData>("Vertical1", 0);
  vertical->vertical = true;
  add_memo(vertical, "Memo2", "[COUNT()]");
  add_memo(page_footer, "Memo1", std::string("[SUM(") + kField + ")]");
  EngineContext& c = start();
  c.totals().add_items(totals_scopes(*page));
  ASSERT_EQ(c.totals().items().size(), 2u);
  EXPECT_EQ(c.totals().items()[0]->parent_band, vertical);
  EXPECT_EQ(c.totals().items()[0]->band, vertical);

  auto column = [&](int k) {
    return c.totals().get_value(page_footer, AggregateFunction::Sum, kField, nullptr, 0, k);
  };
  dane->first();
  c.totals().add_value(*master, 2);  // 10
  c.totals().start_keep();
  c.totals().add_value(*master, 2);
  c.totals().add_value(*master, 4);
  EXPECT_EQ(column(2), Variant(10));
  EXPECT_EQ(column(4), Variant(0));
  c.totals().end_keep(AggregateList::KeepEnd::Discard);
  EXPECT_EQ(column(2), Variant(10));
  c.totals().start_keep();
  c.totals().add_value(*master, 4);
  c.totals().end_keep(AggregateList::KeepEnd::Merge);
  EXPECT_EQ(column(2), Variant(10));
  EXPECT_EQ(column(4), Variant(10));
  c.totals().clear_values();
  EXPECT_EQ(column(2), Variant(0));
}

TEST_F(Totals, ReadingMatchesBandFlagsAndExpressionIgnoringCaseAndBlanks) {
  add_memo(footer, "Memo1", std::string("[SUM(") + kField + ", MasterData1)]");
  run();
  AggregateList& t = ctx->totals();
  t.reset(*footer);
  dane->first();
  t.add_value(*master);
  EXPECT_EQ(t.get_value(footer, AggregateFunction::Sum, " <dane.\"KWOTA\"> ", master, 0), Variant(10));
  EXPECT_EQ(t.get_value(footer, AggregateFunction::Sum, kField, nullptr, 0), Variant(10));
  EXPECT_EQ(t.get_value(footer, AggregateFunction::Sum, kField, master, 2), Variant(0));        // other flags
  EXPECT_EQ(t.get_value(group_footer, AggregateFunction::Sum, kField, master, 0), Variant(0));  // other band
  EXPECT_EQ(t.get_value(footer, AggregateFunction::Max, kField, master, 0), Variant(0));  // other function
}

TEST(TotalsScopes, FootersGroupFootersAndPageBandsFindTheirDataBands) {
  Report report;
  auto* page = report.add_new<ReportPage>();
  auto band = [&](auto* b, double top) {
    b->set_bounds(0, top, 700, 20);
    return b;
  };
  auto* summary = band(page->add_new<ReportSummary>(), 500);
  auto* gh = band(page->add_new<GroupHeader>(), 40);
  auto* master = band(page->add_new<MasterData>(), 60);
  master->row_count = 3;
  auto* detail = band(page->add_new<DetailData>(), 80);
  detail->row_count = 2;
  auto* detail_footer = band(page->add_new<FooterBand>(), 100);
  auto* gf = band(page->add_new<GroupFooter>(), 120);
  auto* master_footer = band(page->add_new<FooterBand>(), 140);
  auto* child = band(page->add_new<ChildBand>(), 160);
  master_footer->set_child(child);

  std::vector<TotalsScope> scopes = totals_scopes(*page);
  auto counted = [&](Band* b) -> DataBand* {
    for (auto& s : scopes)
      if (s.band == b) return s.counted;
    return nullptr;
  };
  (void)gh;
  EXPECT_EQ(counted(detail_footer), detail);
  EXPECT_EQ(counted(gf), master);
  EXPECT_EQ(counted(master_footer), master);
  EXPECT_EQ(counted(child), master);
  EXPECT_EQ(counted(summary), master);
}

}  // namespace
}  // namespace orvena::report::testing
