#include <gtest/gtest.h>

#include "core/datetime.h"
#include "fake_host.h"

namespace orvena::script::test {
namespace {

struct Case {
  const char* expression;
  std::string expected;
};

class Expressions : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(script.compile("begin end.")) << script.error_message(); }
  void check(const std::vector<Case>& cases) {
    for (const auto& c : cases) EXPECT_EQ(evaluate(script, c.expression), c.expected) << c.expression;
  }
  FakeHost host;
  Script script{&host};
};

TEST_F(Expressions, LiteralsAndLexicalForms) {
  check({
      {"'it''s'", "String it's"},
      {"'a'#13#10'b'", "String a\r\nb"},
      {"#$41#66", "String AB"},
      {"#261", "String ą"},  // character codes are code points
      {"''", "String "},
      {"$FF", "Integer 255"},
      {"$FFFFFFFF", "Integer -1"},
      {"3000000000", "Int64 3000000000"},
      {"1.5e3", "Double 1500"},
      {"2E-2", "Double 0,02"},
      {"{ comment } 1 (* another *) + // to the end\n 2", "Integer 3"},
      {"zmienna_żółta", "compile error: Niezadeklarowany identyfikator: 'zmienna_żółta'"},
  });
}

TEST_F(Expressions, PrecedenceAndAssociativity) {
  check({
      {"2 + 3 * 4", "Integer 14"},
      {"(2 + 3) * 4", "Integer 20"},
      {"10 - 4 - 3", "Integer 3"},  // left-associative
      {"100 div 10 div 5", "Integer 2"},
      {"2 * 3 mod 4", "Integer 2"},  // same level, left to right: (2*3) mod 4
      {"-2 * 3", "Integer -6"},
      {"- 7 mod 3", "Integer -1"},
      {"not True and False", "Boolean False"},  // (not True) and False
      {"not (1 > 2)", "Boolean True"},
      {"1 + 2 = 3", "Boolean True"},
      {"<Line#> mod 2 = 0", "Boolean True"},  // mod binds tighter than =
      {"(<Line#> mod 2) = 0", "Boolean True"},
      // and binds tighter than the comparisons: <Line#> > (1 and <Line#>) < 5, so without
      // parentheses the second comparison compares a Boolean with 5.
      {"(<Line#> > 1) and (<Line#> < 5)", "Boolean True"},
      {"<Line#> > 1 and <Line#>", "Boolean True"},  // 4 > (1 and 4) = 4 > 0
      // Line# is 4: meant as "between 5 and 10", read as (4 > (5 and 4)) < 10 = False < 10.
      {"<Line#> > 5 and <Line#> < 10", "Boolean True"},
      {"(<Line#> > 5) and (<Line#> < 10)", "Boolean False"},
      {"1 or 2 * 2", "Integer 5"},     // 1 or (2*2), bitwise
      {"6 and 3 xor 1", "Integer 3"},  // (6 and 3) xor 1
      {"1 shl 4 + 1", "Integer 17"},
      {"256 shr 4", "Integer 16"},
  });
}

TEST_F(Expressions, ArithmeticAcrossKinds) {
  check({
      {"'A' + 'B'", "String AB"},
      {"1 + 2", "Integer 3"},
      {"7 / 2", "Double 3,5"},
      {"6 / 2", "Double 3"},
      {"7 div 2", "Integer 3"},
      {"7 mod 2", "Integer 1"},
      {"1.5 + 1", "Double 2,5"},
      {"'2' * 3", "Integer 6"},     // a numeric string meets a number
      {"'1,5' + 1", "Double 2,5"},  // the locale's decimal comma
      {"'5' + 5", "Integer 10"},    // only two strings concatenate
      {"2147483647 + 1", "Int64 2147483648"},
      {"True + 1", "Integer 0"},  // True counts as -1
      {"Null + 1", "Null "},
      {"'abc' < 'abd'", "Boolean True"},
      {"'10' > 9", "Boolean True"},  // compared as numbers
      {"1 = 1.0", "Boolean True"},
      {"Null = Null", "Boolean True"},
      {"EncodeDate(2024, 3, 1) - EncodeDate(2024, 2, 1)", "Double 29"},
      {"EncodeDate(2024, 2, 28) + 1", "Date 2024-02-29"},
  });
}

TEST_F(Expressions, ConversionErrors) {
  check({
      {"'abc' * 2", "error: Could not convert variant of type (String) into type (Double)"},
      {"'abc' - 'x'", "error: Could not convert variant of type (String) into type (Double)"},
      {"<DaneOrvena.\"nazwa\"> * 2", "error: Could not convert variant of type (String) into type (Double)"},
      {"'tak' and True", "error: Could not convert variant of type (String) into type (Int64)"},
      {"Memo1 + 1", "error: Invalid variant operation"},
  });
}

TEST_F(Expressions, DivisionByZeroRaisesOrGivesNull) {
  const char* divisions[] = {"1 / 0", "1 div 0", "5 mod 0", "1.5 / 0.0",
                             "<DaneOrvena.\"kwota\"> / (<Line#> - 4)"};
  for (const char* e : divisions) {
    EXPECT_EQ(evaluate(script, e), "error: Division by zero") << e;
    EXPECT_EQ(evaluate(script, e, DivisionByZero::GivesNull), "Null ") << e;
  }
  // Only a division by zero is forgiven.
  EXPECT_EQ(evaluate(script, "'x' * 1", DivisionByZero::GivesNull),
            "error: Could not convert variant of type (String) into type (Double)");
}

