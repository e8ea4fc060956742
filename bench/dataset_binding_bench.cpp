// Reading a query through the report's data-source adapter as page generation will: walk every
// row with first/eof/next and read four fields by their expression names (DaneOrvena."name")
// as values, plus one display text. Rows per second is the counter; the query's own fetch is
// done once, outside the measured loop.
//
//   build-*/bench/dataset_binding_bench --benchmark_counters_tabular=true
//
// ORVENA_BENCH_ROWS overrides the row count (default 200,000).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/temp_dir.h"
#include "db/database.h"
#include "report/db_dataset.h"
#include "report/report.h"

#include "bench_database.h"

namespace {

using namespace orvena;

size_t row_count() {
  return bench::bench_rows(200000);
}

// The database file, built once per program run.
const std::filesystem::path& database() {
  static const std::filesystem::path file = bench::make_bench_database(
      "id INTEGER, name TEXT, amount DECIMAL(10,2), day DATE",
      "x, 'Klient nr ' || x, (x % 100000) / 100.0, date('2020-01-01', '+' || (x % 2000) || ' days')",
      row_count());
  return file;
}

void BM_WalkAndReadFields(benchmark::State& state) {
  db::Connection connection;
  connection.set_target(db::SqliteTarget{database()});
  connection.open();
  db::Query dataset(connection);
  dataset.set_command_text("SELECT id, name, amount, day FROM t");
  dataset.open();
  report::DBDataset adapter;
  adapter.set_user_name("DaneOrvena");
  adapter.attach(&dataset);
  report::Report r;
  r.add_dataset_item().data.set(&adapter);

  size_t rows = 0;
  double sum = 0;
  for (auto _ : state) {
    r.initialize_data_sets();
    for (adapter.first(); !adapter.eof(); adapter.next()) {
      sum += r.data_field_value("DaneOrvena.\"id\"")->to_double();
      sum += r.data_field_value("DaneOrvena.\"amount\"")->to_double();
      benchmark::DoNotOptimize(r.data_field_value("DaneOrvena.\"name\""));
      benchmark::DoNotOptimize(r.data_field_value("DaneOrvena.\"day\""));
      benchmark::DoNotOptimize(adapter.display_text("amount"));
      ++rows;
    }
    r.finalize_data_sets();
  }
  benchmark::DoNotOptimize(sum);
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WalkAndReadFields)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
