// Text object templates on arbitrary bytes: the first line is ExpressionDelimiters, the rest the
// text. Bracket matching (the parts found, put back, give the text), inline formats applied to
// sample values, cache keys, registration of the totals the text writes (quoted parts, nesting,
// report variables naming each other), and the first expressions evaluated under a small step
// budget, with a script function that loops for a negative argument.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/datetime.h"
#include "report/bands.h"
#include "report/engine_context.h"
#include "report/memo/aggregates.h"
#include "report/memo/expression_cache.h"
#include "report/memo/memo_text.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"
#include "script/script.h"

using namespace orvena;
using namespace orvena::report;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t eol = input.find('\n');
  std::string_view delimiters = eol == std::string_view::npos ? "[,]" : input.substr(0, eol);
  std::string_view text = eol == std::string_view::npos ? input : input.substr(eol + 1);

  memo_text::Delimiters d = memo_text::split_delimiters(delimiters);
  const core::Variant samples[] = {core::Variant(-1234.5), core::Variant("tekst"), core::Variant(true),
                                   core::Variant::date(45000.25)};
  std::vector<std::string> expressions;
  std::string direct = memo_text::expand(text, d, [&](std::string_view expression, size_t index) {
    if (expressions.size() < 8) expressions.emplace_back(expression);
    // Every expression is a piece of the text.
    if (text.find(expression) == std::string_view::npos) std::abort();
    memo_text::InlineFormat f = memo_text::split_inline_format(expression);
    if (f.format)
      for (const auto& v : samples) (void)memo_text::format_data(v, *f.format);
    (void)ExpressionCache::key(expression);
    return "<" + std::to_string(index) + ">";
  });

  // The parts found, put back between their delimiters, give the text again.
  memo_text::Template t = memo_text::parse_template(text, d);
  std::string rebuilt;
  for (const memo_text::Template::Part& p : t.parts) {
    bool closed = p.bracketed_at + p.bracketed_size < text.size();  // else it takes the rest
    rebuilt.append(t.literal(p)).append(d.open).append(t.bracketed(p));
    if (closed) rebuilt.append(d.close);
  }
  rebuilt.append(t.tail());
  if (rebuilt != text) std::abort();
  // A text read once and a template of it expand alike.
  std::string from_template = memo_text::expand(
      t, [](const memo_text::Template::Part&, size_t index) { return "<" + std::to_string(index) + ">"; });
  if (from_template != direct) std::abort();

  Report r;
  auto* page = r.add_new<ReportPage>();
  auto* master = page->add_new<MasterData>();
  master->set_name("MasterData1");
  master->row_count = 1;
  auto* footer = page->add_new<FooterBand>();
  footer->set_top(50);
  auto* memo = footer->add_new<MemoView>();
  memo->set_name("Memo1");
  memo->expression_delimiters = std::string(delimiters);
  memo->set_text(text);
  // Variables that name each other, so expansion must stop.
  for (const char* name : {"A", "B"}) {
    r.variables.push_back(std::make_unique<Variable>());
    r.variables.back()->name = name;
    r.variables.back()->value = std::string(name) == "A" ? "B + SUM(1)" : "A";
  }
  r.script_text = {"function Petla(n: Integer): Integer; begin while n <> 0 do n := n - 1; Result := n end;",
                   "begin end."};
  r.script_step_limit = 20000;
  EngineContext ctx(r);
  try {
    ctx.totals().add_items(totals_scopes(*page));
  } catch (const core::Error&) {
    // A flags argument that is no expression: a reported error, not a crash.
  }
  r.current_object.reset(memo);
  for (const std::string& e : expressions) {
    try {
      (void)ctx.calc(e);
    } catch (const core::Error&) {
    } catch (const script::ScriptStopped&) {
    }
  }
  return 0;
}
