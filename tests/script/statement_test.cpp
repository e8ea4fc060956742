#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/stat.h>

#include <chrono>

#include "core/line_file.h"
#include "core/temp_dir.h"
#include "fake_host.h"
#include "support/time_bounds.h"

namespace orvena::script::test {
namespace {

class Statements : public ::testing::Test {
 protected:
  // Compiles and runs a program; the result is the script variable "Wynik" as text, or the error.
  std::string run(const std::string& program) {
    if (!script.compile(program))
      return "compile error " + script.error_position() + ": " + script.error_message();
    try {
      script.execute();
    } catch (const core::Error& e) {
      return std::string("error: ") + e.what();
    }
    return script.get_variable("Wynik").to_string();
  }
  FakeHost host;
  Script script{&host};
};

TEST_F(Statements, EmptyProgramCompilesToNothing) {
  ASSERT_TRUE(script.compile("begin\r\n\r\nend."));
  EXPECT_FALSE(script.has_main_block());
  script.execute();
}

struct Program {
  const char* name;
  const char* text;
  const char* expected;
};

TEST_F(Statements, EachStatementForm) {
  const Program programs[] = {
      {"assignment converts by kind", "var Wynik: Integer; begin Wynik := 2.6 end.", "3"},
      {"string index assignment", "var Wynik: String; begin Wynik := 'kot'; Wynik[1] := 'K' end.", "Kot"},
      {"if else", "var Wynik: String; begin if 1 > 2 then Wynik := 'a' else Wynik := 'b' end.", "b"},
      {"nested if binds else to the nearest",
       "var Wynik: Integer; begin Wynik := 0; if True then if False then Wynik := 1 else Wynik := 2 end.",
       "2"},
      {"case with ranges and else",
       "var Wynik: String; i: Integer; begin for i := 1 to 7 do case i of 1, 2: Wynik := Wynik + 'a'; "
       "3..5: Wynik := Wynik + 'b' else Wynik := Wynik + 'c' end end.",
       "aabbbcc"},
      {"case without a match does nothing",
       "var Wynik: Integer; begin Wynik := 5; case 9 of 1: Wynik := 1 end end.", "5"},
      {"for to", "var Wynik, i: Integer; begin for i := 1 to 4 do Wynik := Wynik * 10 + i end.", "1234"},
      {"for downto leaves the last value",
       "var Wynik: String; i: Integer; begin for i := 3 downto 1 do Wynik := Wynik + IntToStr(i); "
       "Wynik := Wynik + '/' + IntToStr(i) end.",
       "321/1"},
      {"for over an empty range leaves the variable",
       "var Wynik: Integer; begin Wynik := 42; for Wynik := 1 to 0 do ; end.", "42"},
      {"for passes are fixed before the first",
       "var Wynik, i, n: Integer; begin n := 3; for i := 1 to n do begin n := 10; i := i + 5; Inc(Wynik) end "
       "end.",
       "3"},
      {"while with break and continue",
       "var Wynik: String; i: Integer; begin i := 0; while True do begin Inc(i); if i = 2 then continue; "
       "if i > 4 then break; Wynik := Wynik + IntToStr(i) end end.",
       "134"},
      {"repeat runs at least once", "var Wynik: Integer; begin repeat Inc(Wynik) until True end.", "1"},
      {"try except publishes the error",
       "var Wynik: String; begin try Wynik := 'x'; Wynik := IntToStr(1 div 0); Wynik := 'nie' except "
       "Wynik := Wynik + ExceptionClassName + ':' + ExceptionMessage end end.",
       "xEDivByZero:Division by zero"},
      {"RaiseException caught",
       "var Wynik: String; begin try RaiseException('Brak danych') except Wynik := ExceptionMessage end end.",
       "Brak danych"},
      {"try finally after an error",
       "var Wynik: String; begin try try Wynik := IntToStr(1 div 0) finally Wynik := 'f' end except "
       "Wynik := Wynik + 'e' end end.",
       "fe"},
      {"with reaches members first",
       "var Wynik: String; begin with Memo1 do begin Text := 'abc'; Wynik := Text end end.", "abc"},
      {"with searches the innermost target first, then the outer ones",
       "var Wynik: String; begin Memo1.Text := 'm'; with Memo1, Font do begin Color := 255; "
       "Wynik := IntToStr(Color) + Text end end.",
       "255m"},
      {"exit ends the main block", "var Wynik: Integer; begin Wynik := 1; exit; Wynik := 2 end.", "1"},
      {"array with bounds",
       "var Wynik: Integer; a: array[1..3] of Integer; i: Integer; begin "
       "for i := 1 to 3 do a[i] := i * i; Wynik := a[1] + a[2] + a[3] end.",
       "14"},
      {"two-dimensional array",
       "var Wynik: Variant; a: array[2, 0..1] of Variant; begin a[1, 1] := 'x'; "
       "Wynik := a[1, 1] + IntToStr(Length(a)) end.",
       "x2"},
      {"array index out of bounds", "var Wynik: Integer; a: array[1..3] of Integer; begin a[4] := 1 end.",
       "error: Variant or safe array index out of bounds"},
      {"constants", "const N = 5; S = 'x' + 'y'; var Wynik: String; begin Wynik := S + IntToStr(N * 2) end.",
       "xy10"},
      {"member of a string", "var Wynik, s: String; begin Wynik := s.Text end.",
       "error: Ciągi nie posiadają właściwości lub metod"},
      {"report objects set and read",
       "var Wynik: String; begin Memo1.Font.Color := 255; MasterData1.Visible := False; "
       "Memo1.Clear; Wynik := IntToStr(Memo1.Font.Color) + BoolToStr(MasterData1.Visible) end.",
       "2550"},
      {"Set and Get", "var Wynik: Variant; begin Set('Suma', 12); Wynik := Get('Suma') + <Suma> end.", "24"},
      {"Value assigned", "var Wynik: Variant; begin Value := 3; Wynik := Value * 2 end.", "6"},
  };
  for (const auto& p : programs) EXPECT_EQ(run(p.text), p.expected) << p.name;
}

TEST_F(Statements, ProceduresAndFunctions) {
  const Program programs[] = {
      {"called before its declaration",
       "var Wynik: Integer; procedure A; begin B end; procedure B; begin Wynik := 7 end; begin A end.", "7"},
      {"recursion keeps each call's parameters and Result",
       "var Wynik: Integer; function Silnia(n: Integer): Integer; begin if n <= 1 then Result := 1 "
       "else Result := n * Silnia(n - 1) end; begin Wynik := Silnia(10) end.",
       "3628800"},
      {"var parameters come back",
       "var Wynik, a, b: Integer; procedure Zamien(var x, y: Integer); var t: Integer; begin t := x; x := y; "
       "y := t end; begin a := 1; b := 2; Zamien(a, b); Wynik := a * 10 + b end.",
       "21"},
      {"default parameters",
       "var Wynik: String; function F(a: String; b: String = '!'): String; begin "
       "Result := a + b end; begin Wynik := F('x') + F('y', '?') end.",
       "x!y?"},
      {"a local initialiser runs at every call, a plain local keeps its value",
       "var Wynik: String; procedure P; var a: Integer = 0; b: Integer; begin Inc(a); Inc(b); "
       "Wynik := Wynik + IntToStr(a) + IntToStr(b) end; begin P; P; P end.",
       "111213"},
      {"exit in try finally still runs the finally part",
       "var Wynik: String; procedure P; begin try Wynik := 'a'; exit; Wynik := 'b' finally Wynik := Wynik + "
       "'f' "
       "end; Wynik := Wynik + 'z' end; begin P; Wynik := Wynik + '.' end.",
       "af."},
      {"a nested function sees its parent's names",
       "var Wynik: Integer; function Zewn(x: Integer): Integer; function Wewn: Integer; begin Result := x + "
       "1 "
       "end; begin Result := Wewn * 2 end; begin Wynik := Zewn(4) end.",
       "10"},
      {"endless recursion stops", "var Wynik: Integer; procedure P; begin P end; begin P end.",
       "error: Stack overflow"},
      {"an error leaves the procedure's running state clean",
       "var Wynik: Integer; function F(n: Integer): Integer; begin if n = 0 then RaiseException('x'); "
       "Result := n end; begin try F(0) except end; Wynik := F(5) end.",
       "5"},
  };
  for (const auto& p : programs) EXPECT_EQ(run(p.text), p.expected) << p.name;
}

// The deepest recursion the limits allow, each call inside the deepest expression the parser
// takes, ends with the error within a bounded stack: run here on a thread of 2 MiB, a quarter of
// the usual main-thread stack, sanitizer builds included. Sums in parentheses, and a chain of
// signs, which takes more stack for the same parser depth.
TEST_F(Statements, DeepestRecursionEndsWithAnErrorWithinABoundedStack) {
  std::string sums = "F(n + 1)";
  for (int i = 0; i < 35; ++i) sums = "1 + (" + sums + ")";
  const std::string signs = std::string(180, '-') + "F(n + 1)";
  for (const std::string& body : {sums, signs}) {
    std::string program = "var Wynik: Integer; function F(n: Integer): Integer; begin Result := " + body +
                          " end; begin Wynik := F(0) end.";
    std::string result;
    auto work = [&] { result = run(program); };
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 2u << 20);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attr,
                  [](void* f) -> void* {
                    (*static_cast<decltype(work)*>(f))();
                    return nullptr;
                  },
                  &work),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    EXPECT_EQ(result, "error: Stack overflow") << body.substr(0, 20);
  }
}

