#include "core/number_format.h"

#include <gtest/gtest.h>

#include "core/datetime_format.h"
#include "core/error.h"

namespace orvena::core {
namespace {

const std::string nbsp = "\u00A0";

struct PictureCase {
  const char* picture;
  double value;
  std::string expected;
};

// The classic picture table: positive, negative, a half and zero through each kind of picture.
TEST(FormatFloat, PictureFormats) {
  const PictureCase cases[] = {
      {"", 1234, "1234"},
      {"", 0.5, "0,5"},
      {"0", 1234, "1234"},
      {"0", -1234, "-1234"},
      {"0", 0.5, "1"},   // halves round away from zero on the decimal digits
      {"0", -0.4, "0"},  // no "-0"
      {"0.00", 1234, "1234,00"},
      {"0.00", 0.5, "0,50"},
      {"0.00", 1.005, "1,01"},  // 1.005 is read as written, not as its binary neighbour
      {"#.##", 1234, "1234"},
      {"#.##", 0.5, ",5"},
      {"#.##", 0, ""},
      {"#,##0.00", 1234, "1" + nbsp + "234,00"},
      {"#,##0.00", -1234567.891, "-1" + nbsp + "234" + nbsp + "567,89"},
      {"#,##0.00", 0, "0,00"},
      {"#,##0.00", 999.999, "1" + nbsp + "000,00"},  // the carry reaches a new group
      {"#,##0.00;(#,##0.00)", -1234, "(1" + nbsp + "234,00)"},
      {"#,##0.00;;Zero", 0, "Zero"},
      {"#,##0.00;;Zero", -1, "-1,00"},
      {"0.000", 2.5, "2,500"},
      {"00000", 42, "00042"},
      {"0.0#", 1.5, "1,5"},
      {"0.0#", 1.456, "1,46"},
      {"000-000", 123456, "123-456"},
      {"0", 1234567, "1234567"},  // digits beyond the places come out at the first place
      {"\"kwota: \"0.00 zł", 7, "kwota: 7,00 zł"},
      {"'#'0", 5, "#5"},
      {"0.000E+00", 1234, "1,234E+03"},
      {"0.000E+00", -1234, "-1,234E+03"},
      {"0.000E+00", 0.5, "5,000E-01"},
      {"0.000E+00", 0, "0,000E+00"},
      {"#.###E-0", 1234, "1,234E3"},
      {"#.###E-0", 0.5, "5E-1"},
      {"#.###E-0", 0, "0E0"},
      {"0.00", 1e20, "100000000000000000000,00"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(format_float(c.picture, c.value), c.expected) << c.picture << " with " << c.value;
}

struct FormatCase {
  const char* fmt;
  std::vector<Variant> args;
  std::string expected;
};

TEST(Format, PrintfStyleSpecifiers) {
  const FormatCase cases[] = {
      {"%d", {Variant(42)}, "42"},
      {"%5d|", {Variant(-42)}, "  -42|"},
      {"%-5d|", {Variant(42)}, "42   |"},
      {"%.4d", {Variant(-42)}, "-0042"},
      {"%u", {Variant(-1)}, "4294967295"},
      {"%x", {Variant(255)}, "FF"},
      {"%.4x", {Variant(255)}, "00FF"},
      {"%f", {Variant(3.14159)}, "3,14"},
      {"%.0f", {Variant(2.5)}, "3"},
      {"%2.2n", {Variant(1234.5)}, "1" + nbsp + "234,50"},
      {"%n", {Variant(-0.001)}, "0,00"},
      {"%g", {Variant(0.5)}, "0,5"},
      {"%g", {Variant(1e20)}, "1E20"},
      {"%e", {Variant(1234.5)}, "1,23450000000000E+003"},
      {"%.3e", {Variant(-0.00012)}, "-1,20E-004"},
      {"%s and %s", {Variant("a"), Variant(2)}, "a and 2"},
      {"%.3s", {Variant("żółwik")}, "żół"},
      {"%6s|", {Variant("żółw")}, "  żółw|"},  // width counts characters, not bytes
      {"%1:s %0:s", {Variant("a"), Variant("b")}, "b a"},
      {"%*d", {Variant(4), Variant(7)}, "   7"},
      {"100%%", {}, "100%"},
      {"%m", {Variant(5)}, "5,00 zł"},
  };
  for (const auto& c : cases) EXPECT_EQ(format(c.fmt, c.args), c.expected) << c.fmt;
}

TEST(Format, BadFormatsAndArguments) {
  auto error_of = [](std::string_view fmt, std::vector<Variant> args) {
    try {
      format(fmt, args);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(error_of("%d", {Variant(1.5)}), "Format '%d' invalid or incompatible with argument");
  EXPECT_EQ(error_of("%f", {Variant("x")}), "Format '%f' invalid or incompatible with argument");
  EXPECT_EQ(error_of("%d %d", {Variant(1)}), "No argument for format '%d %d'");
  EXPECT_EQ(error_of("%q", {Variant(1)}), "Format '%q' invalid or incompatible with argument");
  EXPECT_EQ(error_of("abc%", {}), "Format 'abc%' invalid or incompatible with argument");
  // A width that would pad to gigabytes is refused, not attempted.
  EXPECT_EQ(error_of("%999999999d", {Variant(1)}),
            "Format '%999999999d' invalid or incompatible with argument");
  // So is a format whose many wide fields together would.
  std::string wide;
  for (int i = 0; i < 5000; ++i) wide += "%4000s";
  EXPECT_EQ(error_of(wide, std::vector<Variant>(5000, Variant("x"))),
            "Format '" + wide + "' invalid or incompatible with argument");
}

struct DateCase {
  const char* fmt;
  std::string expected;
};

TEST(FormatDateTime, SpecifiersNamesAndLiterals) {
  // Sunday 2015-10-18 07:05:09.045
  DateTime d = encode_date(2015, 10, 18) + encode_time(7, 5, 9, 45);
  const DateCase cases[] = {
      {"yyyy-mm-dd", "2015-10-18"},
      {"yy/m/d", "15-10-18"},
      {"d.m.yyyy", "18.10.2015"},
      {"hh:nn:ss", "07:05:09"},
      {"h:n:s", "7:5:9"},
      {"hh:mm", "07:05"},  // m after an hour is minutes
      {"mm hh", "10 07"},
      {"zzz", "045"},
      {"ddd dddd", "niedz. niedziela"},
      {"mmm mmmm", "paź październik"},
      {"ddddd", "2015-10-18"},
      {"dddddd", "18 październik 2015"},
      {"c", "2015-10-18 07:05:09"},
      {"t|tt", "07:05|07:05:09"},
      {"h am/pm", "7 am"},
      {"h AM/PM", "7 AM"},
      {"h a/p", "7 a"},
      {"'dzień' d \"of\" mmmm", "dzień 18 of październik"},
      {"DD-MM-YYYY", "18-10-2015"},
      {"Q", "Q"},
  };
  for (const auto& c : cases) EXPECT_EQ(format_datetime(c.fmt, d), c.expected) << c.fmt;

  DateTime evening = encode_date(2024, 2, 29) + encode_time(0, 30, 0);
  EXPECT_EQ(format_datetime("hh:nn am/pm dddd", evening), "12:30 am czwartek");  // midnight is 12 am
  EXPECT_EQ(format_datetime("h AMPM", encode_date(2024, 2, 29) + encode_time(13, 0, 0)), "1 PM");
  EXPECT_EQ(format_datetime("yyyy-mm-dd dddd", encode_date(9999, 12, 31)), "9999-12-31 piątek");
  EXPECT_EQ(format_datetime("yyyy-mm-dd", encode_date(1, 1, 1)), "0001-01-01");
}

TEST(FormatData, EachKindAndSeparatorReplacement) {
  auto fmt = [](DisplayKind kind, std::string s, std::string dec = "", std::string thousands = "") {
    return DisplayFormat{kind, std::move(s), std::move(dec), std::move(thousands)};
  };
  EXPECT_EQ(format_data(Variant::null(), fmt(DisplayKind::Numeric, "%2.2f")), "");
  EXPECT_EQ(format_data(Variant(1.5), fmt(DisplayKind::Text, "")), "1,5");
  EXPECT_EQ(format_data(Variant(1234.5), fmt(DisplayKind::Numeric, "#,##0.00")), "1" + nbsp + "234,50");
  EXPECT_EQ(format_data(Variant(1234.5), fmt(DisplayKind::Numeric, "#,##0.00", ".", ",")), "1,234.50");
  EXPECT_EQ(format_data(Variant(1234.5), fmt(DisplayKind::Numeric, "%2.2n", ",", "")), "1" + nbsp + "234,50");
  // Only the last decimal comma is the decimal separator.
  EXPECT_EQ(format_data(Variant(1.5), fmt(DisplayKind::Numeric, "'a,b '#0.0", ".")), "a,b 1.5");
  // A separator of more than one character is ignored.
  EXPECT_EQ(format_data(Variant(1.5), fmt(DisplayKind::Numeric, "0.0", "::")), "1,5");
  EXPECT_EQ(format_data(Variant(7.6), fmt(DisplayKind::Numeric, "%d")), "8");  // rounded to an integer
  EXPECT_EQ(format_data(Variant("12,5"), fmt(DisplayKind::Numeric, "%g")), "12,5");
  EXPECT_EQ(format_data(Variant(2.0), fmt(DisplayKind::Numeric, "%2.2f", "-")), "2-00");
  DateTime d = encode_date(2015, 10, 18);
  EXPECT_EQ(format_data(Variant::date(d), fmt(DisplayKind::DateTime, "dd.mm.yyyy")), "18.10.2015");
  EXPECT_EQ(format_data(Variant::date(d), fmt(DisplayKind::DateTime, "")), "2015-10-18");
  EXPECT_EQ(format_data(Variant(true), fmt(DisplayKind::Boolean, "Nie,Tak")), "Tak");
  EXPECT_EQ(format_data(Variant(false), fmt(DisplayKind::Boolean, "Nie,Tak")), "Nie");
  EXPECT_EQ(format_data(Variant("xyz"), fmt(DisplayKind::Boolean, "Nie,Tak")), "Nie");
  // Errors fall back to the plain string form.
  EXPECT_EQ(format_data(Variant("abc"), fmt(DisplayKind::Numeric, "#,##0.00")), "abc");
  EXPECT_EQ(format_data(Variant("abc"), fmt(DisplayKind::DateTime, "yyyy")), "abc");
  EXPECT_EQ(format_data(Variant(1.5), fmt(DisplayKind::Numeric, "%s %s")), "1,5");
  EXPECT_EQ(format_data(Variant(true), fmt(DisplayKind::Boolean, "bez przecinka")), "True");
}

TEST(FormatData, InlineFormats) {
  auto shown = [](std::string_view inline_text, const Variant& v) {
    auto f = inline_format(inline_text);
    return f ? format_data(v, *f) : std::string("no format");
  };
  EXPECT_EQ(shown("n%2,2f", Variant(1234.5)), "1234,50");  // the comma is shown as the separator
  EXPECT_EQ(shown("N%2.2f", Variant(1234.5)), "1234.50");
  EXPECT_EQ(shown("n%2-2f", Variant(0.5)), "0-50");
  EXPECT_EQ(shown("n0.000", Variant(2)), "2.000");
  EXPECT_EQ(shown("ddd.mm.yyyy", Variant::date(encode_date(2024, 2, 29))), "29.02.2024");
  EXPECT_EQ(shown("tttt", Variant::date(encode_time(7, 5, 0))), "07:05:00");
  EXPECT_EQ(shown("bNie,Tak", Variant(true)), "Tak");
  EXPECT_EQ(shown("x%d", Variant(1)), "no format");
  EXPECT_EQ(shown("", Variant(1)), "no format");
}

}  // namespace
}  // namespace orvena::core
