// Fetching a large result: 1,000,000 rows x 5 columns (integer, text, decimal(10,2), date, float)
// from SQLite into the dataset, reading every value as text, side by side with the sqlite3
// command-line tool writing the same query as CSV. Rows per second and peak memory are counters.
//
//   build-*/bench/database_fetch_bench --benchmark_counters_tabular=true
//
// ORVENA_BENCH_ROWS overrides the row count; ORVENA_BENCH_SQLITE3 the path of the sqlite3 tool.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <cstdlib>
#include <string>

#include "core/temp_dir.h"
#include "db/database.h"

#include "bench_database.h"

namespace {

using namespace orvena;

constexpr const char* kQuery = "SELECT id, name, amount, day, ratio FROM t";

size_t row_count() {
  return bench::bench_rows(1000000);
}

// The database file, built once per program run.
const std::filesystem::path& database() {
  static const std::filesystem::path file =
      bench::make_bench_database("id INTEGER, name TEXT, amount DECIMAL(10,2), day DATE, ratio FLOAT",
                                 "x, 'Klient nr ' || x || ' zażółć', (x % 100000) / 100.0, "
                                 "date('2020-01-01', '+' || (x % 2000) || ' days'), x / 7.0",
                                 row_count());
  return file;
}

// CPU seconds (user + system) used so far by this process or by its waited-for children.
double cpu_seconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto secs = [](timeval t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return secs(usage.ru_utime) + secs(usage.ru_stime);
}

double max_rss_mb(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// The reference: the sqlite3 tool as a whole process, writing CSV to a file.
void BM_Sqlite3ToolCsv(benchmark::State& state) {
  const char* tool = std::getenv("ORVENA_BENCH_SQLITE3") ? std::getenv("ORVENA_BENCH_SQLITE3") : "sqlite3";
  std::string db = database().string();  // built here, before the clock starts
  std::filesystem::path out = database().parent_path() / "out.csv";
  double cpu_before = cpu_seconds(RUSAGE_CHILDREN);
  for (auto _ : state) {
    pid_t pid = fork();
    if (pid == 0) {
      int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(fd, 1);
      execlp(tool, tool, "-csv", db.c_str(), kQuery, static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("sqlite3 failed");
  }
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(row_count()), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["cpu_s/iter"] =
      (cpu_seconds(RUSAGE_CHILDREN) - cpu_before) / static_cast<double>(state.iterations());
  state.counters["peak_MB"] = max_rss_mb(RUSAGE_CHILDREN);
  state.counters["csv_MB"] = static_cast<double>(std::filesystem::file_size(out)) / (1024.0 * 1024.0);
}

// Open (fetch whole) and read every value as text through the dataset's cursor.
void BM_DatasetFetchAndReadText(benchmark::State& state) {
  db::Connection connection;
  connection.set_target(db::SqliteTarget{database()});
  connection.open();
  db::Query dataset(connection);
  size_t bytes = 0;
  double cpu_before = cpu_seconds(RUSAGE_SELF);
  for (auto _ : state) {
    dataset.close();
    dataset.set_command_text(kQuery);
    dataset.open();
    size_t fields = dataset.field_count();
    for (; !dataset.eof(); dataset.next()) {
      for (size_t f = 0; f < fields; ++f) {
        std::string text = dataset.text(f);
        bytes += text.size();
        benchmark::DoNotOptimize(text.data());
      }
    }
  }
  benchmark::DoNotOptimize(bytes);
  state.counters["cpu_s/iter"] =
      (cpu_seconds(RUSAGE_SELF) - cpu_before) / static_cast<double>(state.iterations());
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(row_count()), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak_MB"] = max_rss_mb(RUSAGE_SELF);
}

// The same, the way the delimited-text writer reads: append_text into one reused buffer.
void BM_DatasetFetchAndAppendText(benchmark::State& state) {
  db::Connection connection;
  connection.set_target(db::SqliteTarget{database()});
  connection.open();
  db::Query dataset(connection);
  for (auto _ : state) {
    dataset.close();
    dataset.set_command_text(kQuery);
    dataset.open();
    const db::ResultSet& result = dataset.result();
    std::string line;
    for (size_t row = 0; row < result.row_count(); ++row) {
      line.clear();
      for (size_t f = 0; f < result.field_count(); ++f) {
        result.append_text(row, f, line);
        line += ';';
      }
      benchmark::DoNotOptimize(line.data());
    }
  }
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(row_count()), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak_MB"] = max_rss_mb(RUSAGE_SELF);
}

// Open alone: how much of the time is SQLite's and the fetch.
void BM_DatasetOpenOnly(benchmark::State& state) {
  db::Connection connection;
  connection.set_target(db::SqliteTarget{database()});
  connection.open();
  db::Query dataset(connection);
  for (auto _ : state) {
    dataset.close();
    dataset.set_command_text(kQuery);
    dataset.open();
    benchmark::DoNotOptimize(dataset.record_count());
  }
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(row_count()), benchmark::Counter::kIsIterationInvariantRate);
}

// A few whole iterations each, in real time.
BENCHMARK(BM_Sqlite3ToolCsv)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DatasetFetchAndReadText)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DatasetFetchAndAppendText)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DatasetOpenOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