TEST_F(Statements, HandlerColoursAndHides) {
  ASSERT_TRUE(script.compile(
      "procedure Memo1OnBeforePrint(Sender: TrpView);\n"
      "begin\n"
      "  if <DaneOrvena.\"kwota\"> < 0 then Sender.Font.Color := $0000FF;\n"
      "  MasterData1.Visible := <DaneOrvena.\"kwota\"> >= 0;\n"
      "end;\n"
      "function Dodaj(var x: Integer; n: Integer): Integer; begin x := x + n; Result := x end;\n"
      "begin end."))
      << script.error_position() << " " << script.error_message();
  std::vector<Variant> params = {Variant(host.memo)};
  host.fields["DaneOrvena.\"kwota\""] = Variant(-5);
  script.call_function("Memo1OnBeforePrint", params);
  EXPECT_EQ(FakeHost::fake(host.memo->props["font"]).props["color"], Variant(255));
  EXPECT_EQ(host.band->props["visible"], Variant(false));
  std::vector<Variant> args = {Variant(1), Variant(2)};
  EXPECT_EQ(script.call_function("Dodaj", args), Variant(3));
  EXPECT_EQ(args[0], Variant(3));  // var parameters are written back
  EXPECT_TRUE(script.call_function("NieMaTakiej", args).is_null());
  EXPECT_FALSE(script.has_procedure("NieMaTakiej"));
}

