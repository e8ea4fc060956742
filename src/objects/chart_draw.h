#pragma once
// How a chart prints: title, legend, axes with their scale and gridlines, and the series as
// columns, bars, lines, areas or slices, on any canvas in report pixels. The same drawing serves
// the PDF page (vectors and real text), TIFF pages, the preview and the pictures of table formats.
//
//   ChartTable t = decode_chart_table(view.chart_data);
//   draw_chart(canvas, view, t, bounds);
#include <string>
#include <vector>

#include "report/canvas/canvas.h"
#include "report/chart.h"

namespace orvena::objects {

// A value axis from the data's range: `step` apart from `low` to `high`, both multiples of step,
// zero always inside.
struct ChartScale {
  double low = 0, high = 1, step = 1;
};
ChartScale nice_scale(double min_value, double max_value);

// The colour of series (or slice) `index`: its own, else the chart's palette, else the built-in one.
report::canvas::Rgb chart_color(const report::ChartView& view, int64_t own_color, size_t index);

// Draws into `r`. An empty table draws the axes (a circle for pies) and says "Brak danych".
void draw_chart(report::canvas::Canvas& canvas, const report::ChartView& view,
                const report::ChartTable& table, const report::canvas::Rect& r);

}  // namespace orvena::objects
