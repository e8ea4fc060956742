// Loading and saving a template of 5,000 report objects (pages, bands and text objects with
// typical properties); the objects/s counter is what operators feel when a run loads templates.
#include <benchmark/benchmark.h>

#include <string>

#include "report/bands.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"

namespace {

using namespace orvena::report;

constexpr int kObjects = 5000;

// 10 pages × 10 bands × 48 text objects, plus the pages and bands themselves: 4,910 objects,
// topped up to 5,000 with lines on the last band.
std::string make_template() {
  Report r;
  int made = 0;
  Band* last_band = nullptr;
  for (int p = 0; p < 10; ++p) {
    auto* page = r.add_new<ReportPage>();
    page->set_name("Page" + std::to_string(p + 1));
    page->left_margin = page->right_margin = page->top_margin = page->bottom_margin = 10;
    ++made;
    for (int b = 0; b < 10; ++b) {
      auto* band = page->add_new<MasterData>();
      band->set_name("Band" + std::to_string(p) + "_" + std::to_string(b));
      band->set_bounds(0, 20.0 * b, 718.1, 18.89765);
      ++made;
      last_band = band;
      for (int m = 0; m < 48; ++m) {
        auto* memo = band->add_new<MemoView>();
        memo->set_name("Memo" + std::to_string(made));
        memo->set_bounds(15.11812 * m, 0, 15.11812, 18.89765);
        memo->set_text("[DaneOrvena.\"Pole" + std::to_string(m) + "\"]");
        memo->frame.typ = 15;
        memo->halign = HAlign::Center;
        memo->display_format().kind = FormatKind::Numeric;
        memo->display_format().format_str = "%2.2n";
        ++made;
      }
    }
  }
  for (; made < kObjects; ++made) last_band->add_new<LineView>()->set_name("Line" + std::to_string(made));
  // The data page is one more object; it is not counted.
  return r.save_to_stream();
}

const std::string& template_text() {
  static const std::string text = make_template();
  return text;
}

void BM_LoadTemplate(benchmark::State& state) {
  const std::string& text = template_text();
  for (auto _ : state) {
    Report r;
    r.engine_options.new_silent_mode = SilentMode::Silent;
    r.load_from_stream(text);
    if (!r.errors().empty() || r.all_objects().size() != kObjects + 1) state.SkipWithError("bad load");
    benchmark::DoNotOptimize(r);
  }
  state.counters["objects"] =
      benchmark::Counter(double(kObjects) * double(state.iterations()), benchmark::Counter::kIsRate);
  state.SetBytesProcessed(int64_t(text.size()) * state.iterations());
}
BENCHMARK(BM_LoadTemplate)->Unit(benchmark::kMillisecond);

void BM_SaveTemplate(benchmark::State& state) {
  Report r;
  r.engine_options.new_silent_mode = SilentMode::Silent;
  r.load_from_stream(template_text());
  for (auto _ : state) benchmark::DoNotOptimize(r.save_to_stream());
  state.counters["objects"] =
      benchmark::Counter(double(kObjects) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SaveTemplate)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
