#pragma once
// The chart object: a view that draws the rows of one or more series, and the series that are
// its child elements in a template:
//
//   <TrpChartView Name="Wykres1" ChartKind="ckColumn" Title="Sprzedaż" DataSetName="DaneOrvena" ...>
//     <TrpChartSeries Name="Seria1" Category="region" Value="kwota" Aggregation="agSum"/>
//   </TrpChartView>
//
// When printed, a chart reads its series' rows: the whole result, or in a group footer the rows
// of the group that ended. The table it makes (chart_data.h) is kept in the stored property
// ChartData, so the printed copy carries it to every writer.
#include <string>
#include <vector>

#include "report/chart_data.h"
#include "report/views.h"

namespace orvena::report {

enum class ChartKind : uint8_t { Column, Bar, Line, Area, Pie, Doughnut, ColumnLine };
inline constexpr std::string_view kChartKindNames[] = {"ckColumn", "ckBar",      "ckLine",      "ckArea",
                                                       "ckPie",    "ckDoughnut", "ckColumnLine"};
enum class LegendPosition : uint8_t { Right, Bottom, Top, Left, None };
inline constexpr std::string_view kLegendPositionNames[] = {"lpRight", "lpBottom", "lpTop", "lpLeft",
                                                            "lpNone"};

class ChartView : public View {
 public:
  ChartView();
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }

  ChartKind kind = ChartKind::Column;
  std::string title;  // bracketed expressions are filled in when printed
  LegendPosition legend = LegendPosition::Right;
  std::string category_axis_title, value_axis_title;
  DisplayFormat value_format;  // value labels and the value axis
  bool gridlines = true;
  bool show_values = true;
  // Colours of series (or of pie slices) without one of their own: Windows colour values
  // separated by ";". Empty: the built-in palette.
  std::string palette;
  std::string chart_data;  // the table of the last printing (encode_chart_table)

  // Fills chart_data from the series; the stored (empty) value is back after printing.
  void before_print() override;
  void after_print() override;
  void get_data() override;

  // Attributes the template reader did not know, for the run's notice.
  void ignored_attribute(std::string_view name) override;
  // Child elements of classes nobody registered are skipped, and named in the same notice.
  bool read_nested(const XmlItem& child, Serializer& s) override;
  const std::vector<std::string>& ignored_attributes() const { return m_ignored; }

 private:
  std::string m_saved_data, m_saved_title;
  std::vector<std::string> m_ignored;
};

class ChartSeries : public ReportComponent {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }

  std::string title;     // the legend's name; the value source when empty
  DataLink data;         // none: the chart's
  std::string category;  // a field name of the data set or an expression
  std::string value;
  ChartAggregation aggregation = ChartAggregation::Sum;
  ChartOrder order = ChartOrder::FirstSeen;
  int64_t top_n = 0;
  int64_t color = kNoColor;

  void ignored_attribute(std::string_view name) override;
  const std::vector<std::string>& ignored_attributes() const { return m_ignored; }

 private:
  std::vector<std::string> m_ignored;
};

// The notice of the attributes the charts of `report` did not know, naming each once; empty when
// there are none.
std::string ignored_chart_attributes_notice(const Component& report);

}  // namespace orvena::report
