#include "objects/barcode_encoder.h"

#include <algorithm>
#include <cmath>

#include "core/error.h"
#include "core/text.h"
#include "objects/barcode_symbols_p.h"

namespace orvena::objects {

using detail::kNumericError;

namespace {

using T = BarcodeType;

bool numeric_only(BarcodeType t) {
  switch (t) {
    case T::Interleaved2of5:
    case T::Industrial2of5:
    case T::Matrix2of5:
    case T::Code128C:
    case T::Msi:
    case T::PostNet:
    case T::Ean8:
    case T::Ean13:
    case T::UpcA:
    case T::UpcE0:
    case T::UpcE1:
    case T::UpcSupp2:
    case T::UpcSupp5:
    case T::Ean128C:
      return true;
    default:
      return false;
  }
}

bool all_digits(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Code 128, Code 93, MSI and POSTNET are built of whole modules: their elements are one to four
// modules wide whatever ratio the object carries, or a scanner could not read them.
bool fixed_modules(BarcodeType t) {
  return is_code128(t) || t == T::Code93 || t == T::Code93Extended || t == T::Msi || t == T::PostNet;
}

}  // namespace

namespace detail {

std::string length_error(std::string_view symbology) {
  return "Invalid Text len (" + std::string(symbology) + ")";
}

void append_modules(std::string& out, std::string_view widths, bool bar) {
  for (char w : widths) {
    out += char((bar ? '5' : '0') + (w - '1'));
    bar = !bar;
  }
}

void append_narrow_wide(std::string& out, std::string_view elements, bool bar) {
  for (char e : elements) {
    out += char((bar ? '5' : '0') + (e == 'w' ? 1 : 0));
    bar = !bar;
  }
}

int gs1_check_digit(std::string_view digits) {
  int sum = 0, weight = 3;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    sum += (*it - '0') * weight;
    weight = 4 - weight;
  }
  return (10 - sum % 10) % 10;
}

}  // namespace detail

bool is_ean_upc(BarcodeType t) {
  return t >= T::Ean8 && t <= T::UpcE1;
}

bool is_code128(BarcodeType t) {
  return (t >= T::Code128 && t <= T::Code128C) || (t >= T::Ean128 && t <= T::Ean128C);
}

BarcodeType barcode_type(int64_t value) {
  if (value < 0 || value >= kBarcodeTypeCount) throw core::Error("TrpBarcode: wrong BarcodeType");
  return BarcodeType(value);
}

EncodedBarcode encode_barcode(BarcodeType type, std::string_view text, bool calc_check_sum) {
  std::string numeric;
  if (numeric_only(type)) {
    numeric = core::trim(text);
    std::string digits = is_code128(type) ? detail::code128_plain_text(numeric) : numeric;
    if (!all_digits(digits)) throw core::Error(std::string(kNumericError));
    text = numeric;
  }
  switch (type) {
    case T::Interleaved2of5:
    case T::Industrial2of5:
    case T::Matrix2of5:
      return detail::encode_two_of_five(type, text, calc_check_sum);
    case T::Code39:
    case T::Code39Extended:
      return detail::encode_code39(text, type == T::Code39Extended, calc_check_sum);
    case T::Code93:
    case T::Code93Extended:
      return detail::encode_code93(text, type == T::Code93Extended);
    case T::Msi:
      return detail::encode_msi(text, calc_check_sum);
    case T::PostNet:
      return detail::encode_postnet(text);
    case T::Codabar:
      return detail::encode_codabar(text);
    case T::Code128:
    case T::Code128A:
    case T::Code128B:
    case T::Code128C:
    case T::Ean128:
    case T::Ean128A:
    case T::Ean128B:
    case T::Ean128C:
      return detail::encode_code128(type, text);
    case T::Ean8:
    case T::Ean13:
    case T::UpcA:
    case T::UpcE0:
    case T::UpcE1:
    case T::UpcSupp2:
    case T::UpcSupp5:
      return detail::encode_ean_upc(type, text, calc_check_sum);
  }
  throw core::Error("TrpBarcode: wrong BarcodeType");
}

std::array<int, 4> element_widths(BarcodeType type, double ratio) {
  if (fixed_modules(type)) {
    ratio = 2;
  } else {
    double low = type == T::Matrix2of5 ? 2.25 : 2.0;
    // NaN fails both comparisons; it is held to the low end like any ratio out of range.
    if (!(ratio >= low)) ratio = low;
    if (ratio > 3) ratio = 3;
  }
  int w = int(std::nearbyint(ratio));  // half to even, as Round does
  return {1, w, w * 3 / 2, 2 * w};
}

int pattern_width(std::string_view pattern, const std::array<int, 4>& widths) {
  int sum = 0;
  for (char c : pattern) {
    if (c >= '0' && c <= '3')
      sum += widths[c - '0'];
    else if (c >= '5' && c <= '8')
      sum += widths[c - '5'];
    else if (c >= 'A' && c <= 'D')
      sum += widths[c - 'A'];
    else
      throw core::Error("TrpBarcode: internal Error");
  }
  return sum;
}

int leading_modules(BarcodeType t) {
  return t == T::Ean13 || t == T::UpcA ? 8 : 0;
}

int trailing_modules(BarcodeType t) {
  return t == T::UpcA || t == T::UpcE0 || t == T::UpcE1 ? 9 : 0;
}

}  // namespace orvena::objects
