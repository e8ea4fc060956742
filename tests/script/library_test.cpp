#include <gtest/gtest.h>

#include "core/datetime.h"
#include "fake_host.h"

namespace orvena::script::test {
namespace {

struct Case {
  const char* expression;
  std::string expected;
};

class Library : public ::testing::Test {
 protected:
  void SetUp() override {
    // Thursday 2024-02-29 13:45:30
    clock.set(core::encode_date(2024, 2, 29) + core::encode_time(13, 45, 30));
    script.set_clock(&clock);
    ASSERT_TRUE(script.compile("begin end."));
  }
  void check(const std::vector<Case>& cases) {
    for (const auto& c : cases) EXPECT_EQ(evaluate(script, c.expression), c.expected) << c.expression;
  }
  // A statement's effect on its var parameter: the script's variable after it runs.
  std::string after(const std::string& decl, const std::string& statements) {
    Script s(&host);
    if (!s.compile("var " + decl + "; begin " + statements + " end."))
      return "compile error: " + s.error_message();
    try {
      s.execute();
    } catch (const core::Error& e) {
      return std::string("error: ") + e.what();
    }
    return s.get_variable("v").to_string();
  }
  core::FixedClock clock{0};
  FakeHost host;
  Script script{&host};
};

TEST_F(Library, Conversion) {
  check({
      {"IntToStr(-42)", "String -42"},
      {"IntToStr(2.5)", "String 2"},  // the argument is rounded half to even
      {"FloatToStr(1234.5)", "String 1234,5"},
      {"FloatToStr(1/3)", "String 0,333333333333333"},
      {"FloatToStr(1e20)", "String 1E20"},
      {"DateToStr(EncodeDate(2024, 2, 29))", "String 2024-02-29"},
      {"TimeToStr(EncodeTime(7, 5, 9, 0))", "String 07:05:09"},
      {"DateTimeToStr(EncodeDate(2024, 2, 29) + EncodeTime(7, 5, 9, 0))", "String 2024-02-29 07:05:09"},
      {"BoolToStr(True) + BoolToStr(False)", "String -10"},
      {"VarToStr(Null) + VarToStr(1.5)", "String 1,5"},
      {"StrToInt(' 42 ')", "Integer 42"},
      {"StrToInt('$FF')", "Integer 255"},
      {"StrToInt('-2147483648')", "Integer -2147483648"},
      {"StrToInt('2147483648')", "error: '2147483648' is not a valid integer value"},
      {"StrToInt('3,5')", "error: '3,5' is not a valid integer value"},
      {"StrToInt('')", "error: '' is not a valid integer value"},
      {"StrToInt64('9000000000')", "Int64 9000000000"},
      {"StrToFloat('3,25')", "Double 3,25"},
      {"StrToFloat('3.25')", "Double 3,25"},
      {"StrToFloat('x')", "error: 'x' is not a valid floating point value"},
      {"StrToDate('2024-02-29')", "Date 2024-02-29"},
      {"StrToDate('2023-02-29')", "error: '2023-02-29' is not a valid date"},
      {"StrToTime('25:00')", "error: '25:00' is not a valid time"},
      {"StrToDateTime('2024-02-29 13:00:00')", "Date 2024-02-29 13:00:00"},
      {"StrToBool('TRUE')", "Boolean True"},
      {"StrToBool('0')", "Boolean False"},
      {"StrToBool('tak')", "error: 'tak' is not a valid boolean value"},
  });
}

TEST_F(Library, Formatting) {
  check({
      {"Format('%d szt. po %.2f zł', [3, 2.5])", "String 3 szt. po 2,50 zł"},
      {"Format('%s', ['a', 'b'])", "String a"},
      {"Format('%d', [1.5])", "error: Format '%d' invalid or incompatible with argument"},
      {"FormatFloat('#,##0.00', 1234567.891)", "String 1\u00A0234\u00A0567,89"},
      {"FormatFloat('0.000', -0.0004)", "String 0,000"},
      {"FormatDateTime('dddd, d mmmm yyyy hh:nn', Now)", "String czwartek, 29 luty 2024 13:45"},
      {"FormatDateTime('yyyy', EncodeDate(9999, 12, 31))", "String 9999"},
      {"FormatMaskText('00-000;0;_', '01234')", "String 01-234"},
      {"FormatMaskText('00-000;0;_', '012')", "String 01-2__"},
      {"FormatMaskText('>LL 000', 'ab123')", "String AB 123"},
  });
}

TEST_F(Library, DateAndTime) {
  check({
      {"EncodeDate(2024, 2, 29)", "Date 2024-02-29"},
      {"EncodeDate(2023, 2, 29)", "error: Invalid argument to date encode"},
      {"EncodeDate(1, 1, 1)", "Date 0001-01-01"},
      {"EncodeDate(9999, 12, 31) - EncodeDate(1, 1, 1)", "Double 3652058"},
      {"EncodeTime(23, 59, 59, 999) < 1", "Boolean True"},
      {"EncodeTime(24, 0, 0, 0)", "error: Invalid argument to time encode"},
      {"Date", "Date 2024-02-29"},
      {"Time", "Date 13:45:30"},
      {"Now", "Date 2024-02-29 13:45:30"},
      {"DayOfWeek(EncodeDate(2024, 2, 29))", "Integer 5"},  // Sunday is 1
      {"DayOfWeek(EncodeDate(1899, 12, 30))", "Integer 7"},
      {"IsLeapYear(2000)", "Boolean True"},
      {"IsLeapYear(1900)", "Boolean False"},
      {"DaysInMonth(EncodeDate(2024, 2, 1))", "Integer 29"},
      {"DaysInMonth(2023, 2)", "Integer 28"},
      {"DayOf(Date)", "Integer 29"},
  });
  EXPECT_EQ(after("v: String; y, m, d: Integer",
                  "DecodeDate(EncodeDate(2024, 2, 29), y, m, d); "
                  "v := IntToStr(y) + '/' + IntToStr(m) + '/' + IntToStr(d)"),
            "2024/2/29");
  EXPECT_EQ(after("v: String; h, n, s, z: Integer",
                  "DecodeTime(EncodeTime(7, 5, 9, 45), h, n, s, z); "
                  "v := Format('%d:%d:%d.%d', [h, n, s, z])"),
            "7:5:9.45");
}

TEST_F(Library, Strings) {
  check({
      {"Length('żółw')", "Integer 4"},  // characters, not bytes
      {"Length('')", "Integer 0"},
      {"Length(12345)", "Integer 5"},
      {"Length([1, 2, 3])", "Integer 3"},
      {"Copy('żółwik', 2, 3)", "String ółw"},
      {"Copy('abc', 0, 2)", "String ab"},  // a start before 1 counts from 1
      {"Copy('abc', -5, 2)", "String ab"},
      {"Copy('abc', 3, 10)", "String c"},
      {"Copy('abc', 4, 1)", "String "},
      {"Copy('abc', 1, -1)", "String "},
      {"Copy('', 1, 1)", "String "},
      {"Pos('łw', 'żółw')", "Integer 3"},
      {"Pos('x', 'abc')", "Integer 0"},
      {"Pos('', 'abc')", "Integer 0"},
      {"DeleteStr('abcdef', 2, 3)", "String aef"},
      {"DeleteStr('abc', 0, 1)", "String abc"},
      {"DeleteStr('abc', 3, 100)", "String ab"},
      {"Uppercase('zażółć gęślą')", "String ZAŻÓŁĆ GĘŚLĄ"},
      {"Lowercase('ŻÓŁW')", "String żółw"},
      {"Trim('  a b \t')", "String a b"},
      {"NameCase('jAN kOWALSKI-nowak')", "String Jan Kowalski-Nowak"},
      {"CompareText('abc', 'ABC')", "Integer 0"},
      {"CompareText('a', 'b') < 0", "Boolean True"},
      {"CompareText('ab', 'a') > 0", "Boolean True"},
      {"Chr(65) + Chr(322)", "String Ał"},
      {"Chr(-1)", "error: Range check error"},
      {"Ord('ł')", "Integer 322"},
      {"Ord('')", "Integer 0"},
  });
  EXPECT_EQ(after("v: String", "v := 'abcdef'; Delete(v, 2, 2)"), "adef");
  EXPECT_EQ(after("v: String", "v := 'abc'; Delete(v, 0, 2)"), "abc");
  EXPECT_EQ(after("v: String", "v := 'abc'; Delete(v, 2, -1)"), "abc");
  EXPECT_EQ(after("v: String", "v := 'ac'; Insert('b', v, 2)"), "abc");
  EXPECT_EQ(after("v: String", "v := 'ac'; Insert('x', v, 0)"), "xac");
  EXPECT_EQ(after("v: String", "v := 'ac'; Insert('x', v, 99)"), "acx");
  EXPECT_EQ(after("v: String", "v := 'żółw'; SetLength(v, 2)"), "żó");
  EXPECT_EQ(after("v: String", "v := 'ab'; SetLength(v, 4); v := v + '|'"), "ab  |");
  EXPECT_EQ(after("v: String", "SetLength(v, 1000000000)"), "error: Zbyt długi tekst");
  EXPECT_EQ(after("v: String", "v := 'x'; while True do v := v + v"), "error: Zbyt długi tekst");
  EXPECT_EQ(after("v: String", "Delete('abc', 1, 1)"), "compile error: Wymagana zmienna");
}

TEST_F(Library, Mathematics) {
  check({
      {"Round(2.5)", "Integer 2"},  // halves to even
      {"Round(3.5)", "Integer 4"},
      {"Round(-2.5)", "Integer -2"},
      {"Round(1e10)", "Int64 10000000000"},
      {"Round(1e300)", "error: Invalid floating point operation"},
      {"Trunc(-2.7)", "Integer -2"},
      {"Int(2.7)", "Integer 2"},
      {"Frac(2.75)", "Double 0,75"},
      {"Sqrt(16)", "Double 4"},
      {"Sqrt(-1)", "error: Invalid floating point operation"},
      {"Abs(-5)", "Integer 5"},
      {"Abs(-2.5)", "Double 2,5"},
      {"Sin(0)", "Double 0"},
      {"Cos(0)", "Double 1"},
      {"Round(ArcTan(1) * 4 * 1000)", "Integer 3142"},
      {"Tan(0)", "Double 0"},
      {"Exp(0)", "Double 1"},
      {"Ln(Exp(2))", "Double 2"},
      {"Ln(0)", "error: Invalid floating point operation"},
      {"Round(Pi * 100)", "Integer 314"},
      {"Random(1)", "Integer 0"},
      {"(Random >= 0) and (Random < 1)", "Boolean True"},
  });
  EXPECT_EQ(after("v: Integer", "v := 5; Inc(v); Inc(v, 10); Dec(v, 3); Dec(v)"), "12");
}

TEST_F(Library, Other) {
  check({
      {"RaiseException('Brak pliku')", "error: Brak pliku"},
      {"ShowMessage('x')", "Null "},
      {"ValidInt('12') and not ValidInt('1,5') and not ValidInt('')", "Boolean True"},
      {"ValidFloat('1,5') and not ValidFloat('1,5x')", "Boolean True"},
      {"ValidDate('2024-02-29') and not ValidDate('2023-02-29')", "Boolean True"},
      {"ExtractFilePath('C:\\Dane\\plik.txt')", "String C:\\Dane\\"},
      {"ExtractFilePath('plik.txt')", "String "},
      {"CreateOleObject('Excel.Application')", "error: Invalid class string: Excel.Application"},
      {"VarType(1) + VarType('a') + VarType(Null)", "Integer 260"},
      {"VarType(1.5)", "Integer 5"},
      {"Length(VarArrayCreate([0, 4], 12))", "Integer 5"},
  });
  EXPECT_EQ(after("v: Variant", "v := VarArrayCreate([1, 3], 12); v[3] := 'c'; v := v[3]"), "c");
}

}  // namespace
}  // namespace orvena::script::test
