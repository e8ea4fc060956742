#pragma once
// One-dimensional barcodes: text → check characters → a pattern of bars and spaces.
//
// A pattern has one character per element, left to right: "0" to "3" are spaces and "5" to "8"
// bars of the four element widths (narrow, wide, one and a half wide, double wide), "A" to "D"
// bars of the same widths at two fifths of the height, standing at the bottom (POSTNET's short
// bars). The widths in modules come from element_widths().
//
//   EncodedBarcode e = encode_barcode(BarcodeType::Code128, "ABC&1;42", false);
//   int modules = pattern_width(e.pattern, element_widths(BarcodeType::Code128, 2));
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvena::objects {

// In the order of the template's BarType values (0 to 24); see report::kBarcodeTypeNames.
enum class BarcodeType : uint8_t {
  Interleaved2of5,
  Industrial2of5,
  Matrix2of5,
  Code39,
  Code39Extended,
  Code128,
  Code128A,
  Code128B,
  Code128C,
  Code93,
  Code93Extended,
  Msi,
  PostNet,
  Codabar,
  Ean8,
  Ean13,
  UpcA,
  UpcE0,
  UpcE1,
  UpcSupp2,
  UpcSupp5,
  Ean128,
  Ean128A,
  Ean128B,
  Ean128C,
};
inline constexpr int kBarcodeTypeCount = 25;

struct EncodedBarcode {
  std::string pattern;
  // The human-readable text: the text as encoded (trimmed for numeric types, with the check
  // digit where one was appended), without the escapes of the Code 128 types.
  std::string text;
};

// The barcode type of a stored BarType value; core::Error "TrpBarcode: wrong BarcodeType"
// for a number beyond the list.
BarcodeType barcode_type(int64_t value);

// Throws core::Error with the system's text when the symbology cannot encode `text`.
EncodedBarcode encode_barcode(BarcodeType type, std::string_view text, bool calc_check_sum);

// Widths in modules of the four element kinds for the wide-to-narrow `ratio`.
std::array<int, 4> element_widths(BarcodeType type, double ratio);

// The width of the whole pattern in modules; core::Error for a character that is no element.
int pattern_width(std::string_view pattern, const std::array<int, 4>& widths);

// Modules left free before and after the pattern for the digits printed outside the bars.
int leading_modules(BarcodeType type);
int trailing_modules(BarcodeType type);

bool is_ean_upc(BarcodeType type);
bool is_code128(BarcodeType type);

}  // namespace orvena::objects
