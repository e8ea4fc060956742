// Page generation over a long query: one master band with five text objects bound to fields,
// pages 50 rows high, the store spilling finished pages to its temporary file. Counters: rows
// per second, the process's peak resident memory (VmHWM) with the query's rows loaded, and what
// generation added to that peak, which should stay flat as rows grow.
//
//   ORVENA_BENCH_ROWS=100000 build/bench/engine_bench --benchmark_counters_tabular=true
//   ORVENA_BENCH_ROWS=1000000 build/bench/engine_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "core/temp_dir.h"
#include "db/database.h"
#include "report/bands.h"
#include "report/db_dataset.h"
#include "report/engine/engine.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"

#include "bench_database.h"

namespace {

using namespace orvena;

size_t row_count() {
  return bench::bench_rows(100000);
}

// The database file, built once per program run.
const std::filesystem::path& database() {
  static const std::filesystem::path file =
      bench::make_bench_database("id INTEGER, name TEXT, amount DECIMAL(10,2), day DATE, note TEXT",
                                 "x, 'Klient nr ' || x, (x % 100000) / 100.0, date('2020-01-01', '+' || (x % "
                                 "2000) || ' days'), 'uwagi ' || (x % 7)",
                                 row_count());
  return file;
}

// Peak resident set of the process in MiB.
double peak_mib() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
  return 0;
}

void BM_GenerateOneBandFiveMemos(benchmark::State& state) {
  db::Connection connection;
  connection.set_target(db::SqliteTarget{database()});
  connection.open();
  db::Query dataset(connection);
  dataset.set_command_text("SELECT id, name, amount, day, note FROM t");
  dataset.open();
  report::DBDataset adapter;
  adapter.set_name("rpDBDataset1");
  adapter.set_user_name("DaneOrvena");
  adapter.attach(&dataset);

  report::Report r;
  r.engine_options.new_silent_mode = report::SilentMode::Silent;
  r.engine_options.use_file_cache = true;
  r.add_dataset_item().data.set(&adapter);
  auto* page = r.add_new<report::ReportPage>();
  page->set_name("Page1");
  page->set_paper_height(20 * 50 / 3.77953);  // 50 rows of 20 units
  auto* band = page->add_new<report::MasterData>();
  band->set_name("MasterData1");
  band->set_bounds(0, 0, 700, 20);
  band->data.set(&adapter);
  const char* fields[] = {"id", "name", "amount", "day", "note"};
  for (int i = 0; i < 5; ++i) {
    auto* memo = band->add_new<report::MemoView>();
    memo->set_name("Memo" + std::to_string(i + 1));
    memo->set_bounds(i * 140, 0, 140, 20);
    memo->set_text(std::string("[DaneOrvena.\"") + fields[i] + "\"]");
  }

  // The query's rows are held by the query; walking it once first puts them in the peak before
  // generation starts, so what generation adds shows apart.
  for (adapter.first(); !adapter.eof(); adapter.next()) benchmark::DoNotOptimize(adapter.value("note"));
  double dataset_peak = peak_mib();

  size_t rows = 0;
  for (auto _ : state) {
    report::PreparedPages pages(r);
    report::Engine engine(r, pages);
    if (!engine.run()) state.SkipWithError("generation failed");
    rows += row_count();
    benchmark::DoNotOptimize(pages.count());
  }
  state.counters["rows_per_s"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
  state.counters["peak_MiB"] = peak_mib();
  state.counters["query_peak_MiB"] = dataset_peak;
  state.counters["generation_MiB"] = peak_mib() - dataset_peak;
}
BENCHMARK(BM_GenerateOneBandFiveMemos)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
