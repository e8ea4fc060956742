#include "export/xlsx/chart_part.h"

#include <charconv>
#include <cstdio>

#include "export/xlsx/sheet_writer.h"
#include "export/xlsx/styles.h"
#include "export/xml/package_parts.h"
#include "export/xml/xml_writer.h"
#include "objects/chart_draw.h"

namespace orvena::exporting::xlsx {

using report::ChartKind;

namespace {

// Ids of the two axes; any pair unique within the chart part will do.
constexpr int kCategoryAxis = 500100, kValueAxis = 500200;

std::string hex_rgb(uint32_t rgb) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%06X", rgb & 0xFFFFFF);
  return buf;
}

std::string number_text(double v) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

// 'Dane wykresów'!$B$3:$B$6 (rows and columns from 0).
std::string range_ref(uint32_t column, uint32_t first_row, uint32_t last_row) {
  std::string col = column_name(column);
  std::string ref = "'" + std::string(kChartDataSheet) + "'!$" + col + "$" + std::to_string(first_row + 1);
  if (last_row != first_row) ref += ":$" + col + "$" + std::to_string(last_row + 1);
  return ref;
}

void solid_fill(xml::XmlWriter& w, uint32_t rgb, bool line) {
  w.start("c:spPr");
  if (line) {
    w.start("a:ln").attribute("w", 28575);
  }
  w.start("a:solidFill").start("a:srgbClr").attribute("val", hex_rgb(rgb)).end().end();
  if (line) w.end();
  w.end();
}

void rich_title(xml::XmlWriter& w, const std::string& text) {
  w.start("c:title").start("c:tx").start("c:rich");
  w.raw("<a:bodyPr/><a:lstStyle/>");
  w.start("a:p").start("a:r").element("a:t", text).end().end();
  w.end().end();
  w.start("c:overlay").attribute("val", "0").end();
  w.end();
}

void val(xml::XmlWriter& w, const char* name, const std::string& value) {
  w.start(name).attribute("val", value).end();
}

void data_labels(xml::XmlWriter& w, const NativeChart& c, bool pie) {
  w.start("c:dLbls");
  if (!c.number_format.empty())
    w.start("c:numFmt").attribute("formatCode", c.number_format).attribute("sourceLinked", "0").end();
  val(w, "c:showLegendKey", "0");
  val(w, "c:showVal", c.show_values ? "1" : "0");
  val(w, "c:showCatName", "0");
  val(w, "c:showSerName", "0");
  val(w, "c:showPercent", "0");
  val(w, "c:showBubbleSize", "0");
  if (pie) val(w, "c:showLeaderLines", "0");
  w.end();
}

// One series: name, colour, the per-slice colours of a pie, labels, categories and values, each
// a reference into the block with the values cached beside it.
void series(xml::XmlWriter& w, const NativeChart& c, size_t k, uint32_t first_row, ChartKind as) {
  const auto& s = c.table.series[k];
  const uint32_t n = uint32_t(c.table.categories.size());
  const uint32_t first = first_row + 1, last = first_row + std::max<uint32_t>(n, 1);
  const bool pie = as == ChartKind::Pie || as == ChartKind::Doughnut;
  const bool line = as == ChartKind::Line;
  w.start("c:ser");
  val(w, "c:idx", std::to_string(k));
  val(w, "c:order", std::to_string(k));
  w.start("c:tx").start("c:strRef").element("c:f", range_ref(uint32_t(k + 1), first_row, first_row));
  w.start("c:strCache");
  val(w, "c:ptCount", "1");
  w.start("c:pt").attribute("idx", "0").element("c:v", s.title).end();
  w.end().end().end();
  if (!pie) solid_fill(w, c.series_colors[k], line);
  if (line) w.start("c:marker").start("c:symbol").attribute("val", "square").end().end();
  if (!pie && !line) val(w, "c:invertIfNegative", "0");
  if (pie)
    for (uint32_t i = 0; i < n; ++i) {
      w.start("c:dPt");
      val(w, "c:idx", std::to_string(i));
      val(w, "c:bubble3D", "0");
      solid_fill(w, c.category_colors[i], false);
      w.end();
    }
  data_labels(w, c, pie);
  w.start("c:cat").start("c:strRef").element("c:f", range_ref(0, first, last));
  w.start("c:strCache");
  val(w, "c:ptCount", std::to_string(n));
  for (uint32_t i = 0; i < n; ++i)
    w.start("c:pt").attribute("idx", int(i)).element("c:v", c.table.categories[i]).end();
  w.end().end().end();
  w.start("c:val").start("c:numRef").element("c:f", range_ref(uint32_t(k + 1), first, last));
  w.start("c:numCache");
  w.element("c:formatCode", c.number_format.empty() ? "General" : c.number_format);
  val(w, "c:ptCount", std::to_string(n));
  for (uint32_t i = 0; i < n; ++i)
    if (s.values[i]) w.start("c:pt").attribute("idx", int(i)).element("c:v", number_text(*s.values[i])).end();
  w.end().end().end();
  if (line) val(w, "c:smooth", "0");
  w.end();
}

void axis_ids(xml::XmlWriter& w) {
  val(w, "c:axId", std::to_string(kCategoryAxis));
  val(w, "c:axId", std::to_string(kValueAxis));
}

// The group of series drawn one way (ISO/IEC 29500-1, 21.2.2: barChart, lineChart, areaChart).
void series_group(xml::XmlWriter& w, const NativeChart& c, uint32_t first_row, ChartKind as, size_t from,
                  size_t to) {
  switch (as) {
    case ChartKind::Column:
    case ChartKind::Bar:
      w.start("c:barChart");
      val(w, "c:barDir", as == ChartKind::Bar ? "bar" : "col");
      val(w, "c:grouping", "clustered");
      val(w, "c:varyColors", "0");
      for (size_t k = from; k < to; ++k) series(w, c, k, first_row, as);
      val(w, "c:gapWidth", "43");
      axis_ids(w);
      w.end();
      break;
    case ChartKind::Line:
    case ChartKind::Area:
      w.start(as == ChartKind::Line ? "c:lineChart" : "c:areaChart");
      val(w, "c:grouping", "standard");
      val(w, "c:varyColors", "0");
      for (size_t k = from; k < to; ++k) series(w, c, k, first_row, as);
      if (as == ChartKind::Line) val(w, "c:marker", "1");
      axis_ids(w);
      w.end();
      break;
    default: {
      bool doughnut = as == ChartKind::Doughnut;
      w.start(doughnut ? "c:doughnutChart" : "c:pieChart");
      val(w, "c:varyColors", "1");
      // A pie shows its first series, as the drawing does.
      if (from < to) series(w, c, from, first_row, as);
      val(w, "c:firstSliceAng", "0");
      if (doughnut) val(w, "c:holeSize", "50");
      w.end();
    }
  }
}

void axes(xml::XmlWriter& w, const NativeChart& c) {
  const bool bar = c.kind == ChartKind::Bar;
  w.start("c:catAx");
  val(w, "c:axId", std::to_string(kCategoryAxis));
  w.start("c:scaling").start("c:orientation").attribute("val", bar ? "maxMin" : "minMax").end().end();
  val(w, "c:delete", "0");
  val(w, "c:axPos", bar ? "l" : "b");
  if (!c.category_axis_title.empty()) rich_title(w, c.category_axis_title);
  val(w, "c:tickLblPos", "nextTo");
  val(w, "c:crossAx", std::to_string(kValueAxis));
  val(w, "c:crosses", "autoZero");
  val(w, "c:auto", "1");
  val(w, "c:lblAlgn", "ctr");
  val(w, "c:lblOffset", "100");
  w.end();
  w.start("c:valAx");
  val(w, "c:axId", std::to_string(kValueAxis));
  w.start("c:scaling").start("c:orientation").attribute("val", "minMax").end().end();
  val(w, "c:delete", "0");
  val(w, "c:axPos", bar ? "b" : "l");
  if (c.gridlines) w.start("c:majorGridlines").end();
  if (!c.value_axis_title.empty()) rich_title(w, c.value_axis_title);
  w.start("c:numFmt")
      .attribute("formatCode", c.number_format.empty() ? "General" : c.number_format)
      .attribute("sourceLinked", "0")
      .end();
  val(w, "c:tickLblPos", "nextTo");
  val(w, "c:crossAx", std::to_string(kCategoryAxis));
  val(w, "c:crosses", "autoZero");
  val(w, "c:crossBetween", "between");
  w.end();
}

const char* legend_position(report::LegendPosition p) {
  switch (p) {
    case report::LegendPosition::Bottom:
      return "b";
    case report::LegendPosition::Top:
      return "t";
    case report::LegendPosition::Left:
      return "l";
    default:
      return "r";
  }
}

}  // namespace

