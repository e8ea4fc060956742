// The layout matrix under a long report stacked on one sheet: 100,000 rows of five framed text
// objects (2,000 pages of 50 rows), added as the export walk adds them and prepared once; then
// the cells walked row by row as a writer reads them. Counters: rows per second for adding and
// preparing (thread CPU time: the machine is shared), and how far the process's peak resident
// memory grew during the run (run each benchmark in its own process with --benchmark_filter,
// since the peak only ever grows).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <array>
#include <ctime>
#include <memory>
#include <string>

#include "export/matrix/layout_matrix.h"
#include "report/pages.h"
#include "report/views.h"

namespace {

using namespace orvena;

constexpr int kRows = 100'000;
constexpr int kRowsPerPage = 50;
constexpr int kColumns = 5;
constexpr double kRowHeight = 18.89765;

double thread_cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double peak_rss_mib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void BM_MatrixStackedRows(benchmark::State& state) {
  report::ReportPage page;
  std::array<std::unique_ptr<report::MemoView>, kColumns> cells;
  for (int c = 0; c < kColumns; ++c) {
    cells[c] = std::make_unique<report::MemoView>();
    cells[c]->frame.typ = 15;
    if (c == 4) cells[c]->halign = report::HAlign::Right;
  }
  double rss_before = peak_rss_mib();
  double add_seconds = 0, prepare_seconds = 0;
  long cells_seen = 0;
  for (auto _ : state) {
    exporting::LayoutMatrix m;
    m.inaccuracy = 2;
    m.images = false;
    m.delete_html_tags = true;
    m.numbers = true;  // as the sheet writer asks
    double t0 = thread_cpu_seconds();
    for (int row = 0; row < kRows; ++row) {
      if (row % kRowsPerPage == 0) m.add_page(page, row / kRowsPerPage);
      double top = kRowHeight * (row % kRowsPerPage);
      for (int c = 0; c < kColumns; ++c) {
        cells[c]->set_bounds(120.0 * c, top, 120, kRowHeight);
        cells[c]->set_text(c == 0 ? std::to_string(row) : "Wartość " + std::to_string(row * kColumns + c));
        m.add_object(*cells[c]);
      }
    }
    double t1 = thread_cpu_seconds();
    m.prepare();
    double t2 = thread_cpu_seconds();
    for (int y = 0; y + 1 < m.height(); ++y)
      for (int x = 0; x + 1 < m.width(); ++x) cells_seen += m.cell(x, y) >= 0;
    add_seconds += t1 - t0;
    prepare_seconds += t2 - t1;
    benchmark::DoNotOptimize(cells_seen);
  }
  double n = double(state.iterations());
  state.counters["add_rows_per_s"] = kRows * n / add_seconds;
  state.counters["prepare_rows_per_s"] = kRows * n / prepare_seconds;
  state.counters["rows_per_s"] = kRows * n / (add_seconds + prepare_seconds);
  state.counters["peak_rss_growth_MiB"] = peak_rss_mib() - rss_before;
}
BENCHMARK(BM_MatrixStackedRows)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
