// A template's script under the report's step budget and its terminated flag: a script that never
// ends fails the preparation with an error naming where it ran, whatever the script does to
// catch it; the terminated flag ends it quietly. Long expressions in text objects either work or
// fail with their place.
#include <gtest/gtest.h>

#include <string>

#include "engine_support.h"
#include "report/engine_context.h"
#include "report/views.h"

namespace orvena::report {
namespace {

using fixtures::Generation;

class ScriptBudget : public Generation {
 protected:
  // Prepares the report as the unattended run does; returns its errors, one per line.
  std::string prepare() {
    EngineGenerator generator(report);
    report.generator = &generator;
    prepared = report.prepare_report();
    report.generator = nullptr;
    std::string errors;
    for (const auto& e : report.errors()) errors += e + "\n";
    return errors;
  }
  void set_text(const std::string& memo, const std::string& text) {
    dynamic_cast<CustomMemoView&>(*report.find_object(memo)).set_text(text);
  }
  bool prepared = true;
};

struct Endless {
  const char* name;
  std::vector<std::string> script;
  const char* title;  // the title's text
  const char* error;
};

TEST_F(ScriptBudget, AScriptPastTheBudgetFailsNamingWhereItRan) {
  const char* kLoop = "function Petla(n: Integer): Integer; begin while True do Inc(n); Result := n end;";
  const Endless cases[] = {
      {"the main block",
       {"var i: Integer;", "begin", "  repeat Inc(i) until False", "end."},
       "x",
       "Skrypt szablonu przekroczył limit 1000 kroków w bloku głównym (3:3)"},
      {"a band's handler",
       {"procedure RowOnBeforePrint(Sender: TrpComponent);", "begin", "  while True do ;", "end;",
        "begin end."},
       "x",
       "Skrypt szablonu przekroczył limit 1000 kroków w procedurze 'RowOnBeforePrint' (3:3)"},
      // The script's own handlers cannot keep it going.
      {"a handler catching everything",
       {"procedure RowOnBeforePrint(Sender: TrpComponent);", "begin",
        "  while True do try try while True do ; finally end except end;", "end;", "begin end."},
       "x",
       "Skrypt szablonu przekroczył limit 1000 kroków w procedurze 'RowOnBeforePrint' (3:25)"},
      {"a function called by an expression",
       {kLoop, "begin end."},
       "[Petla(1)]",
       "Skrypt szablonu przekroczył limit 1000 kroków w wyrażeniu 'Petla(1)' (TitleText)"},
      // IIF passes over the errors of its arguments, but not over this.
      {"inside IIF",
       {kLoop, "begin end."},
       "[IIF(Petla(1) = 1, 'a', 'b')]",
       "Skrypt szablonu przekroczył limit 1000 kroków w wyrażeniu 'IIF(Petla(1) = 1, 'a', 'b')' (TitleText)"},
      // The budget is the report's: steps of every handler call add up (300 a row, 6 rows).
      {"many short calls",
       {"procedure RowOnBeforePrint(Sender: TrpComponent);", "var i: Integer;", "begin",
        "  for i := 1 to 300 do ;", "end;", "begin end."},
       "x",
       "Skrypt szablonu przekroczył limit 1000 kroków w procedurze 'RowOnBeforePrint' (4:3)"},
  };
  for (const auto& c : cases) {
    load("script_events");
    report.script_text = c.script;
    report.variables.clear();
    set_text("TitleText", c.title);
    report.script_step_limit = 1000;
    std::string errors = prepare();
    EXPECT_FALSE(prepared) << c.name;
    EXPECT_EQ(errors, std::string(c.error) + "\n") << c.name;
  }
}

// "stop" in the preview sets the terminated flag from the window's pump, which the script's
// steps call now and then: an endless handler then ends without an error, and so does the run.
TEST_F(ScriptBudget, TheTerminatedFlagEndsARunningScriptQuietly) {
  load("script_events");
  report.script_text = {"procedure RowOnBeforePrint(Sender: TrpComponent);", "begin", "  while True do ;",
                        "end;", "begin end."};
  // Far enough for the pump to come first, near enough that a missed stop fails instead of hanging.
  report.script_step_limit = 20'000'000;
  uint64_t steps_at_stop = 0;
  report.pump = [&] {
    if (report.run && report.run->script_steps() > 0 && !report.terminated) {
      steps_at_stop = report.run->script_steps();
      report.terminated = true;
    }
  };
  std::string errors = prepare();
  EXPECT_EQ(errors, "");
  EXPECT_TRUE(report.terminated);
  EXPECT_GT(steps_at_stop, 0u);

  // Engine.StopReport lets the handler's next statements run, but not for ever.
  load("script_events");
  report.script_text = {"procedure RowOnBeforePrint(Sender: TrpComponent);", "begin",
                        "  Engine.StopReport; while True do ;", "end;", "begin end."};
  report.pump = nullptr;
  EXPECT_EQ(prepare(), "");
  EXPECT_TRUE(report.terminated);
}

TEST_F(ScriptBudget, LongExpressionsInTextObjects) {
  // 100,000 terms: compiled and run without stack per operator.
  std::string sum = "1";
  for (int i = 1; i < 100000; ++i) sum += "+1";
  load("script_events");
  report.script_text = {"begin end."};
  report.variables.clear();
  set_text("TitleText", "[" + sum + "]");
  EXPECT_NE(generate().find("TitleText 0,0 \"100000\""), std::string::npos);

  // Past the nesting limit: the error says where in the expression.
  load("script_events");
  report.script_text = {"begin end."};
  report.variables.clear();
  const std::string deep = std::string(300, '(') + "1" + std::string(300, ')');
  set_text("TitleText", "[" + deep + "]");
  EXPECT_EQ(prepare(), "TitleText: Błąd w wyrażeniu '" + deep.substr(0, 200) +
                           "...': Zbyt głębokie zagnieżdżenie (1:40)\n");
}

}  // namespace
}  // namespace orvena::report
