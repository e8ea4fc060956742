#pragma once
// The small pieces of PDF syntax the writer is built from: numbers, colours, names and strings.
// Everything here is plain ASCII; text beyond it goes into hexadecimal strings.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/datetime.h"

namespace orvena::exporting::pdf {

struct Color {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Color&, const Color&) = default;
};

// Fixed notation, two decimals, "." as separator: 1 -> "1.00", -0.001 -> "0.00".
std::string number(double value);
void append_number(std::string& out, double value);

// "r g b" of the components / 255; black and white as "0 0 0" and "1 1 1".
std::string color_components(Color c);

// A name: "/" and the bytes, with blanks, delimiters, "#" and bytes outside 33..126 as "#XX".
std::string name(std::string_view bytes);

// Text as a hexadecimal UTF-16BE string with its byte-order mark: "<FEFF0041>".
std::string utf16_hex_string(std::string_view utf8);
// The bytes of that string (FE FF and UTF-16BE), for encryption.
std::string utf16_bytes(std::string_view utf8);

// A literal string "(...)" with "\", "(", ")", CR and LF escaped.
std::string literal_string(std::string_view bytes);

// "<...>" with two upper-case hex digits per byte.
std::string hex_string(std::string_view bytes);
std::string hex(std::string_view bytes);  // lower-case digits, no brackets

// "D:YYYYMMDDHHmmSS" of a local date-time.
std::string date_text(core::DateTime local);

}  // namespace orvena::exporting::pdf
