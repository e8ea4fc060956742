#include "core/encoding.h"

#include <algorithm>
#include <array>

namespace orvena::core {
namespace {

#include "core/encoding_tables.inc"

const std::array<char16_t, 128>& table_of(CodePage page) {
  switch (page) {
    case CodePage::Windows1250:
      return kCp1250;
    case CodePage::Iso8859_2:
      return kIso8859_2;
    case CodePage::Oem852:
      return kCp852;
  }
  return kCp1250;
}

}  // namespace

void append_utf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t next_code_point(std::string_view s, size_t& pos) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char b0 = byte(pos);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  int extra = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    ++pos;
    return 0xFFFD;
  }
  if (pos + extra >= s.size()) {  // truncated sequence
    ++pos;
    return 0xFFFD;
  }
  for (int i = 1; i <= extra; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) {
      ++pos;
      return 0xFFFD;
    }
    cp = (cp << 6) | (byte(pos + i) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return 0xFFFD;
  }
  pos += extra + 1;
  return cp;
}

size_t utf8_length(std::string_view s) {
  size_t n = 0;
  for (size_t pos = 0; pos < s.size(); ++n) next_code_point(s, pos);
  return n;
}

bool is_valid_utf8(std::string_view s) {
  for (size_t pos = 0; pos < s.size();) {
    size_t before = pos;
    if (next_code_point(s, pos) == 0xFFFD) {
      // U+FFFD itself is three valid bytes; anything shorter was a malformed sequence.
      if (pos - before != 3) return false;
    }
  }
  return true;
}

std::string to_utf8(std::string_view bytes, CodePage page) {
  const auto& table = table_of(page);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x80)
      out += c;
    else
      append_utf8(out, table[b - 0x80]);
  }
  return out;
}

namespace {

// Code points of a page's upper half, sorted, with their bytes: a binary search per character.
struct ReverseTable {
  std::array<std::pair<char16_t, unsigned char>, 128> entries;
  explicit ReverseTable(const std::array<char16_t, 128>& table) {
    for (size_t i = 0; i < 128; ++i) entries[i] = {table[i], static_cast<unsigned char>(0x80 + i)};
    std::sort(entries.begin(), entries.end());
  }
  int find(char32_t cp) const {
    auto it = std::lower_bound(entries.begin(), entries.end(), std::pair<char16_t, unsigned char>(cp, 0));
    return it != entries.end() && it->first == cp ? it->second : -1;
  }
};

const ReverseTable& reverse_of(CodePage page) {
  static const ReverseTable cp1250(kCp1250), iso(kIso8859_2), oem(kCp852);
  switch (page) {
    case CodePage::Iso8859_2:
      return iso;
    case CodePage::Oem852:
      return oem;
    default:
      return cp1250;
  }
}

}  // namespace

int encode_char(char32_t cp, CodePage page) {
  if (cp < 0x80) return static_cast<int>(cp);
  if (cp > 0xFFFF) return -1;
  return reverse_of(page).find(cp);
}

std::string from_utf8(std::string_view utf8, CodePage page) {
  std::string out;
  out.reserve(utf8.size());
  append_from_utf8(out, utf8, page);
  return out;
}

void append_from_utf8(std::string& out, std::string_view utf8, CodePage page) {
  for (size_t pos = 0; pos < utf8.size();) {
    // ASCII is the same in every code page: a run of it is copied whole (every value of a
    // million-row "csv" passes here).
    size_t ascii = pos;
    while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) ++ascii;
    out.append(utf8.data() + pos, ascii - pos);
    pos = ascii;
    if (pos == utf8.size()) break;
    int byte = encode_char(next_code_point(utf8, pos), page);
    out += byte < 0 ? '?' : static_cast<char>(byte);
  }
}

std::string utf16_to_utf8(std::string_view bytes, bool big_endian) {
  std::string out;
  auto unit = [&](size_t i) -> char16_t {
    auto a = static_cast<unsigned char>(bytes[i]);
    auto b = static_cast<unsigned char>(bytes[i + 1]);
    return big_endian ? static_cast<char16_t>((a << 8) | b) : static_cast<char16_t>((b << 8) | a);
  };
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
      char32_t lo = unit(i + 2);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        append_utf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
        i += 2;
        continue;
      }
    }
    append_utf8(out, u);  // a lone surrogate becomes U+FFFD
  }
  return out;
}

}  // namespace orvena::core
