#pragma once
// The symbologies behind encode_barcode(), one function per family. Each gets the text as the
// user wrote it (numeric families get it trimmed and checked for digits) and returns the pattern
// with its human-readable text, or throws core::Error.
#include <string>
#include <string_view>

#include "objects/barcode_encoder.h"

namespace orvena::objects::detail {

inline constexpr std::string_view kNumericError = "Barcode must be numeric";
inline constexpr std::string_view kInvalidCharError = "Barcode contains invalid characters";

std::string length_error(std::string_view symbology);

// Elements given as module counts "1" to "4", alternating bar and space from a bar (or from a
// space when `bar_first` is false), appended to `out` as pattern characters.
void append_modules(std::string& out, std::string_view widths, bool bar_first = true);
// Elements given as "n" (narrow) and "w" (wide), alternating as above.
void append_narrow_wide(std::string& out, std::string_view elements, bool bar_first = true);

// Weighted modulo-10 check digit of the GS1 family: from the right, weights 3, 1, 3, …
int gs1_check_digit(std::string_view digits);

EncodedBarcode encode_two_of_five(BarcodeType type, std::string_view digits, bool calc_check_sum);
EncodedBarcode encode_code39(std::string_view text, bool full_ascii, bool calc_check_sum);
EncodedBarcode encode_code93(std::string_view text, bool full_ascii);
EncodedBarcode encode_msi(std::string_view digits, bool calc_check_sum);
EncodedBarcode encode_postnet(std::string_view digits);
EncodedBarcode encode_codabar(std::string_view text);
EncodedBarcode encode_code128(BarcodeType type, std::string_view text);
EncodedBarcode encode_ean_upc(BarcodeType type, std::string_view digits, bool calc_check_sum);

// The Code 128 text without its escapes ("&A;" … "&4;"), as the human-readable text shows it.
std::string code128_plain_text(std::string_view text);

}  // namespace orvena::objects::detail
