// A chart's table: aggregation per category, order, top N with "Pozostałe", several series on
// one category axis, and the attribute text that carries the table to the writers.
#include <gtest/gtest.h>

#include "report/chart_data.h"

namespace orvena::report {
namespace {

using Points = std::vector<std::pair<std::string, std::optional<double>>>;

Points points_of(const std::vector<ChartPoint>& points) {
  Points out;
  for (const ChartPoint& p : points) out.emplace_back(p.category, p.value);
  return out;
}

// Rows in the order a query gives them: B first, a null and a text among the values.
const std::vector<ChartRow> kRows = {
    {"B", 4}, {"A", 1}, {"C", 10}, {"A", 5}, {"B", std::nullopt}, {"D", 2}, {"C", -3}, {"E", 0.5},
};

struct AggregationCase {
  const char* name;
  ChartPointOptions options;
  Points expected;
};

class ChartAggregationTest : public ::testing::TestWithParam<AggregationCase> {};

TEST_P(ChartAggregationTest, GivesTheExpectedPoints) {
  EXPECT_EQ(points_of(aggregate_points(kRows, GetParam().options)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChartAggregationTest,
    ::testing::Values(
        // B's null is no number: it counts as a row but adds nothing.
        AggregationCase{"SumFirstSeen", {}, {{"B", 4}, {"A", 6}, {"C", 7}, {"D", 2}, {"E", 0.5}}},
        AggregationCase{
            "Count", {ChartAggregation::Count}, {{"B", 2}, {"A", 2}, {"C", 2}, {"D", 1}, {"E", 1}}},
        AggregationCase{
            "Average", {ChartAggregation::Avg}, {{"B", 4}, {"A", 3}, {"C", 3.5}, {"D", 2}, {"E", 0.5}}},
        AggregationCase{
            "Min", {ChartAggregation::Min}, {{"B", 4}, {"A", 1}, {"C", -3}, {"D", 2}, {"E", 0.5}}},
        AggregationCase{
            "Max", {ChartAggregation::Max}, {{"B", 4}, {"A", 5}, {"C", 10}, {"D", 2}, {"E", 0.5}}},
        // Without aggregation every row is a point, a repeated category included.
        AggregationCase{
            "None",
            {ChartAggregation::None},
            {{"B", 4}, {"A", 1}, {"C", 10}, {"A", 5}, {"B", std::nullopt}, {"D", 2}, {"C", -3}, {"E", 0.5}}},
        AggregationCase{"SortedByCategory",
                        {ChartAggregation::Sum, ChartOrder::Category},
                        {{"A", 6}, {"B", 4}, {"C", 7}, {"D", 2}, {"E", 0.5}}},
        AggregationCase{"LargestFirst",
                        {ChartAggregation::Sum, ChartOrder::ValueDesc},
                        {{"C", 7}, {"A", 6}, {"B", 4}, {"D", 2}, {"E", 0.5}}},
        AggregationCase{"SmallestFirst",
                        {ChartAggregation::Sum, ChartOrder::ValueAsc},
                        {{"E", 0.5}, {"D", 2}, {"B", 4}, {"A", 6}, {"C", 7}}},
        // The two largest keep their first-seen order; the rest is B + D + E.
        AggregationCase{"TopTwo",
                        {ChartAggregation::Sum, ChartOrder::FirstSeen, 2},
                        {{"A", 6}, {"C", 7}, {"Pozostałe", 6.5}}},
        // The rest of an average is the average of the rest's numbers (A's 1 and 5, D's 2, E's 0.5),
        // not the average of their averages (1.83).
        AggregationCase{"TopTwoAverage",
                        {ChartAggregation::Avg, ChartOrder::ValueDesc, 2},
                        {{"B", 4}, {"C", 3.5}, {"Pozostałe", 8.5 / 4}}},
        AggregationCase{"TopTwoMin",
                        {ChartAggregation::Min, ChartOrder::FirstSeen, 2},
                        {{"B", 4}, {"D", 2}, {"Pozostałe", -3}}},
        // As many categories as N: nothing is gathered.
        AggregationCase{"TopFiveOfFive",
                        {ChartAggregation::Count, ChartOrder::FirstSeen, 5},
                        {{"B", 2}, {"A", 2}, {"C", 2}, {"D", 1}, {"E", 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChartAggregation, CategoriesSortAsNumbersWhenBothAreNumbers) {
  std::vector<ChartRow> rows = {{"10", 1}, {"9", 1}, {"b", 1}, {"2", 1}, {"a", 1}};
  auto p = points_of(aggregate_points(rows, {ChartAggregation::Sum, ChartOrder::Category}));
  ASSERT_EQ(p.size(), 5u);
  EXPECT_EQ(p[0].first, "2");
  EXPECT_EQ(p[1].first, "9");
  EXPECT_EQ(p[2].first, "10");
}

TEST(ChartAggregation, ACategoryWithoutNumbersHasNoValueButCounts) {
  std::vector<ChartRow> rows = {{"A", std::nullopt}, {"A", std::nullopt}};
  EXPECT_EQ(points_of(aggregate_points(rows, {})), (Points{{"A", std::nullopt}}));
  EXPECT_EQ(points_of(aggregate_points(rows, {ChartAggregation::Count})), (Points{{"A", 2}}));
}

TEST(ChartTableTest, SeriesShareTheCategoriesOfTheFirstThenAddTheirOwn) {
  ChartTable t =
      combine_series({{"2025", 0x1FFFFFFF, {{"A", 1}, {"B", 2}}}, {"2026", 255, {{"C", 3}, {"A", 4}}}});
  EXPECT_EQ(t.categories, (std::vector<std::string>{"A", "B", "C"}));
  ASSERT_EQ(t.series.size(), 2u);
  EXPECT_EQ(t.series[0].values, (std::vector<std::optional<double>>{1, 2, std::nullopt}));
  EXPECT_EQ(t.series[1].values, (std::vector<std::optional<double>>{4, std::nullopt, 3}));
  EXPECT_EQ(t.series[1].color, 255);
  EXPECT_FALSE(t.empty());
}

TEST(ChartTableTest, RepeatedCategoriesStayApart) {
  ChartTable t = combine_series({{"s", 0x1FFFFFFF, {{"A", 1}, {"A", 2}}}, {"t", 0x1FFFFFFF, {{"A", 3}}}});
  EXPECT_EQ(t.categories, (std::vector<std::string>{"A", "A"}));
  EXPECT_EQ(t.series[1].values, (std::vector<std::optional<double>>{3, std::nullopt}));
}

TEST(ChartTableTest, NoValuesIsEmpty) {
  EXPECT_TRUE(combine_series({}).empty());
  EXPECT_TRUE(combine_series({{"s", 0x1FFFFFFF, {{"A", std::nullopt}}}}).empty());
}

TEST(ChartTableTest, TheAttributeTextGivesBackTheTable) {
  ChartTable t = combine_series({{"Kwota\tbrutto", 0x1FFFFFFF, {{"Łódź", 1234.5}, {"Gdańsk\nPort", -0.1}}},
                                 {"Ilość", 16711680, {{"Łódź", std::nullopt}, {"Kraków", 1e20}}}});
  ChartTable back = decode_chart_table(encode_chart_table(t));
  // Tabs and line breaks inside texts become spaces; everything else comes back exactly.
  EXPECT_EQ(back.categories, (std::vector<std::string>{"Łódź", "Gdańsk Port", "Kraków"}));
  ASSERT_EQ(back.series.size(), 2u);
  EXPECT_EQ(back.series[0].title, "Kwota brutto");
  EXPECT_EQ(back.series[0].values, t.series[0].values);
  EXPECT_EQ(back.series[1].values, t.series[1].values);
  EXPECT_EQ(back.series[1].color, 16711680);
}

TEST(ChartTableTest, TextThatIsNoTableReadsAsEmpty) {
  for (const char* text : {"", "x", "C\tA\nX\t1", "C\tA\nS"}) {
    SCOPED_TRACE(text);
    EXPECT_TRUE(decode_chart_table(text).series.empty());
  }
}

}  // namespace
}  // namespace orvena::report
