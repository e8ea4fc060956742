#include "export/xlsx/number_text.h"

#include "core/locale.h"

namespace orvena::exporting::xlsx {

namespace {

// A double holds any decimal of this many significant digits exactly enough to print it back.
constexpr size_t kExactDigits = 15;
// The default format writes numbers below 10^-4 with an exponent.
constexpr size_t kMaxLeadingFractionZeros = 3;

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

bool default_number_text(std::string_view text) {
  size_t i = text.starts_with('-') ? 1 : 0;
  const size_t whole_begin = i;
  while (i < text.size() && is_digit(text[i])) ++i;
  std::string_view whole = text.substr(whole_begin, i - whole_begin);
  if (whole.empty() || (whole.size() > 1 && whole[0] == '0')) return false;

  std::string_view fraction;
  if (i < text.size()) {
    if (text[i] != core::Locale::kDecimalSeparator) return false;
    fraction = text.substr(i + 1);
    if (fraction.empty() || fraction.back() == '0') return false;
    for (char c : fraction)
      if (!is_digit(c)) return false;
  }

  if (whole != "0") return whole.size() + fraction.size() <= kExactDigits;
  if (fraction.empty()) return whole_begin == 0;  // "0", but not "-0"
  size_t zeros = fraction.find_first_not_of('0');
  return zeros <= kMaxLeadingFractionZeros && fraction.size() - zeros <= kExactDigits;
}

}  // namespace orvena::exporting::xlsx