TEST_F(Statements, GlobalsStartAfreshAtEveryCompile) {
  const char* text = "var Licznik: Integer; begin Licznik := Licznik + 1 end.";
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(script.compile(text));
    script.execute();
    EXPECT_EQ(script.get_variable("Licznik"), Variant(1));
  }
  script.set_variable("Nowa", Variant("x"));
  EXPECT_EQ(script.get_variable("nowa"), Variant("x"));
  EXPECT_TRUE(script.get_variable("Brak").is_null());
}

TEST_F(Statements, LineHookEndsEndlessLoops) {
  auto started = std::chrono::steady_clock::now();
  for (const char* loop : {"begin while True do ; end.", "begin repeat until False end.",
                           "var i: Int64; begin for i := 0 to 9000000000000 do ; end.",
                           "procedure P; begin while True do begin end end; begin P end."}) {
    ASSERT_TRUE(script.compile(loop)) << loop;
    int steps = 0;
    script.set_line_hook([&](const LineEvent&) {
      if (++steps == 10000) script.terminate();
    });
    script.execute();
    EXPECT_EQ(steps, 10000) << loop;
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, orvena::test::kEndsWellBeforeAHang);
}

// A hook that ends the script with ScriptStopped: the script's own try ... except does not catch
// it and its finally parts do not run, so nothing in the script keeps it going.
TEST_F(Statements, ScriptStoppedPassesTheScriptsOwnHandlers) {
  for (const char* loop :
       {"var Wynik: Integer; begin try while True do ; except Wynik := 1 end; Wynik := 2 end.",
        "var Wynik: Integer; begin try while True do ; finally Wynik := 1 end end.",
        "var Wynik: Integer; begin while True do try repeat until False except Wynik := 1 end end.",
        "var Wynik: Integer; procedure P; begin while True do ; end; begin try P finally Wynik := 1 end "
        "end."}) {
    ASSERT_TRUE(script.compile(loop)) << loop;
    int steps = 0;
    script.set_line_hook([&](const LineEvent&) {
      if (++steps > 1000) throw ScriptStopped("limit");
    });
    try {
      script.execute();
      ADD_FAILURE() << "not stopped: " << loop;
    } catch (const ScriptStopped& e) {
      EXPECT_STREQ(e.what(), "limit");
    }
    EXPECT_EQ(script.get_variable("Wynik"), Variant(0)) << loop;
  }
}