NativeChart native_chart(const report::ChartView& view) {
  NativeChart c;
  c.kind = view.kind;
  c.title = view.title;
  c.category_axis_title = view.category_axis_title;
  c.value_axis_title = view.value_axis_title;
  c.legend = view.legend;
  c.gridlines = view.gridlines;
  c.show_values = view.show_values;
  if (view.value_format.kind == report::FormatKind::Numeric)
    c.number_format = number_format_code(view.value_format.format_str);
  c.table = report::decode_chart_table(view.chart_data);
  for (size_t k = 0; k < c.table.series.size(); ++k)
    c.series_colors.push_back(objects::chart_color(view, c.table.series[k].color, k));
  for (size_t i = 0; i < c.table.categories.size(); ++i)
    c.category_colors.push_back(objects::chart_color(view, report::kNoColor, i));
  return c;
}

uint32_t chart_data_rows(const NativeChart& chart) {
  return uint32_t(chart.table.categories.size()) + 2;
}

std::string chart_xml(const NativeChart& c, uint32_t first_row) {
  xml::XmlWriter w;
  w.declaration();
  w.start("c:chartSpace")
      .attribute("xmlns:c", "http://schemas.openxmlformats.org/drawingml/2006/chart")
      .attribute("xmlns:a", "http://schemas.openxmlformats.org/drawingml/2006/main")
      .attribute("xmlns:r", xml::kOfficeRelationships);
  val(w, "c:roundedCorners", "0");
  w.start("c:chart");
  if (!c.title.empty())
    rich_title(w, c.title);
  else
    val(w, "c:autoTitleDeleted", "1");
  w.start("c:plotArea");
  w.start("c:layout").end();
  const size_t n = c.table.series.size();
  const bool pie = c.kind == ChartKind::Pie || c.kind == ChartKind::Doughnut;
  if (c.kind == ChartKind::ColumnLine) {
    series_group(w, c, first_row, ChartKind::Column, 0, std::min<size_t>(n, 1));
    if (n > 1) series_group(w, c, first_row, ChartKind::Line, 1, n);
  } else {
    series_group(w, c, first_row, c.kind, 0, n);
  }
  if (!pie) axes(w, c);
  w.end();  // plotArea
  if (c.legend != report::LegendPosition::None) {
    w.start("c:legend");
    val(w, "c:legendPos", legend_position(c.legend));
    val(w, "c:overlay", "0");
    w.end();
  }
  val(w, "c:plotVisOnly", "1");
  val(w, "c:dispBlanksAs", "gap");
  w.end();  // chart
  w.finish();
  return w.text();
}

}  // namespace orvena::exporting::xlsx
