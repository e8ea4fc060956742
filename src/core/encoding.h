#pragma once
// Text encodings at the file and wire edges. Internal text is UTF-8 everywhere else.
#include <cstdint>
#include <string>
#include <string_view>

namespace orvena::core {

enum class CodePage { Windows1250, Iso8859_2, Oem852 };

// Appends the UTF-8 form of a code point (invalid ones become U+FFFD).
void append_utf8(std::string& out, char32_t cp);

// Decodes one code point at `pos` and advances it. Malformed sequences yield U+FFFD and
// consume one byte, so any byte string can be walked.
char32_t next_code_point(std::string_view s, size_t& pos);

// Number of code points (the unit in which the system counts characters).
size_t utf8_length(std::string_view s);
bool is_valid_utf8(std::string_view s);

std::string to_utf8(std::string_view bytes, CodePage page);
// Characters the page cannot hold become '?'.
std::string from_utf8(std::string_view utf8, CodePage page);
void append_from_utf8(std::string& out, std::string_view utf8, CodePage page);
// The single byte for a code point, or -1 when the page cannot hold it.
int encode_char(char32_t cp, CodePage page);

std::string utf16_to_utf8(std::string_view bytes, bool big_endian);

}  // namespace orvena::core
