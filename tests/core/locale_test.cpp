#include "core/locale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "core/datetime.h"
#include "core/error.h"

namespace orvena::core {
namespace {

TEST(DateTime, EncodesTheClassicDayCount) {
  EXPECT_EQ(encode_date(1899, 12, 30), 0);
  EXPECT_EQ(encode_date(1900, 1, 1), 2);
  EXPECT_EQ(encode_date(2015, 10, 18), 42295);
  EXPECT_EQ(day_of_week(encode_date(2015, 10, 18)), 1);  // a Sunday
  EXPECT_EQ(day_of_week(encode_date(2024, 2, 29)), 5);   // a Thursday
  DateParts p = decode(encode_date(2024, 2, 29) + encode_time(23, 59, 58, 999));
  EXPECT_EQ((std::vector<int>{p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond}),
            (std::vector<int>{2024, 2, 29, 23, 59, 58, 999}));
  DateParts before = decode(-1.25);  // a day before the epoch, six in the morning
  EXPECT_EQ((std::vector<int>{before.year, before.month, before.day, before.hour}),
            (std::vector<int>{1899, 12, 29, 6}));
  EXPECT_THROW(encode_date(2023, 2, 29), std::exception);
  EXPECT_THROW(encode_time(24, 0, 0), std::exception);
}

// A database may hand over a date no calendar holds (a 64-bit integer taken as a day number);
// decoding it must give the conversion error, not overflow.
TEST(DateTime, ValuesBeyondAnyCalendarGiveTheConversionError) {
  const double far = 1e9 + 1;
  for (double value : {-9.2e18, -7e26 / 86400000.0, far, -far, std::numeric_limits<double>::infinity(),
                       std::numeric_limits<double>::quiet_NaN()}) {
    try {
      decode(value);
      ADD_FAILURE() << value << " decoded";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "Could not convert variant of type (Double) into type (Date)");
    }
    EXPECT_THROW(day_of_week(value), Error) << value;
  }
  EXPECT_EQ(decode(encode_date(9999, 12, 31)).year, 9999);
}

TEST(Locale, DatesAndTimes) {
  DateTime d = encode_date(2015, 10, 18);
  EXPECT_EQ(Locale::format_date(d), "2015-10-18");
  EXPECT_EQ(Locale::format_time(d + encode_time(7, 5, 9)), "07:05:09");
  EXPECT_EQ(Locale::format_date_and_time(d), "2015-10-18 00:00:00");
  EXPECT_EQ(Locale::format_datetime(d), "2015-10-18");
  EXPECT_EQ(Locale::format_datetime(d + encode_time(13, 0, 1)), "2015-10-18 13:00:01");
  EXPECT_EQ(Locale::format_datetime(encode_time(13, 0, 1)), "13:00:01");
  EXPECT_EQ(Locale::format_datetime(0), "1899-12-30");
  EXPECT_EQ(Locale::parse_datetime("2015-10-18 13:00:01"), d + encode_time(13, 0, 1));
  EXPECT_EQ(Locale::parse_date("2015-02-30"), std::nullopt);
  EXPECT_EQ(Locale::parse_date("2015-1-5"), encode_date(2015, 1, 5));
  EXPECT_EQ(Locale::parse_time("25:00"), std::nullopt);
}

struct FloatCase {
  double value;
  const char* text;
};

TEST(Locale, FloatsInGeneralForm) {
  // Up to 15 significant digits, the exponent form below 1E-4 and from 1E15 on.
  const FloatCase cases[] = {
      {3.5, "3,5"},
      {-0.25, "-0,25"},
      {12.5, "12,5"},
      {100, "100"},
      {0.0001, "0,0001"},
      {1e-5, "1E-5"},
      {-1.5e-7, "-1,5E-7"},
      {1e20, "1E20"},
      {0.1 + 0.2, "0,3"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {2.0 / 3.0, "0,666666666666667"},
      {0, "0"},
      // Around the fifteenth digit: a value written in 15 digits shows them all; one that needs
      // 16 or 17 is rounded, carrying into the exponent where it must.
      {0.123456789012345, "0,123456789012345"},
      {-1234.5, "-1234,5"},
      {1234567890123456.0, "1,23456789012346E15"},
      {999999999999999.9, "1E15"},
      {0.30000000000000004 * 3, "0,9"},
      {1e-300, "1E-300"},
      {2.2250738585072014e-308, "2,2250738585072E-308"},  // the smallest normal double
      {5e-324, "4,94065645841247E-324"},                  // subnormal: few bits, many digits
  };
  for (const auto& c : cases) EXPECT_EQ(Locale::format_float(c.value), c.text) << c.value;
}

// The general form built another way: printf's rounding to `precision` digits, then the same
// layout rules (no trailing zeros, exponent form below 1E-4 and from 10^precision on).
std::string general_form_by_printf(double value, int precision) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", precision - 1, value);
  std::string s(buf);
  size_t e = s.find('e');
  int exponent = std::stoi(s.substr(e + 1));
  std::string sign = s[0] == '-' ? "-" : "";
  std::string digits;
  for (char c : s.substr(sign.size(), e - sign.size()))
    if (c != '.') digits += c;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  if (exponent < -4 || exponent >= precision) {
    std::string m = digits.substr(0, 1) + (digits.size() > 1 ? "," + digits.substr(1) : "");
    return sign + m + "E" + std::to_string(exponent);
  }
  if (exponent < 0) return sign + "0," + std::string(size_t(-exponent - 1), '0') + digits;
  size_t whole = size_t(exponent) + 1;
  if (digits.size() <= whole) return sign + digits + std::string(whole - digits.size(), '0');
  return sign + digits.substr(0, whole) + "," + digits.substr(whole);
}

TEST(Locale, FloatsAgreeWithPrintfRoundingOverManyValues) {
  // Short decimals (the usual amounts), their neighbours one unit in the last place away, and
  // arbitrary bit patterns, at both precisions.
  std::mt19937_64 random(20261211);
  for (int i = 0; i < 200000; ++i) {
    double value;
    switch (i % 3) {
      case 0:
        value = double(int64_t(random() % 20000001) - 10000000) / std::pow(10.0, double(random() % 12));
        break;
      case 1:
        value = std::nextafter(double(int64_t(random() % 2000001) - 1000000) / 100.0, 1e300);
        break;
      default: {
        uint64_t bits = random();
        std::memcpy(&value, &bits, sizeof value);
      }
    }
    if (!std::isfinite(value) || value == 0) continue;
    for (int precision : {15, 7})
      ASSERT_EQ(Locale::format_float(value, precision), general_form_by_printf(value, precision))
          << std::hexfloat << value << " at " << precision;
  }
}

TEST(Locale, FloatsWithSevenDigitsAndWithoutAValue) {
  // Single-precision columns show seven significant digits, so the float's binary noise is gone.
  const FloatCase cases[] = {
      {static_cast<double>(0.1f), "0,1"},
      {1234567, "1234567"},
      {12345678, "1,234568E7"},
      {-0.00012345678, "-0,0001234568"},
      {1234567.4, "1234567"},
      {9999999.5, "1E7"},
      {static_cast<double>(1e-40f), "9,999946E-41"},  // a subnormal single, read as a double
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
  };
  for (const auto& c : cases) EXPECT_EQ(Locale::format_float(c.value, 7), c.text) << c.value;
  std::string out = "x=";
  Locale::append_float(out, 2.5);
  Locale::append_date(out, encode_date(1, 2, 3));
  EXPECT_EQ(out, "x=2,50001-02-03") << "appends, and pads the year to four digits";
}

TEST(Locale, FixedWithThousands) {
  EXPECT_EQ(Locale::format_fixed(1234567.5, 2, Thousands::Grouped), "1\u00A0234\u00A0567,50");
  EXPECT_EQ(Locale::format_fixed(-999.999, 2, Thousands::Grouped), "-1\u00A0000,00");
  EXPECT_EQ(Locale::format_fixed(-0.001, 2), "0,00");
  EXPECT_EQ(Locale::format_fixed(42, 0), "42");
}

TEST(Locale, ParsesWhatItWrites) {
  EXPECT_EQ(Locale::parse_float("3,5"), 3.5);
  EXPECT_EQ(Locale::parse_float(" -1\u00A0234,5 "), -1234.5);
  EXPECT_EQ(Locale::parse_float("1E20"), 1e20);
  EXPECT_EQ(Locale::parse_float("2.25"), 2.25);
  EXPECT_EQ(Locale::parse_float("abc"), std::nullopt);
  EXPECT_EQ(Locale::parse_float("1,2,3"), std::nullopt);
  EXPECT_EQ(Locale::parse_float(""), std::nullopt);
}

}  // namespace
}  // namespace orvena::core