// terminate() ends the script's code also while it runs for a compiled expression, whose
// statements belong to a child of the script.
TEST_F(Statements, TerminateEndsAnExpressionsCallIntoTheScript) {
  ASSERT_TRUE(
      script.compile("function Petla(n: Integer): Integer; begin while True do Inc(n); Result := n end; "
                     "begin end."));
  std::string error;
  auto e = script.compile_expression("Petla(1) + 1", error);
  ASSERT_TRUE(e) << error;
  int steps = 0;
  script.set_line_hook([&](const LineEvent&) {
    ++steps;
    if (steps == 1000) script.terminate();
    // Without the terminate reaching the expression the loop would go on for ever.
    if (steps > 100000) throw ScriptStopped("not terminated");
  });
  EXPECT_NO_THROW(e->evaluate());
  EXPECT_EQ(steps, 1000);
}

TEST_F(Statements, LineHookSeesPositions) {
  ASSERT_TRUE(script.compile("var i: Integer;\nbegin\n  i := 1;\n  if i = 1 then\n    i := 2\nend."));
  std::vector<std::string> seen;
  script.set_line_hook([&](const LineEvent& e) { seen.push_back(e.pos.text()); });
  script.execute();
  EXPECT_EQ(seen, (std::vector<std::string>{"3:3", "4:3", "5:5"}));
}

TEST_F(Statements, UsedUnitsJoinTheScript) {
  int loads = 0;
  script.unit_loader = [&](const std::string& name) -> std::optional<std::string> {
    ++loads;
    if (name == "wspolne.pas")
      return "uses 'wspolne.pas'; const Stawka = 23; function Brutto(x: Double): Double; "
             "begin Result := x * (100 + Stawka) / 100 end; begin end.";
    if (name == "zly.pas") return "begin x := 1 end.";
    return std::nullopt;
  };
  EXPECT_EQ(run("uses 'wspolne.pas', 'WSPOLNE.PAS'; var Wynik: Double; begin Wynik := Brutto(100) end."),
            "123");
  EXPECT_EQ(loads, 1);  // a unit is included once, also when it uses itself
  EXPECT_EQ(run("uses 'zly.pas'; begin end."), "compile error 1:7: Niezadeklarowany identyfikator: 'x'");
  EXPECT_EQ(script.error_unit(), "zly.pas");
  // Without a loader's answer nor a unit folder there is nowhere to read it from.
  EXPECT_EQ(run("uses 'brak.pas'; begin end."),
            "compile error 1:6: Moduł 'brak.pas' nie ma folderu, z którego można go wczytać.");
}

