#include <gtest/gtest.h>

#include "fake_host.h"

namespace orvena::script::test {
namespace {

struct ErrorCase {
  const char* program;
  const char* position;
  const char* message;
};

// Each row: a program, where the compiler stops ("line:column" from 1) and what it says.
TEST(CompileErrors, TextsAndPositions) {
  const ErrorCase cases[] = {
      // the grammar's texts
      {"begin x := ; end.", "1:12", "Expression expected"},
      {"var 1: Integer; begin end.", "1:5", "Identifier expected"},
      {"begin if then end.", "1:10", "Expression expected"},
      {"begin := 1 end.", "1:7", "Statement expected"},
      {"var a Integer; begin end.", "1:7", "':' expected"},
      {"var a: Integer begin end.", "1:16", "';' expected"},
      {"begin end", "1:10", "'.' expected"},
      {"begin a := (1 + 2; end.", "1:18", "')' expected"},
      {"var a: array[1..2 of Integer; begin end.", "1:19", "']' expected"},
      {"const A 1; begin end.", "1:9", "'=' expected"},
      {"var a: Integer;", "1:16", "'BEGIN' expected"},
      {"procedure P; var a: Integer; if a then ; begin end.", "1:30", "'BEGIN' expected"},
      {"var a: array[1..2] Integer; begin end.", "1:20", "'OF' expected"},
      {"var a: Integer; begin case a 1: ; end end.", "1:30", "'OF' expected"},
      {"var a: Integer; begin case a of 1: a := 2 a := 3 end.", "1:43", "'END' expected"},
      {"begin if True a := 1 end.", "1:15", "'THEN' expected"},
      {"begin repeat Exit end.", "1:19", "'UNTIL' expected"},
      {"var i: Integer; begin for i := 1 do ; end.", "1:34", "'TO' or 'DOWNTO' expected"},
      {"begin while True ; end.", "1:18", "'DO' expected"},
      {"begin try Exit end.", "1:16", "'FINALLY' or 'EXCEPT' expected"},
      {"begin try Exit finally Exit. end.", "1:28", "'END' expected"},
      {"begin a := <abc end.", "1:21", "'>' expected"},
      // a missing END of a compound statement shows as a missing ";"
      {"var a: Integer;\nbegin\n  a := 1\n  a := 2\nend.", "4:3", "';' expected"},
      // the compiler's texts
      {"var a: Integer; a: String; begin end.", "1:17", "Powtórnie zadeklarowany identyfikator: 'a'"},
      {"procedure P; begin end; var p: Integer; begin end.", "1:29",
       "Powtórnie zadeklarowany identyfikator: 'p'"},
      {"begin\n  Brak := 1\nend.", "2:3", "Niezadeklarowany identyfikator: 'Brak'"},
      {"var a: TNieMa; begin end.", "1:8", "Nieznany typ: 'TNieMa'"},
      {"var a: Integer; begin a := 'x' end.", "1:28", "Niezgodne typy: 'Integer', 'String'"},
      {"var s: String = 1.5; begin end.", "1:17", "Niezgodne typy: 'String', 'Extended'"},
      {"var a: Integer; begin with a do ; end.", "1:28", "Wymagany typ klasy"},
      {"procedure P(a: Integer); begin end; begin P('x') end.", "1:45",
       "Niezgodne typy: 'Integer', 'String'"},
      {"var i: Integer; begin for i := 'a' to 2 do ; end.", "1:32", "Niezgodne typy: 'Integer', 'String'"},
      {"function F(a, b: Integer): Integer; begin end; begin F(1) end.", "1:55",
       "Niewystarczająca ilość parametrów"},
      {"begin IntToStr(1, 2) end.", "1:15", "Zbyt duża ilość parametrów"},
      {"const C = 1; begin C := 2 end.", "1:20", "Lewa strona nie może być przyporządkowana do"},
      {"procedure P; begin end; begin P := 2 end.", "1:31", "Lewa strona nie może być przyporządkowana do"},
      {"var s: String; begin for s := 1 to 2 do ; end.", "1:26", "Zmienna pętli musi być numeryczna"},
      {"procedure P(var x: Integer); begin end; begin P(1) end.", "1:49", "Wymagana zmienna"},
      {"begin x := @Memo1.Font end.", "1:12", "Wymagana zmienna"},
      // a local name may hide an outer one
      {"var a: Integer; procedure P; var a: String; begin a := 'x' end; begin a := 1 end.", "", ""},
      {"begin\r\n\r\nend.", "", ""},
      {"#language PascalScript\nbegin end.", "", ""},
  };
  FakeHost host;
  for (const auto& c : cases) {
    Script script(&host);
    bool ok = script.compile(c.program);
    EXPECT_EQ(ok, *c.message == '\0') << c.program;
    EXPECT_EQ(script.error_message(), c.message) << c.program;
    EXPECT_EQ(script.error_position(), c.position) << c.program;
  }
}

TEST(CompileErrors, LanguagesOtherThanPascalScriptAreRefused) {
  Script script;
  EXPECT_FALSE(script.compile("#language JScript\n{}"));
  EXPECT_EQ(script.error_message(), "Język 'JScript' nie został znaleziony");
  script.set_language("BasicScript");
  EXPECT_FALSE(script.compile("begin end."));
  EXPECT_EQ(script.error_message(), "Język 'BasicScript' nie został znaleziony");
}

TEST(CompileErrors, PositionsCountCharactersNotBytes) {
  Script script;
  EXPECT_FALSE(script.compile("begin żółw := 1; x := 2 end."));
  EXPECT_EQ(script.error_position(), "1:7");
  EXPECT_FALSE(script.compile("var żółw: Integer; begin żółw := 1; x := 2 end."));
  EXPECT_EQ(script.error_position(), "1:37");
}

TEST(CompileErrors, HostileNestingAndSizesAreRefused) {
  Script script;
  std::string deep =
      "var a: Integer; begin a := " + std::string(5000, '(') + "1" + std::string(5000, ')') + " end.";
  EXPECT_FALSE(script.compile(deep));
  EXPECT_EQ(script.error_message(), "Zbyt głębokie zagnieżdżenie");
  std::string nested = "begin " + std::string(5000, 'x') + " end.";
  std::string blocks;
  for (int i = 0; i < 5000; ++i) blocks += "begin ";
  EXPECT_FALSE(script.compile(blocks));
  EXPECT_EQ(script.error_message(), "Zbyt głębokie zagnieżdżenie");
  EXPECT_FALSE(script.compile("var a: array[0..100000000] of Integer; begin end."));
  EXPECT_EQ(script.error_message(), "Zbyt długi tekst");
  EXPECT_FALSE(script.compile("begin a := 'bez końca\nend."));
  EXPECT_EQ(script.error_message(), "Unterminated string");
}

TEST(CompileErrors, ExpressionErrorsNameTheExpression) {
  FakeHost host;
  Script script(&host);
  ASSERT_TRUE(script.compile("begin end."));
  std::string error;
  EXPECT_EQ(script.compile_expression("1 +", error), nullptr);
  EXPECT_EQ(expression_error_text("1 +", error), "Błąd w wyrażeniu '1 +': Expression expected");
  EXPECT_EQ(script.compile_expression("Nieznana * 2", error), nullptr);
  EXPECT_EQ(error, "Niezadeklarowany identyfikator: 'Nieznana'");
  EXPECT_EQ(script.compile_expression("IIF(1, 2)", error), nullptr);
  EXPECT_EQ(error, "Niewystarczająca ilość parametrów");
}

}  // namespace
}  // namespace orvena::script::test
