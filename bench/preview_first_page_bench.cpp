// The report preview over a long query: how long the operator waits for the first page, and for
// the whole report. The first page is drawn while later pages are still being made, so a
// one-pass report shows it after one page of work; a two-pass report (the starter template, for
// its "Strona x z y") shows it only after the first pass has gone through every row.
//
//   QT_QPA_PLATFORM=offscreen ORVENA_BENCH_ROWS=100000 build/bench/preview_first_page_bench
#include <benchmark/benchmark.h>

#if ORVENA_GUI
#include <QApplication>
#include <chrono>
#include <cstdlib>

#include "db/database.h"
#include "editor/report_preview.h"
#include "report/db_dataset.h"
#include "report/report.h"
#include "report/starter_template.h"

#include "bench_database.h"

namespace {

using namespace orvena;
using Clock = std::chrono::steady_clock;

QApplication& app() {
  static int argc = 1;
  static char name[] = "preview_bench";
  static char* argv[] = {name, nullptr};
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication* a = new QApplication(argc, argv);
  return *a;
}

const std::filesystem::path& database() {
  static const std::filesystem::path file = bench::make_bench_database(
      "id INTEGER, klient TEXT, kwota DECIMAL(10,2), dzien DATE, uwagi TEXT",
      "x, 'Klient nr ' || x, (x % 100000) / 100.0, date('2020-01-01', '+' || (x % 2000) || ' days'), "
      "'uwagi ' || (x % 7)",
      bench::bench_rows(100000));
  return file;
}

// range(0): 1 runs to the end, 0 stops at the first page; range(1): 1 for two passes.
void BM_PreviewStarterTemplate(benchmark::State& state) {
  app();
  const bool to_the_end = state.range(0) == 1;
  const bool two_passes = state.range(1) == 1;
  db::Connection connection;
  connection.set_target(db::SqliteTarget{database()});
  connection.open();
  db::Query dataset(connection);
  dataset.set_command_text("SELECT id, klient, kwota, dzien, uwagi FROM t");
  dataset.open();
  report::DBDataset adapter;
  adapter.set_name("rpDBDataset1");
  adapter.set_user_name("DaneOrvena");
  adapter.close_data_source = false;
  adapter.attach(&dataset);

  double first_page = 0, pages = 0;
  for (auto _ : state) {
    report::Report r;
    report::make_starter_template(r, "Bench", "DaneOrvena", report::starter_fields(adapter));
    r.engine_options.double_pass = two_passes;
    r.engine_options.use_file_cache = true;
    editor::ReportPreview preview;
    preview.resize(900, 700);
    preview.show();
    const auto start = Clock::now();
    QObject::connect(&preview, &editor::ReportPreview::first_page_shown, [&] {
      first_page = std::chrono::duration<double>(Clock::now() - start).count();
      if (!to_the_end) preview.stop();
    });
    preview.prepare_and_show(r);
    pages = preview.page_count();
  }
  state.counters["first_page_s"] = first_page;
  state.counters["pages"] = pages;
}
BENCHMARK(BM_PreviewStarterTemplate)
    ->ArgNames({"to_end", "two_passes"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
#endif

BENCHMARK_MAIN();