// Without a loader, a unit is read from the first include folder that has it.
TEST_F(Statements, UsedUnitsFromIncludeFolders) {
  core::TempDir tmp;
  std::filesystem::create_directories(tmp.path() / "a");
  std::filesystem::create_directories(tmp.path() / "b");
  core::write_file_atomic(tmp.path() / "b" / "stale.pas", "const Stawka = 23; begin end.");
  core::write_file_atomic(tmp.path() / "a" / "stale.pas", "const Stawka = 8; begin end.");
  script.include_path = {tmp.path() / "b", tmp.path() / "a"};
  EXPECT_EQ(run("uses 'stale.pas'; var Wynik: Integer; begin Wynik := Stawka end."), "23");
  script.include_path = {tmp.path() / "a", tmp.path() / "b"};
  EXPECT_EQ(run("uses 'stale.pas'; var Wynik: Integer; begin Wynik := Stawka end."), "8");
}

// A unit name is a file of the unit folder: no path leads out of it, and nothing but a regular
// file of bounded size is read, so a template cannot read /etc/passwd, hang on a FIFO or fill
// the memory from /dev/zero.
TEST_F(Statements, UsedUnitsComeOnlyFromTheirFolderAsBoundedRegularFiles) {
  core::TempDir tmp;
  const std::filesystem::path units = tmp.path() / "Szablony";
  std::filesystem::create_directories(units / "wspolne");
  core::write_file_atomic(units / "wspolne" / "stawki.pas", "const Stawka = 23; begin end.");
  core::write_file_atomic(tmp.path() / "obcy.pas", "const Stawka = 99; begin end.");
  ASSERT_EQ(::mkfifo((units / "fifo.pas").c_str(), 0644), 0);
  std::filesystem::create_symlink("/dev/zero", units / "zero.pas");
  std::filesystem::create_symlink(tmp.path() / "obcy.pas", units / "link.pas");
  core::write_file_atomic(units / "duzy.pas", "{" + std::string(5 << 20, ' ') + "} begin end.");
  script.include_path = {units};
  EXPECT_EQ(run("uses 'wspolne/stawki.pas'; var Wynik: Integer; begin Wynik := Stawka end."), "23");

  const std::string outside = "leży poza folderem szablonu - nie wczytano go.";
  struct Case {
    const char* unit;
    std::string error;
  };
  const Case cases[] = {
      {"../obcy.pas", outside},
      {"wspolne/../../obcy.pas", outside},
      {"/etc/passwd", outside},
      {"link.pas", outside},
      {"fifo.pas", "To nie jest zwykły plik"},
      {"zero.pas", outside},  // the link leads out before it is found to be a device
      {"duzy.pas", "większy niż"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.unit);
    const auto started = std::chrono::steady_clock::now();
    const std::string result = run("uses '" + std::string(c.unit) + "'; begin end.");
    EXPECT_EQ(result.rfind("compile error 1:6: ", 0), 0u) << result;
    EXPECT_NE(result.find(c.error), std::string::npos) << result;
    EXPECT_LT(std::chrono::steady_clock::now() - started, orvena::test::kEndsWellBeforeAHang);
  }
}

// An error quoting an expression of a megabyte quotes its beginning only.
TEST(ExpressionErrorText, QuotesAtMostAFewHundredCharacters) {
  const std::string huge = "ó" + std::string(1 << 20, '1');
  const std::string text = expression_error_text(huge, "Niezadeklarowany identyfikator: '" + huge + "'");
  EXPECT_LT(text.size(), 1000u);
  EXPECT_EQ(text.rfind("Błąd w wyrażeniu 'ó111", 0), 0u) << text.substr(0, 100);
  EXPECT_NE(text.find("...': Niezadeklarowany identyfikator: 'ó111"), std::string::npos);
  // A short one stays whole.
  EXPECT_EQ(expression_error_text("1 +", "Expression expected"),
            "Błąd w wyrażeniu '1 +': Expression expected");
}

}  // namespace
}  // namespace orvena::script::test
