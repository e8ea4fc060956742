// Filling text objects as page generation does: a field on the fast path, an expression through
// the compiled cache, and totals added after each record.
#include <benchmark/benchmark.h>

#include "report/bands.h"
#include "report/engine_context.h"
#include "report/memo/aggregates.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"

namespace {

using namespace orvena;
using namespace orvena::report;

constexpr int kRows = 1000;

struct Fixture {
  Fixture() {
    report.engine_options.new_silent_mode = SilentMode::Silent;
    auto* page = report.add_new<ReportPage>();
    dane = report.ensure_data_page().add_new<UserDataSet>();
    dane->set_name("Dane");
    dane->fields = {"kwota"};
    dane->range_end = RangeEnd::Count;
    dane->range_end_count = kRows;
    dane->on_get_value = [this](std::string_view) { return core::Variant(double(dane->rec_no()) * 1.25); };
    report.add_dataset_item().data.set(dane);
    master = page->add_new<MasterData>();
    master->set_name("MasterData1");
    master->data.set(dane);
    memo = master->add_new<MemoView>();
    memo->set_name("Memo1");
    auto* footer = page->add_new<FooterBand>();
    footer->set_top(100);
    auto* total = footer->add_new<MemoView>();
    total->set_name("Memo2");
    total->set_text("[SUM(<Dane.\"kwota\">)] [AVG(<Dane.\"kwota\">)] [COUNT()]");
  }
  Report report;
  UserDataSet* dane;
  MasterData* master;
  MemoView* memo;
};

void fill_records(benchmark::State& state, const char* text) {
  Fixture f;
  f.memo->set_text(text);
  EngineContext ctx(f.report);
  ctx.prepare_script();
  ctx.totals().add_items(totals_scopes(*f.master->page()));
  int64_t filled = 0;
  for (auto _ : state) {
    for (f.dane->first(); !f.dane->eof(); f.dane->next()) {
      f.memo->before_print();
      f.memo->get_data();
      benchmark::DoNotOptimize(f.memo->memo);
      f.memo->after_print();
      ctx.totals().add_value(*f.master);
      ++filled;
    }
  }
  state.counters["memos/s"] = benchmark::Counter(double(filled), benchmark::Counter::kIsRate);
}

void BM_FillFieldFastPath(benchmark::State& state) {
  fill_records(state, "Kwota: [Dane.\"kwota\" #n%2,2f] zł");
}
BENCHMARK(BM_FillFieldFastPath);

void BM_FillCompiledExpression(benchmark::State& state) {
  fill_records(state, "[IIF(<Dane.\"kwota\"> > 100, 'duża', 'mała')] [<Dane.\"kwota\"> * 1.23 #n%2,2f]");
}
BENCHMARK(BM_FillCompiledExpression);

}  // namespace

BENCHMARK_MAIN();
