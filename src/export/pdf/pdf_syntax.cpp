#include "export/pdf/pdf_syntax.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/encoding.h"

namespace orvena::exporting::pdf {

void append_number(std::string& out, double value) {
  if (!std::isfinite(value)) value = 0;  // a NaN would make the whole content stream unreadable
  // Every coordinate goes through here. Hundredths as a whole number are written far faster than
  // by the general conversion, and give its digits wherever value * 100 is not within rounding
  // error of a half; there, and for magnitudes beyond the fast path, the general one decides.
  const double hundredths = value * 100;
  const double whole = std::nearbyint(hundredths);
  if (std::fabs(hundredths) < 1e9 && std::fabs(std::fabs(hundredths - whole) - 0.5) > 1e-6) {
    auto n = static_cast<int64_t>(whole);
    if (n < 0) {
      out += '-';
      n = -n;
    }
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, n / 100);
    out.append(buf, res.ptr);
    const auto cents = static_cast<int>(n % 100);
    out += '.';
    out += static_cast<char>('0' + cents / 10);
    out += static_cast<char>('0' + cents % 10);
    return;
  }
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 2);
  std::string_view text(buf, res.ptr - buf);
  if (text == "-0.00") text = "0.00";
  out += text;
}

std::string number(double value) {
  std::string out;
  append_number(out, value);
  return out;
}

std::string color_components(Color c) {
  if (c == Color{0, 0, 0}) return "0 0 0";
  if (c == Color{255, 255, 255}) return "1 1 1";
  std::string out;
  append_number(out, c.r / 255.0);
  out += ' ';
  append_number(out, c.g / 255.0);
  out += ' ';
  append_number(out, c.b / 255.0);
  return out;
}

std::string name(std::string_view bytes) {
  static constexpr std::string_view kDelimiters = "()<>[]{}/%#";
  std::string out = "/";
  for (char ch : bytes) {
    auto b = static_cast<uint8_t>(ch);
    if (b < 33 || b > 126 || kDelimiters.find(ch) != std::string_view::npos) {
      char buf[4];
      std::snprintf(buf, sizeof buf, "#%02X", b);
      out += buf;
    } else {
      out += ch;
    }
  }
  return out;
}

std::string utf16_bytes(std::string_view utf8) {
  std::string out = "\xFE\xFF";
  auto unit = [&](uint32_t u) {
    out += static_cast<char>(u >> 8);
    out += static_cast<char>(u & 0xFF);
  };
  for (size_t pos = 0; pos < utf8.size();) {
    char32_t cp = core::next_code_point(utf8, pos);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit(0xD800 + (cp >> 10));
      unit(0xDC00 + (cp & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}

std::string utf16_hex_string(std::string_view utf8) {
  return hex_string(utf16_bytes(utf8));
}

std::string literal_string(std::string_view bytes) {
  std::string out = "(";
  for (char c : bytes) {
    switch (c) {
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '(':
      case ')':
      case '\\':
        out += '\\';
        out += c;
        break;
      default:
        out += c;
    }
  }
  out += ')';
  return out;
}

std::string hex_string(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out = "<";
  for (char c : bytes) {
    out += kDigits[uint8_t(c) >> 4];
    out += kDigits[uint8_t(c) & 15];
  }
  out += '>';
  return out;
}

std::string hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (char c : bytes) {
    out += kDigits[uint8_t(c) >> 4];
    out += kDigits[uint8_t(c) & 15];
  }
  return out;
}

std::string date_text(core::DateTime local) {
  core::DateParts p = core::decode(local);
  char buf[32];
  std::snprintf(buf, sizeof buf, "D:%04d%02d%02d%02d%02d%02d", p.year, p.month, p.day, p.hour, p.minute,
                p.second);
  return buf;
}

}  // namespace orvena::exporting::pdf
