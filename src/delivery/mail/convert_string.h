#pragma once
// The mail body's transliteration: each of the eighteen Polish letters becomes the character
// whose code is that letter's ISO-8859-2 byte (ą -> U+00B1), so that the body, written one
// character to one byte, carries ISO-8859-2.
#include <string>
#include <string_view>

namespace orvena::delivery {

std::string convert_string(std::string_view utf8);

}  // namespace orvena::delivery
