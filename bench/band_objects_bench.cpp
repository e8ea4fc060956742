// One band holding many objects, printed for one row: what a template with a huge band costs to
// prepare. The objects are small texts in a grid, each hanging below the one above it, so that
// the shift tree and the prepared-page store's names for them are built in full. The time per
// object should stay flat from 1,000 to 100,000 objects.
//
//   build/bench/band_objects_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <string>

#include "report/bands.h"
#include "report/engine/engine.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"

namespace {

using namespace orvena;

constexpr int kColumns = 200;

void BM_PrepareOneBand(benchmark::State& state) {
  const auto objects = static_cast<int>(state.range(0));
  report::Report r;
  r.engine_options.new_silent_mode = report::SilentMode::Silent;
  auto* page = r.add_new<report::ReportPage>();
  page->set_name("Page1");
  page->set_paper_width(420);
  page->set_paper_height(1000);
  auto* band = page->add_new<report::MasterData>();
  band->set_name("MasterData1");
  band->row_count = 1;
  int rows = (objects + kColumns - 1) / kColumns;
  band->set_bounds(0, 0, kColumns * 7, rows * 6);
  for (int i = 0; i < objects; ++i) {
    auto* memo = band->add_new<report::MemoView>();
    memo->set_name("Memo" + std::to_string(i + 1));
    memo->set_bounds((i % kColumns) * 7, (i / kColumns) * 6, 7, 6);
    memo->set_text("x");
  }

  for (auto _ : state) {
    report::PreparedPages pages(r);
    report::Engine engine(r, pages);
    if (!engine.run()) state.SkipWithError("generation failed");
    benchmark::DoNotOptimize(pages.count());
  }
  state.counters["objects_per_s"] =
      benchmark::Counter(double(objects) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PrepareOneBand)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
