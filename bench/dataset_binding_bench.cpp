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

namespace {

using namespace orvena;

size_t row_count() {
  const char* env = std::getenv("ORVENA_BENCH_ROWS");
  return env ? std::strtoull(env, nullptr, 10) : 200000;
}

const std::filesystem::path& database() {
  static core::TempDir dir;
  static std::filesystem::path file = [] {
    std::filesystem::path f = dir.path() / "bench.sqlite";
    sqlite3* db = nullptr;
    sqlite3_open(f.c_str(), &db);
    std::string sql =
        "CREATE TABLE t (id INTEGER, name TEXT, amount DECIMAL(10,2), day DATE);"
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c LIMIT " +
        std::to_string(row_count()) +
        ") INSERT INTO t SELECT x, 'Klient nr ' || x, (x % 100000) / 100.0, "
        "date('2020-01-01', '+' || (x % 2000) || ' days') FROM c;";
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      std::fprintf(stderr, "cannot build the benchmark database: %s\n", error ? error : "?");
      std::exit(1);
    }
    sqlite3_close(db);
    return f;
  }();
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
