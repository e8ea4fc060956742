// Measuring and breaking typical report memos: 10 to 60 characters of Polish words in Arial
// 10 points, in a 150-unit box, so one to three lines each. The memos/s counter is what a
// long report's page generation spends on its text objects.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "report/text/text_layout.h"

namespace {

using namespace orvena::report::text;

std::vector<std::vector<std::string>> make_memos(size_t count) {
  static const char* kWords[] = {
      "Faktura",     "nr",  "2024/11/0457", "dla",       "Przedsiębiorstwo", "Handlowe", "Łódź",   "ul.",
      "Żeromskiego", "12",  "zapłata",      "przelewem", "termin",           "14",       "dni",    "kwota",
      "1 234,56",    "zł",  "sprzedaż",     "część",     "źródło",           "magazyn",  "Gdańsk", "rabat",
      "VAT",         "23%", "netto",        "brutto"};
  std::mt19937 random(12345);  // the same memos on every run
  std::uniform_int_distribution<size_t> word(0, std::size(kWords) - 1), length(10, 60);
  std::vector<std::vector<std::string>> memos;
  for (size_t i = 0; i < count; ++i) {
    std::string text;
    size_t target = length(random);
    while (text.size() < target) {
      if (!text.empty()) text += ' ';
      text += kWords[word(random)];
    }
    memos.push_back({text});
  }
  return memos;
}

void BM_MeasureAndBreakMemos(benchmark::State& state) {
  auto memos = make_memos(1000);
  TextLayout layout;
  LayoutFont font;  // Arial 10
  Dimensions dims;
  dims.text = {0, 0, 150, 40};
  size_t lines = 0, i = 0;
  for (auto _ : state) {
    // Each memo sets the engine up completely, as a text object does.
    layout.set_font(font);
    layout.set_options(LayoutOptions{});
    layout.set_gaps(Gaps{});
    layout.set_dimensions(dims);
    layout.set_text(memos[i]);
    benchmark::DoNotOptimize(layout.calc_height());
    lines += layout.lines().size();
    if (++i == memos.size()) i = 0;
  }
  state.counters["memos/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["lines/memo"] = double(lines) / double(state.iterations());
}
BENCHMARK(BM_MeasureAndBreakMemos);

}  // namespace

BENCHMARK_MAIN();
