#pragma once
// The one fixed set of regional formats the system uses, independent of the process locale:
// short date yyyy-mm-dd, long time hh:nn:ss, decimal separator ",", thousands separator
// U+00A0 (no-break space), list separator ";".
#include <optional>
#include <string>
#include <string_view>

#include "core/datetime.h"

namespace orvena::core {

enum class Thousands { Plain, Grouped };

struct Locale {
  static constexpr char kDecimalSeparator = ',';
  static constexpr std::string_view kThousandSeparator = "\u00A0";
  static constexpr char kDateSeparator = '-';
  static constexpr char kTimeSeparator = ':';
  static constexpr char kListSeparator = ';';

  static std::string format_date(DateTime value);  // 2015-10-18
  static std::string format_time(DateTime value);  // 07:05:09
  // Short date and long time joined by a blank; the time is left out at exact midnight, the
  // date when the value has no date part.
  static std::string format_datetime(DateTime value);
  // Short date and long time, always both (the run log's "date and time").
  static std::string format_date_and_time(DateTime value);

  // General form with up to 15 significant digits: 3,5  0,0001  1E20  -1,5E-7.
  static std::string format_float(double value, int precision = 15);
  // The same forms appended to `out`, for writers that format every value of a result.
  static void append_date(std::string& out, DateTime value);
  static void append_time(std::string& out, DateTime value);
  static void append_datetime(std::string& out, DateTime value);
  static void append_date_and_time(std::string& out, DateTime value);
  static void append_float(std::string& out, double value, int precision = 15);

  // Fixed number of decimals, optionally with thousands separators: 1 234,50.
  static std::string format_fixed(double value, int decimals, Thousands thousands = Thousands::Plain);

  // Parsers accept what the formatters write (and "." as a decimal point); nullopt when the
  // text is not of that form.
  static std::optional<double> parse_float(std::string_view text);
  static std::optional<DateTime> parse_date(std::string_view text);
  static std::optional<DateTime> parse_time(std::string_view text);
  static std::optional<DateTime> parse_datetime(std::string_view text);
};

}  // namespace orvena::core
