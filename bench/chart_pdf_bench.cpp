// Drawing charts into a PDF: 1,000 printed charts (four per A4 page, 250 pages) of a kind with
// eight categories and two series, exported as vectors and text. The counters give charts per
// second; the table each chart carries is made once before timing, as the engine would have.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "core/temp_dir.h"
#include "export/pdf_export.h"
#include "report/bands.h"
#include "report/chart.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"

namespace {

using namespace orvena;

constexpr int kCharts = 1000, kPerPage = 4;

struct Pages {
  report::Report report;
  report::PreparedPages store{report};

  explicit Pages(report::ChartKind kind) {
    report.engine_options.set_silent_mode(true);
    auto* page = report.add_new<report::ReportPage>();
    page->set_name("Page1");
    page->left_margin = page->right_margin = page->top_margin = page->bottom_margin = 10;
    auto* band = page->add_new<report::MasterData>();
    band->set_name("Rows");
    band->set_height(1000);
    std::vector<report::SeriesPoints> series(2);
    const char* regions[] = {"Północ",  "Południe", "Wschód", "Zachód",
                             "Centrum", "Pomorze",  "Śląsk",  "Mazowsze"};
    for (int s = 0; s < 2; ++s) {
      series[size_t(s)].title = s ? "2026" : "2025";
      for (int i = 0; i < 8; ++i)
        series[size_t(s)].points.push_back({regions[i], 1000.0 + i * 137.5 + s * 90});
    }
    for (int k = 0; k < kPerPage; ++k) {
      auto* chart = band->add_new<report::ChartView>();
      chart->set_name("Chart" + std::to_string(k));
      chart->set_bounds(0, k * 250, 700, 240);
      chart->kind = kind;
      chart->title = "Sprzedaż " + std::to_string(k);
      chart->value_axis_title = "Kwota";
      chart->chart_data = report::encode_chart_table(report::combine_series(series));
    }
    store.initialize();
    store.add_source_page(*page);
    store.begin_pass(report::PreparePass::Single);
    for (int p = 0; p < kCharts / kPerPage; ++p) {
      store.add_page(*page);
      band->set_top(0);
      store.add_object(*band);
    }
    store.finish();
  }
};

void BM_ChartsToPdf(benchmark::State& state) {
  Pages prepared(static_cast<report::ChartKind>(state.range(0)));
  core::TempDir dir;
  for (auto _ : state) {
    exporting::PdfExport pdf;
    pdf.show_dialog = false;
    pdf.file_name = dir.path() / "wykresy.pdf";
    if (!exporting::export_report(prepared.report, prepared.store, pdf)) state.SkipWithError("export failed");
  }
  state.counters["charts/s"] = benchmark::Counter(kCharts, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["file_MB"] = double(std::filesystem::file_size(dir.path() / "wykresy.pdf")) / (1 << 20);
}
// Columns, lines and pies.
BENCHMARK(BM_ChartsToPdf)->Arg(0)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
