#pragma once
// What a chart shows, apart from how it looks: the rows its series read, their aggregation per
// category, and the finished table of categories × series that the drawing and the workbook
// writer take. The table travels with the printed chart as one attribute text, so a prepared page
// rebuilt from its record draws the same chart.
//
//   std::vector<ChartPoint> p = aggregate_points(rows, {.aggregation = ChartAggregation::Sum});
//   ChartTable t = combine_series({{"Obroty", kNoColor, p}});
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvena::report {

enum class ChartAggregation : uint8_t { None, Sum, Count, Avg, Min, Max };
inline constexpr std::string_view kChartAggregationNames[] = {"agNone", "agSum", "agCount",
                                                              "agAvg",  "agMin", "agMax"};
enum class ChartOrder : uint8_t { FirstSeen, Category, ValueDesc, ValueAsc };
inline constexpr std::string_view kChartOrderNames[] = {"soFirstSeen", "soCategory", "soValueDesc",
                                                        "soValueAsc"};

// The category that gathers what a top-N series leaves out.
inline constexpr std::string_view kChartRestCategory = "Pozostałe";

// One record as a series reads it; no value when the value is null or not a number.
struct ChartRow {
  std::string category;
  std::optional<double> value;
};

struct ChartPointOptions {
  ChartAggregation aggregation = ChartAggregation::Sum;
  ChartOrder order = ChartOrder::FirstSeen;
  int top_n = 0;  // 0: every category
};

// A category's value; none when no record of it held a number (and the aggregation is not Count).
struct ChartPoint {
  std::string category;
  std::optional<double> value;
};

// Categories in the order asked for. Without aggregation each row is its own point. A top-N keeps
// the N largest values (the first seen of equal ones) in that order and gathers the others, with
// the same aggregation over their records, into "Pozostałe" at the end.
std::vector<ChartPoint> aggregate_points(const std::vector<ChartRow>& rows, const ChartPointOptions& options);

struct ChartSeriesData {
  std::string title;
  int64_t color = 0x1FFFFFFF;                 // a Windows colour; clNone takes the palette's
  std::vector<std::optional<double>> values;  // one per category of the table
};

struct ChartTable {
  std::vector<std::string> categories;
  std::vector<ChartSeriesData> series;
  bool empty() const;  // no category holds a value
};

struct SeriesPoints {
  std::string title;
  int64_t color = 0x1FFFFFFF;
  std::vector<ChartPoint> points;
};

// One table over all series: the categories of the first in its order, then those the others add.
// A category repeated within a series (no aggregation) stays a separate column.
ChartTable combine_series(const std::vector<SeriesPoints>& series);

// The attribute text of a table and back. A text that is not a table reads as an empty table.
std::string encode_chart_table(const ChartTable& table);
ChartTable decode_chart_table(std::string_view text);

}  // namespace orvena::report
