// The script interpreter where a report spends its time: a bracketed expression evaluated once
// per printed record (fields read through the host), and compiling a template's script.
#include <benchmark/benchmark.h>

#include <string>

#include "core/error.h"
#include "script/script.h"

namespace {

using orvena::core::Variant;
using namespace orvena::script;

// Two fields of the published source, as the report's Get would give them.
class FieldHost final : public Host {
 public:
  HostName find_name(std::string_view) override { return {}; }
  Variant get_value(int) override { return {}; }
  Variant call_function(int, std::span<const Variant>) override { return {}; }
  Variant get_reference(std::string_view text) override {
    if (text == "DaneOrvena.\"kwota\"") return kwota;
    if (text == "DaneOrvena.\"ilosc\"") return ilosc;
    throw orvena::core::Error("Nieznana zmienna lub pole danych: " + std::string(text));
  }
  Variant kwota{1234.5};
  Variant ilosc{int32_t{3}};
};

void BM_CompiledExpression(benchmark::State& state) {
  FieldHost host;
  Script script(&host);
  script.compile("begin end.");
  std::string error;
  auto e = script.compile_expression("<DaneOrvena.\"kwota\"> * 1.23 + <DaneOrvena.\"ilosc\">", error);
  for (auto _ : state) benchmark::DoNotOptimize(e->evaluate());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CompiledExpression);

// 1,000 lines: declarations, handlers with loops, cases and expressions, and a main block.
std::string thousand_lines() {
  std::string s = "var Suma: Double; Licznik: Integer; Opis: String;\n";
  int lines = 1;
  for (int p = 0; lines + 10 <= 998; ++p) {
    std::string n = std::to_string(p);
    s += "procedure Obsluga" + n + "(Sender: Variant);\n";
    s += "var i: Integer;\n";
    s += "begin\n";
    s += "  for i := 1 to 10 do Suma := Suma + i * 1.5;\n";
    s += "  if (Licznik mod 2 = 0) and (Suma > 100) then\n";
    s += "    Opis := FormatFloat('#,##0.00', Suma) + ' zł'\n";
    s += "  else Opis := Copy('abcdef', 2, 3);\n";
    s += "  case Licznik of 1, 2: Inc(Licznik); 3..9: Dec(Licznik) else Licznik := 0 end;\n";
    s += "  try Suma := Suma / (Licznik + 1) except Suma := 0 end;\n";
    s += "end;\n";
    lines += 10;
  }
  while (lines < 998) {
    s += "// ...\n";
    ++lines;
  }
  s += "begin Obsluga0(Null);\nend.";
  return s;
}

void BM_Compile1000Lines(benchmark::State& state) {
  const std::string text = thousand_lines();
  Script script;
  for (auto _ : state) {
    if (!script.compile(text)) state.SkipWithError(script.error_message().c_str());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Compile1000Lines)->Unit(benchmark::kMillisecond);

// Filling an array element by element, and a string grown 10 characters at a time: the cost
// of one step must not grow with the size of the value.
void BM_FillArray(benchmark::State& state) {
  const std::string n = std::to_string(state.range(0));
  Script script;
  if (!script.compile("var a: array[0.." + n + " - 1] of Integer; i: Integer; begin for i := 0 to " + n +
                      " - 1 do a[i] := i end."))
    state.SkipWithError(script.error_message().c_str());
  for (auto _ : state) script.execute();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FillArray)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_AppendString(benchmark::State& state) {
  const std::string n = std::to_string(state.range(0));
  Script script;
  if (!script.compile("var s: String; i: Integer; begin s := ''; for i := 1 to " + n +
                      " do s := s + '0123456789' end."))
    state.SkipWithError(script.error_message().c_str());
  for (auto _ : state) script.execute();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AppendString)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
