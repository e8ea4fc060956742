// The chart part of a workbook: which DrawingML groups each chart kind makes, the references into
// its block of the data sheet, and the cached values a reader shows before it recalculates.
#include <gtest/gtest.h>

#include <regex>

#include "export/xlsx/chart_part.h"

namespace orvena::exporting::xlsx {
namespace {

using report::ChartKind;

NativeChart two_series(ChartKind kind) {
  NativeChart c;
  c.kind = kind;
  c.table = report::combine_series({{"2025", report::kNoColor, {{"Łódź", 1.5}, {"Kraków", 2}}},
                                    {"2026", report::kNoColor, {{"Łódź", 3}, {"Kraków", std::nullopt}}}});
  c.series_colors = {0x4472C4, 0xED7D31};
  c.category_colors = {0x4472C4, 0xED7D31};
  return c;
}

// The element names that open a series group or an axis, in order.
std::string groups(const std::string& xml) {
  std::string out;
  std::regex open(
      R"(<c:(barChart|lineChart|areaChart|pieChart|doughnutChart|catAx|valAx|barDir val="\w+")>?)");
  for (std::sregex_iterator i(xml.begin(), xml.end(), open), end; i != end; ++i)
    out += (out.empty() ? "" : " ") + (*i)[1].str();
  return out;
}

TEST(XlsxChartPart, EachKindMakesItsGroups) {
  struct Case {
    ChartKind kind;
    const char* groups;
  } cases[] = {
      {ChartKind::Column, R"(barChart barDir val="col" catAx valAx)"},
      {ChartKind::Bar, R"(barChart barDir val="bar" catAx valAx)"},
      {ChartKind::Line, "lineChart catAx valAx"},
      {ChartKind::Area, "areaChart catAx valAx"},
      // Pies have no axes and show the first series only.
      {ChartKind::Pie, "pieChart"},
      {ChartKind::Doughnut, "doughnutChart"},
      // Columns for the first series, a line for the others, over the same two axes.
      {ChartKind::ColumnLine, R"(barChart barDir val="col" lineChart catAx valAx)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.kind));
    std::string xml = chart_xml(two_series(c.kind), 0);
    EXPECT_EQ(groups(xml), c.groups) << xml;
    size_t series = 0;
    for (size_t at = xml.find("<c:ser>"); at != std::string::npos; at = xml.find("<c:ser>", at + 1)) ++series;
    bool pie = c.kind == ChartKind::Pie || c.kind == ChartKind::Doughnut;
    EXPECT_EQ(series, pie ? 1u : 2u);
  }
}

TEST(XlsxChartPart, SeriesReferToTheirBlockAndCacheTheirValues) {
  // A block starting on the sheet's 11th row (10 from 0): titles there, categories below.
  std::string xml = chart_xml(two_series(ChartKind::Column), 10);
  EXPECT_NE(xml.find("<c:f>'Dane wykresów'!$C$11</c:f>"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<c:f>'Dane wykresów'!$A$12:$A$13</c:f>"), std::string::npos);
  EXPECT_NE(xml.find("<c:f>'Dane wykresów'!$C$12:$C$13</c:f>"), std::string::npos);
  EXPECT_NE(xml.find(R"(<c:pt idx="0"><c:v>Łódź</c:v></c:pt>)"), std::string::npos);
  EXPECT_NE(xml.find(R"(<c:pt idx="1"><c:v>2</c:v></c:pt>)"), std::string::npos);
  // Kraków has no 2026 value: the second series caches one point of its two.
  EXPECT_NE(xml.find(R"(<c:ptCount val="2"/><c:pt idx="0"><c:v>3</c:v></c:pt></c:numCache>)"),
            std::string::npos);
  EXPECT_EQ(chart_data_rows(two_series(ChartKind::Column)), 4u);  // titles, 2 categories, gap
}

}  // namespace
}  // namespace orvena::exporting::xlsx
