#pragma once
// A chart as the workbook keeps it: a DrawingML chart part (xl/charts/chartN.xml) whose series
// point at cells of the data sheet "Dane wykresów", so that the chart follows when a user edits
// the numbers. Each chart has a block of that sheet: a row with its title and series names, then
// a row per category (the category in column A, series in B, C, ...), and an empty row after.
//
//   NativeChart c = native_chart(view);            // what the printed chart shows
//   std::string xml = chart_xml(c, first_row);     // first_row: the block's title row, from 0
#include <cstdint>
#include <string>
#include <vector>

#include "report/chart.h"

namespace orvena::exporting::xlsx {

inline constexpr std::string_view kChartDataSheet = "Dane wykresów";

struct NativeChart {
  report::ChartKind kind = report::ChartKind::Column;
  std::string title, category_axis_title, value_axis_title;
  report::LegendPosition legend = report::LegendPosition::Right;
  bool gridlines = true, show_values = true;
  std::string number_format;  // a spreadsheet format code; empty for General
  report::ChartTable table;
  std::vector<uint32_t> series_colors;    // 0xRRGGBB, one per series
  std::vector<uint32_t> category_colors;  // slices of a pie, one per category
};

NativeChart native_chart(const report::ChartView& view);

// The rows the chart's block takes on the data sheet, the empty row after it included.
uint32_t chart_data_rows(const NativeChart& chart);

std::string chart_xml(const NativeChart& chart, uint32_t first_row);

}  // namespace orvena::exporting::xlsx
