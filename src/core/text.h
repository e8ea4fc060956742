#pragma once
// Text helpers on UTF-8 strings.
#include <string>
#include <string_view>
#include <vector>

namespace orvena::core {

// Removes leading and trailing characters with codes up to 32 (blanks and control characters).
std::string trim(std::string_view s);
std::string trim_left(std::string_view s);
std::string trim_right(std::string_view s);
// trim() as a view into `s`, for hot paths that only look.
std::string_view trimmed(std::string_view s);

// Letter case for the scripts the system meets (ASCII, Latin-1, Latin Extended-A).
char32_t to_upper(char32_t cp);
char32_t to_lower(char32_t cp);
std::string to_upper(std::string_view s);
std::string to_lower(std::string_view s);
bool equals_ignore_case(std::string_view a, std::string_view b);
// Order of the lower-cased code points: negative, 0 or positive.
int compare_ignore_case(std::string_view a, std::string_view b);
// Byte offset of the first occurrence of `needle` ignoring letter case, or npos.
size_t find_ignore_case(std::string_view hay, std::string_view needle, size_t from = 0);

std::string replace_all(std::string_view s, std::string_view from, std::string_view to);

// Splits at CR LF, LF and lone CR. A final line break does not start another line;
// an empty text gives no lines.
std::vector<std::string> split_lines(std::string_view s);
// Lines joined by CR LF, none after the last: the SQL box's and a definition's query text.
std::string join_crlf(const std::vector<std::string>& lines);

// The lines split_lines() gives, handed to `on_line` one at a time as views into `s`: a file of
// millions of short lines costs no string per line.
template <class OnLine>
void for_each_line(std::string_view s, OnLine on_line) {
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' || s[i] == '\n') {
      on_line(s.substr(start, i - start));
      if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < s.size()) on_line(s.substr(start));
}

// Byte offset of the code point with the given index (clamped to the end).
size_t utf8_offset(std::string_view s, size_t index);
// Code points [start, start+count) of s.
std::string utf8_substr(std::string_view s, size_t start, size_t count = std::string_view::npos);

}  // namespace orvena::core
