#pragma once
// Number formatting shared by the script library (FormatFloat, Format) and the text objects'
// display formats: picture formats ("#,##0.00", "0.000E+00", sections for positive, negative and
// zero values), printf-style formats ("%2.2n", "%g", "%d", "%s") and the display-format rule that
// picks one of them and swaps separators. Output uses the fixed Locale's separators.
// Failures raise core::Error with the classic texts.
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/variant.h"

namespace orvena::core {

// A picture format: 0 and # digit places, "." the decimal point, "," thousands grouping,
// E+ E- e+ e- an exponent, quoted text literal, ";" separates the sections. An empty picture
// gives the general form.
std::string format_float(std::string_view picture, double value);

// printf-style: %[index:][-][width][.precision]type, type one of d u e f g n m s x p, "*" taking
// the width or precision from the arguments, "%%" a percent sign.
std::string format(std::string_view fmt, std::span<const Variant> args);

enum class DisplayKind { Text, Numeric, DateTime, Boolean };

struct DisplayFormat {
  DisplayKind kind = DisplayKind::Text;
  std::string format_str;
  std::string decimal_separator;   // one character to replace the locale's, else ignored
  std::string thousand_separator;  // likewise
};

// The format written after a bracketed expression and " #": its first letter picks the kind
// (N n numeric, D d T t date-time, B b Boolean), the rest is the format string. In a numeric
// format every ",", "-" or "." is the decimal separator to show and becomes "." in the format
// string. Nullopt when the letter names no kind.
std::optional<DisplayFormat> inline_format(std::string_view text);

// A text object's value as text under its display format. Null gives ""; any formatting error
// falls back to the value's plain string form.
std::string format_data(const Variant& value, const DisplayFormat& f);

}  // namespace orvena::core
