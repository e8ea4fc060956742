// The TIFF export over prepared pages: A4 pages of 40 rows × 4 framed text objects drawn at a
// resolution and written to a file, one multi-page file (the runner's layout) or all pages
// stacked into one image. The counters give pages per second and the process's peak resident
// memory, which for stacked pages must stay near one page's bitmap however long the report:
//   build/bench/tiff_export_bench --benchmark_filter=Stacked   (alone, as the peak is the process's)
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <string>

#include "core/temp_dir.h"
#include "export/tiff_export.h"
#include "report/bands.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"

namespace {

using namespace orvena;

struct Pages {
  report::Report report;
  report::PreparedPages store{report};

  explicit Pages(int count) {
    report.engine_options.set_silent_mode(true);
    auto* page = report.add_new<report::ReportPage>();
    page->set_name("Page1");
    page->left_margin = page->right_margin = page->top_margin = page->bottom_margin = 10;
    auto* band = page->add_new<report::MasterData>();
    band->set_name("Rows");
    band->set_height(1000);
    for (int row = 0; row < 40; ++row)
      for (int col = 0; col < 4; ++col) {
        auto* m = band->add_new<report::MemoView>();
        m->set_name("M" + std::to_string(row) + "_" + std::to_string(col));
        m->set_bounds(col * 180, row * 24, 180, 24);
        m->frame.typ = report::kFrameLeft | report::kFrameRight | report::kFrameTop | report::kFrameBottom;
        m->set_text(col == 0 ? "Klient " + std::to_string(row) + " Łódź-Śródmieście"
                             : std::to_string(100000 + row * 7919 + col) + ",25");
      }
    store.initialize();
    store.add_source_page(*page);
    store.begin_pass(report::PreparePass::Single);
    for (int p = 0; p < count; ++p) {
      store.add_page(*page);
      band->set_top(0);
      store.add_object(*band);
    }
    store.finish();
  }
};

double peak_rss_mb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024;
}

void run(benchmark::State& state, exporting::TiffExportOptions options, int pages) {
  Pages prepared(pages);
  core::TempDir dir;
  for (auto _ : state) {
    exporting::TiffExport tiff;
    tiff.show_dialog = false;
    tiff.file_name = dir.path() / "raport.tif";
    tiff.options = options;
    if (!exporting::export_report(prepared.report, prepared.store, tiff))
      state.SkipWithError("export failed");
  }
  state.counters["pages/s"] =
      benchmark::Counter(double(pages), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["file_MB"] = double(std::filesystem::file_size(dir.path() / "raport.tif")) / (1 << 20);
  state.counters["peak_rss_MB"] = peak_rss_mb();
}

void BM_TiffMultiImage(benchmark::State& state) {
  // The runner keeps the name it gives; raport.tif is that name here too.
  auto options = exporting::TiffExportOptions::runner();
  options.resolution = int(state.range(0));
  run(state, options, 10);
}
BENCHMARK(BM_TiffMultiImage)->Arg(96)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();

// 100 A4 pages at 96 dpi are 112,300 rows: the image is cut at 30,000.
void BM_TiffStacked(benchmark::State& state) {
  exporting::TiffExportOptions options;
  options.separate = false;
  options.monochrome = state.range(0) != 0;
  run(state, options, 100);
}
BENCHMARK(BM_TiffStacked)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
