// The prepared-page store under a long report: 10,000 pages of 50 text objects (25 rows of two
// texts each) added as page generation adds them, then walked page by page as an exporter walks
// them. Counters: pages added per second (wall clock, thread CPU time of the whole loop, and CPU
// time inside the store's calls alone), pages walked per second, and how far the process's
// peak resident memory grew during the run (the store's footprint: run each benchmark in its own
// process with --benchmark_filter, since the peak only ever grows).
//
// With EngineOptions.UseFileCache the records of finished pages move to a temporary file once
// MaxMemSize (10) megabytes have been added; without it, once 32 MiB have been.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <ctime>
#include <string>

#include "report/bands.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"

namespace {

using namespace orvena::report;

constexpr int kPages = 10'000;
constexpr int kRowsPerPage = 25;

// CPU time of this thread: the machine is shared, so wall time says more about the neighbours.
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

struct Template {
  Report report;
  ReportPage* page;
  MasterData* band;
  MemoView *name, *amount;

  Template() {
    page = report.add_new<ReportPage>();
    page->set_name("Page1");
    page->left_margin = page->right_margin = page->top_margin = page->bottom_margin = 10;
    band = page->add_new<MasterData>();
    band->set_name("MasterData1");
    band->set_bounds(0, 0, 718.1, 18.89765);
    name = band->add_new<MemoView>();
    name->set_name("Name");
    name->set_bounds(0, 0, 400, 18.89765);
    name->set_text("[DaneOrvena.\"name\"]");
    name->frame.typ = 15;
    amount = band->add_new<MemoView>();
    amount->set_name("Amount");
    amount->set_bounds(400, 0, 150, 18.89765);
    amount->halign = HAlign::Right;
    amount->display_format().kind = FormatKind::Numeric;
    amount->display_format().format_str = "%2.2n";
    page->align_children();
  }
};

void fill_row(Template& t, int page, int r) {
  int row = page * kRowsPerPage + r;
  t.name->set_text("Kontrahent " + std::to_string(row));
  t.amount->set_text(std::to_string(row % 100000) + ",00");
  t.band->set_top(18.89765 * r);
  benchmark::ClobberMemory();
}

enum class Walk : uint8_t { No, Yes };

void run(benchmark::State& state, bool file_cache, Walk walk) {
  for (auto _ : state) {
    double rss_before = peak_rss_mib();
    Template t;
    t.report.engine_options.use_file_cache = file_cache;
    PreparedPages store(t.report);

    auto start = std::chrono::steady_clock::now();
    double cpu_start = thread_cpu_seconds();
    store.initialize();
    store.add_source_page(*t.page);
    store.begin_pass(PreparePass::Single);
    for (int p = 0; p < kPages; ++p) {
      store.add_page(*t.page);
      for (int r = 0; r < kRowsPerPage; ++r) {
        fill_row(t, p, r);
        store.add_object(*t.band);
      }
    }
    store.finish();
    double add_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double add_cpu = thread_cpu_seconds() - cpu_start;

    // The same loop without the store: what making the texts costs, to take off for the store's
    // own rate.
    cpu_start = thread_cpu_seconds();
    for (int p = 0; p < kPages; ++p)
      for (int r = 0; r < kRowsPerPage; ++r) fill_row(t, p, r);
    double store_cpu = add_cpu - (thread_cpu_seconds() - cpu_start);

    state.counters["pages_added_per_s"] = kPages / add_seconds;
    state.counters["pages_added_per_cpu_s"] = kPages / add_cpu;
    state.counters["store_pages_added_per_cpu_s"] = kPages / store_cpu;
    if (walk == Walk::No) continue;

    start = std::chrono::steady_clock::now();
    cpu_start = thread_cpu_seconds();
    size_t objects = 0;
    for (int p = 0; p < store.count(); ++p) {
      objects += store.page(p).all_objects().size();
      store.clear_cache();
    }
    double walk_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double walk_cpu = thread_cpu_seconds() - cpu_start;
    benchmark::DoNotOptimize(objects);
    if (objects != static_cast<size_t>(kPages) * kRowsPerPage * 3) state.SkipWithError("pages lost objects");

    state.counters["pages_walked_per_s"] = kPages / walk_seconds;
    state.counters["pages_walked_per_cpu_s"] = kPages / walk_cpu;
    state.counters["peak_rss_growth_MiB"] = peak_rss_mib() - rss_before;
  }
}

void BM_PreparedPagesFileCache(benchmark::State& state) {
  run(state, true, Walk::Yes);
}
void BM_PreparedPagesDefaultOptions(benchmark::State& state) {
  run(state, false, Walk::Yes);
}
// Adding alone, for profiling the path page generation takes.
void BM_PreparedPagesAddOnly(benchmark::State& state) {
  run(state, true, Walk::No);
}

BENCHMARK(BM_PreparedPagesFileCache)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreparedPagesDefaultOptions)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreparedPagesAddOnly)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
