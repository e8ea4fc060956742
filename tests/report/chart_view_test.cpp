// Charts while a report is generated: which rows each chart reads (the whole result in a title or
// summary, its group's rows in a group footer), without moving the bands' walk, and templates
// from other producers whose chart attributes are left out with one notice.
#include <gtest/gtest.h>

#include "engine_support.h"
#include "report/chart.h"

namespace orvena::report {
namespace {

using Values = std::vector<std::optional<double>>;
using Strings = std::vector<std::string>;

class ChartGeneration : public fixtures::Generation {
 protected:
  // The tables the charts named `name` printed, in page order.
  std::vector<std::pair<std::string, ChartTable>> printed(const std::string& name) {
    std::vector<std::pair<std::string, ChartTable>> out;
    for (int i = 0; i < pages.count(); ++i) {
      for (Component* c : pages.page(i).all_objects())
        if (auto* chart = dynamic_cast<ChartView*>(c); chart && chart->name() == name)
          out.emplace_back(chart->title, decode_chart_table(chart->chart_data));
      pages.clear_cache();
    }
    return out;
  }
};

TEST_F(ChartGeneration, ATitleChartReadsTheWholeResultByFieldOrExpression) {
  load("chart_groups");
  std::string dump = generate();
  auto charts = printed("TitleChart");
  ASSERT_EQ(charts.size(), 1u) << dump;
  const ChartTable& t = charts[0].second;
  EXPECT_EQ(t.categories, (Strings{"A", "B", "C"}));
  ASSERT_EQ(t.series.size(), 2u);
  // Sums of kwota (1 + 2, 3, 4 + 5 + 6) and the largest kwota * 10 per group.
  EXPECT_EQ(t.series[0].values, (Values{3, 3, 15}));
  EXPECT_EQ(t.series[0].title, "kwota");  // no title: the value source names it
  EXPECT_EQ(t.series[1].values, (Values{20, 30, 60}));
  EXPECT_EQ(t.series[1].title, "x10");
}

TEST_F(ChartGeneration, AGroupFooterChartReadsTheRowsOfItsGroupAndTheRowsStillPrintInOrder) {
  load("chart_groups");
  std::string dump = generate();
  auto charts = printed("GroupChart");
  ASSERT_EQ(charts.size(), 3u) << dump;
  EXPECT_EQ(charts[0].first, "Grupa A");
  EXPECT_EQ(charts[0].second.categories, (Strings{"Żuraw", "Łąka"}));
  EXPECT_EQ(charts[0].second.series[0].values, (Values{1, 2}));
  EXPECT_EQ(charts[1].first, "Grupa B");
  EXPECT_EQ(charts[1].second.categories, (Strings{"c"}));
  EXPECT_EQ(charts[2].first, "Grupa C");
  EXPECT_EQ(charts[2].second.categories, (Strings{"d", "e", "f"}));
  EXPECT_EQ(charts[2].second.series[0].values, (Values{4, 5, 6}));
  // Reading the rows put the source back where the walk left it: every row once, in order.
  std::string rows;
  for (size_t at = dump.find("RowText"); at != std::string::npos; at = dump.find("RowText", at + 1))
    rows += dump.substr(dump.find('"', at) + 1, 1);
  EXPECT_EQ(rows, "123456") << dump;
}

TEST_F(ChartGeneration, ASummaryChartCountsAndKeepsTheTopCategory) {
  load("chart_groups");
  generate();
  auto charts = printed("SummaryChart");
  ASSERT_EQ(charts.size(), 1u);
  EXPECT_EQ(charts[0].second.categories, (Strings{"C", "Pozostałe"}));
  EXPECT_EQ(charts[0].second.series[0].values, (Values{3, 3}));
}

TEST_F(ChartGeneration, AnEmptyResultGivesEmptyTables) {
  load("chart_groups", "select * from t where id < 0");
  generate();
  auto charts = printed("TitleChart");
  ASSERT_EQ(charts.size(), 1u);
  EXPECT_TRUE(charts[0].second.empty());
  EXPECT_EQ(charts[0].second.series.size(), 2u);
}

TEST_F(ChartGeneration, UnknownChartAttributesAndElementsGiveOneNoticeAndNoError) {
  load("chart_groups");  // fails on any error, "Nie znaleziono klasy" included
  generate();
  EXPECT_TRUE(report.errors().empty());
  EXPECT_EQ(
      report.notices(),
      (Strings{
          "Wykresy: pominięto nieznane właściwości szablonu: <SeriesGallery>, Chart.Depth, Foo, View3D"}));
}

TEST_F(ChartGeneration, TheTemplateKeepsItsSeriesAndNotThePrintedData) {
  load("chart_groups");
  generate();  // printing fills the charts' data and puts the template's back
  std::string saved = report.save_to_stream();
  EXPECT_NE(
      saved.find(
          R"(<TrpChartSeries Name="GroupCounts" DataSet="rpDBDataset1" DataSetName="DaneOrvena" Category="grupa" Aggregation="agCount" Order="soValueDesc" TopN="1"/>)"),
      std::string::npos)
      << saved;
  EXPECT_NE(saved.find(R"(ChartKind="ckBar")"), std::string::npos);
  EXPECT_EQ(saved.find("ChartData"), std::string::npos);
  Report again;
  again.load_from_stream(saved);
  EXPECT_TRUE(again.errors().empty());
  auto* series = dynamic_cast<ChartSeries*>(again.find_object("GroupCounts"));
  ASSERT_NE(series, nullptr);
  EXPECT_EQ(series->aggregation, ChartAggregation::Count);
  EXPECT_EQ(series->order, ChartOrder::ValueDesc);
  EXPECT_EQ(series->top_n, 1);
}

}  // namespace
}  // namespace orvena::report
