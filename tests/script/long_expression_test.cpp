// Long flat expressions, as a careless or hostile template writes them: tens of thousands of
// operators in one chain are parsed, compiled, run and freed without stack per operator, on a
// thread whose stack is an eighth of the usual one.
#include <gtest/gtest.h>

#include "fake_host.h"
#include "small_stack.h"

namespace orvena::script::test {
namespace {

// `first` then `count` times `op` and `term`: "1+1+1...".
std::string chain(const std::string& first, const std::string& op, const std::string& term, int count) {
  std::string s = first;
  s.reserve(first.size() + (op.size() + term.size()) * count);
  for (int i = 0; i < count; ++i) s += op + term;
  return s;
}

struct ChainCase {
  const char* name;
  std::string expression;
  const char* expected;  // "Wynik" as text, or the error
};

TEST(LongExpressions, FlatChainsRunWithoutStackPerOperator) {
  const ChainCase cases[] = {
      {"sum of 50,000 terms", chain("1", "+", "1", 49999), "50000"},
      {"alternating signs", chain("7", "-", "1+1", 30000), "7"},
      // The left side mixes levels: 2*3 is the bottom of the sum's chain.
      {"products inside a sum", chain("2*3", "+", "2*3", 29999), "180000"},
      {"a product chain as the right operand", "1+" + chain("1", "*", "1", 50000), "2"},
      {"string concatenation", "Length(" + chain("'ab'", "+", "'ab'", 39999) + ")", "80000"},
      // Booleans known at compile time: each step short-circuits over the value so far.
      {"and chain", chain("True", " and ", "(1 < 2)", 40000) + " and False", "False"},
      {"or chain", chain("False", " or ", "False", 40000) + " or True", "True"},
      {"comparisons", chain("1", " = ", "1", 1) + chain("", " = ", "True", 40000), "True"},
      // The error is the variant's, raised where the chain meets it.
      {"an error in the middle", chain("1", "+", "1", 20000) + "+'x'" + chain("", "+", "1", 20000),
       "error: Could not convert variant of type (String) into type (Double)"},
  };
  for (const auto& c : cases) {
    std::string result;
    run_on_small_stack([&] {
      FakeHost host;
      Script script(&host);
      if (!script.compile("var Wynik: Variant; begin Wynik := " + c.expression + " end.")) {
        result = "compile error " + script.error_position() + ": " + script.error_message();
        return;
      }
      try {
        script.execute();
        result = script.get_variable("Wynik").to_string();
        if (script.get_variable("Wynik").type() == core::VarType::Bool)
          result = script.get_variable("Wynik").to_bool() ? "True" : "False";
      } catch (const core::Error& e) {
        result = std::string("error: ") + e.what();
      }
    });
    EXPECT_EQ(result, c.expected) << c.name;
  }
}

// A bracketed memo expression goes through the report's wrapper function: 40,000 terms (80 KB)
// as in a template that crashed the night run.
TEST(LongExpressions, AFlatChainAsAReportExpression) {
  std::string result;
  run_on_small_stack([&] {
    FakeHost host;
    Script script(&host);
    ASSERT_TRUE(script.compile("begin end."));
    result = evaluate(script, chain("<DaneOrvena.\"ilosc\">", "+", "1", 39999));
  });
  EXPECT_EQ(result, "Integer 40002");
}

// Selectors nest each other (a.b.c is (a.b).c) and compiling and running them follows that
// nesting, so a designator's selectors count against the nesting limit.
TEST(LongExpressions, LongDesignatorsAreRefusedByTheNestingLimit) {
  const std::string designators[] = {
      chain("Memo1", ".", "Font", 50000),
      chain("Memo1", "", "[0]", 50000),
      chain("IntToStr", "", "(1)", 50000),
  };
  for (const auto& d : designators) {
    std::string result;
    run_on_small_stack([&] {
      FakeHost host;
      Script script(&host);
      script.compile("var Wynik: Variant; begin\n  Wynik := " + d + "\nend.");
      result = script.error_position() + " " + script.error_message();
    });
    // Stopped at the selector past the limit, on the line where the designator is.
    EXPECT_EQ(result.substr(0, 2), "2:") << d.substr(0, 20);
    EXPECT_NE(result.find("Zbyt głębokie zagnieżdżenie"), std::string::npos) << d.substr(0, 20) << result;
  }
  FakeHost host;
  Script script(&host);
  EXPECT_TRUE(
      script.compile("var Wynik: Variant; begin Wynik := " + chain("Memo1", ".", "Font", 150) + " end."))
      << script.error_message();
}

// A compile error of an expression tells where in the expression it is, not where in the
// wrapper the report puts it in.
TEST(LongExpressions, ExpressionErrorsHaveTheirPlaceInTheExpression) {
  FakeHost host;
  Script script(&host);
  ASSERT_TRUE(script.compile("begin end."));
  struct Case {
    std::string expression;
    const char* message;
    const char* position;
  };
  const Case cases[] = {
      {"1 +", "Expression expected", "1:5"},
      {"Nieznana * 2", "Niezadeklarowany identyfikator: 'Nieznana'", "1:1"},
      {std::string(300, '(') + "1" + std::string(300, ')'), "Zbyt głębokie zagnieżdżenie", "1:40"},
      {"1 +\n  (2 *", "Expression expected", "2:8"},
  };
  for (const auto& c : cases) {
    std::string error;
    std::optional<Position> at;
    EXPECT_EQ(script.compile_expression(c.expression, error, &at), nullptr);
    EXPECT_EQ(error, c.message) << c.expression.substr(0, 20);
    EXPECT_EQ(at ? at->text() : "none", c.position) << c.expression.substr(0, 20);
  }
}

}  // namespace
}  // namespace orvena::script::test
