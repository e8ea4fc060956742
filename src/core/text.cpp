#include "core/text.h"

#include "core/encoding.h"

namespace orvena::core {

namespace {
bool is_blank(char c) {
  return static_cast<unsigned char>(c) <= 32;
}
unsigned char ascii_lower(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? c + 32 : c;
}
}  // namespace

std::string trim_left(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && is_blank(s[b])) ++b;
  return std::string(s.substr(b));
}

std::string trim_right(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && is_blank(s[e - 1])) --e;
  return std::string(s.substr(0, e));
}

std::string_view trimmed(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && is_blank(s[b])) ++b;
  while (e > b && is_blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string trim(std::string_view s) {
  return std::string(trimmed(s));
}

char32_t to_upper(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c < 0x80) return c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
  if (c == 0xFF) return 0x178;
  // Latin Extended-A pairs upper/lower on even/odd codes, with two shifted runs.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return (c & 1) ? c - 1 : c;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : c - 1;
  return c;
}

char32_t to_lower(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c < 0x80) return c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  if (c == 0x178) return 0xFF;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return (c & 1) ? c : c + 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
  return c;
}

namespace {
template <typename F>
std::string map_case(std::string_view s, F f) {
  std::string out;
  out.reserve(s.size());
  for (size_t pos = 0; pos < s.size();) {
    auto b = static_cast<unsigned char>(s[pos]);
    if (b < 0x80) {
      out += static_cast<char>(f(b));
      ++pos;
    } else {
      append_utf8(out, f(next_code_point(s, pos)));
    }
  }
  return out;
}
}  // namespace

std::string to_upper(std::string_view s) {
  return map_case(s, [](char32_t c) { return to_upper(c); });
}
std::string to_lower(std::string_view s) {
  return map_case(s, [](char32_t c) { return to_lower(c); });
}

int compare_ignore_case(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[j]);
    // Names and keywords are nearly always ASCII: no decoding for them.
    if ((x | y) < 0x80) {
      if (ascii_lower(x) != ascii_lower(y)) return ascii_lower(x) < ascii_lower(y) ? -1 : 1;
      ++i, ++j;
      continue;
    }
    char32_t cx = to_lower(next_code_point(a, i)), cy = to_lower(next_code_point(b, j));
    if (cx != cy) return cx < cy ? -1 : 1;
  }
  if (i == a.size()) return j == b.size() ? 0 : -1;
  return 1;
}

bool equals_ignore_case(std::string_view a, std::string_view b) {
  return compare_ignore_case(a, b) == 0;
}

size_t find_ignore_case(std::string_view hay, std::string_view needle, size_t from) {
  if (needle.empty()) return from <= hay.size() ? from : std::string_view::npos;
  std::string h = to_lower(hay.substr(std::min(from, hay.size())));
  std::string n = to_lower(needle);
  // Case mapping keeps byte lengths within the letters we fold, so offsets carry over.
  size_t at = h.find(n);
  return at == std::string::npos ? std::string_view::npos : at + from;
}

std::string replace_all(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(s);
  std::string out;
  size_t pos = 0;
  for (;;) {
    size_t at = s.find(from, pos);
    if (at == std::string_view::npos) break;
    out.append(s.substr(pos, at - pos));
    out.append(to);
    pos = at + from.size();
  }
  out.append(s.substr(pos));
  return out;
}

std::vector<std::string> split_lines(std::string_view s) {
  std::vector<std::string> lines;
  for_each_line(s, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

std::string join_crlf(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

size_t utf8_offset(std::string_view s, size_t index) {
  size_t pos = 0;
  for (size_t i = 0; i < index && pos < s.size(); ++i) next_code_point(s, pos);
  return pos;
}

std::string utf8_substr(std::string_view s, size_t start, size_t count) {
  size_t b = utf8_offset(s, start);
  if (count == std::string_view::npos) return std::string(s.substr(b));
  size_t e = b + utf8_offset(s.substr(b), count);
  return std::string(s.substr(b, e - b));
}

}  // namespace orvena::core