TEST_F(Expressions, ReportValuesAndNames) {
  check({
      {"<DaneOrvena.\"kwota\"> * 2", "Double 2469"},
      {"<DaneOrvena.\"kwota\"> * 1.23 + <DaneOrvena.\"ilosc\">", "Double 1521,435"},
      {"<DaneOrvena.\"a>b\">", "Integer 7"},  // ">" inside the quoted field name does not close
      {"<Line#> < 5", "Boolean True"},
      {"<Nieznane>", "error: Nieznana zmienna lub pole danych: Nieznane"},
      {"Get('DaneOrvena.\"ilosc\"')", "Integer 3"},
      {"IIF(<DaneOrvena.\"kwota\"> > 1000, 'duża', 'mała')", "String duża"},
      {"IIF(<DaneOrvena.\"kwota\"> < 0, 'minus', 'plus')", "String plus"},
      {"DayOf(EncodeDate(2024, 2, 29))", "Integer 29"},
      {"Memo1.Visible", "Boolean True"},
      {"memo1.FONT.color", "Integer 0"},
      {"Memo1[1]", "String b"},
      {"Self is TrpMemoView", "Boolean True"},
      {"MasterData1 is TrpMemoView", "Boolean False"},
      {"Memo1.Nope", "error: Niezadeklarowany identyfikator: 'Nope'"},
      {"MasterData1[0]", "error: Klasa TrpMasterData nie posiada domyślnych właściowości"},
      {"Memo1.Visible.Font", "error: Wymagany typ tablicy"},
      {"Value", "Empty "},
      {"@Memo1", "String Memo1"},
  });
  // Macros receive their arguments' source text, not values.
  EXPECT_EQ(evaluate(script, "SUM(<DaneOrvena.\"kwota\">, MasterData1) + COUNT()"), "Integer 200");
  EXPECT_EQ(host.macro_calls, (std::vector<std::string>{"SUM|<DaneOrvena.\"kwota\">|MasterData1", "COUNT|"}));
}

// A type name called with one value converts it as assigning it to a variable of the type would;
// a class name keeps the object and gives access to its members.
TEST_F(Expressions, TypeCasts) {
  check({
      {"Integer('7') + 1", "Integer 8"},
      {"Integer(2.5) + Integer(3.5)", "Integer 6"},  // halves to even, as assignments round
      {"String(12) + 'x'", "String 12x"},
      {"Double(7) / 2", "Double 3,5"},
      {"Boolean(1)", "Boolean True"},
      {"Int64(3000000000) + 1", "Int64 3000000001"},
      {"TrpMemoView(Self).Visible", "Boolean True"},
      {"TrpMemoView(Memo1)[1]", "String b"},
      {"Integer('x')", "error: Could not convert variant of type (String) into type (Integer)"},
      {"Integer(1, 2)", "compile error: Zbyt duża ilość parametrów"},
      {"Integer()", "compile error: Niewystarczająca ilość parametrów"},
  });
}

// Colours as TColor values: red in the low byte, as Font.Color and Color hold them.
TEST_F(Expressions, ColourNames) {
  check({
      {"clRed", "Integer 255"},
      {"CLBLUE", "Integer 16711680"},
      {"clBlack", "Integer 0"},
      {"clNone", "Integer 536870911"},
      {"clRed + clLime = clYellow", "Boolean True"},
  });
}

TEST_F(Expressions, SetsAndIn) {
  check({
      {"3 in [1, 3, 5]", "Boolean True"},
      {"4 in [1, 3, 5]", "Boolean False"},
      {"4 in [1, 3..5]", "Boolean True"},
      {"'b' in ['a'..'c']", "Boolean True"},
      {"[1, 2..3]", "Array[Integer 1,Array[Integer 2,Integer 3]]"},
      {"[1, 2", "compile error: ']' expected"},
  });
}

TEST_F(Expressions, CompiledOnceEvaluatedMany) {
  std::string error;
  auto e = script.compile_expression("<DaneOrvena.\"ilosc\"> * 2", error);
  ASSERT_TRUE(e) << error;
  EXPECT_EQ(e->evaluate(), Variant(6));
  host.fields["DaneOrvena.\"ilosc\""] = Variant(10);
  EXPECT_EQ(e->evaluate(), Variant(20));
}

TEST_F(Expressions, SeesTheReportScriptsNames) {
  ASSERT_TRUE(
      script.compile("var Razem: Integer;\n"
                     "function Podwoj(x: Integer): Integer; begin Result := x * 2 end;\n"
                     "begin Razem := 21 end."));
  script.execute();
  EXPECT_EQ(evaluate(script, "Podwoj(Razem)"), "Integer 42");
  // An expression compiled before the script is compiled again keeps the program it was made with.
  std::string error;
  auto before = script.compile_expression("Podwoj(Razem)", error);
  ASSERT_TRUE(script.compile("begin end."));
  EXPECT_EQ(before->evaluate(), Variant(42));
  EXPECT_EQ(evaluate(script, "Podwoj(1)"), "compile error: Niezadeklarowany identyfikator: 'Podwoj'");
  EXPECT_EQ(expression_error_text("1 +", "Expression expected"),
            "Błąd w wyrażeniu '1 +': Expression expected");
}

}  // namespace
}  // namespace orvena::script::test
