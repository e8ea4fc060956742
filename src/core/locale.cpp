#include "core/locale.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/text.h"

namespace orvena::core {

namespace {

std::string two(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

// Reads an unsigned decimal number of 1..max_digits digits at pos.
bool read_int(std::string_view s, size_t& pos, int max_digits, int& out) {
  size_t start = pos;
  out = 0;
  while (pos < s.size() && pos - start < static_cast<size_t>(max_digits) && s[pos] >= '0' && s[pos] <= '9')
    out = out * 10 + (s[pos++] - '0');
  return pos > start;
}

}  // namespace

std::string Locale::format_date(DateTime value) {
  DateParts p = decode(value);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.year, p.month, p.day);
  return buf;
}

std::string Locale::format_time(DateTime value) {
  DateParts p = decode(value);
  return two(p.hour) + ":" + two(p.minute) + ":" + two(p.second);
}

std::string Locale::format_date_and_time(DateTime value) {
  return format_date(value) + " " + format_time(value);
}

std::string Locale::format_datetime(DateTime value) {
  // A time of day alone (no date part) shows as the time, as 0,5 shows as 12:00:00.
  if (std::trunc(value) == 0 && value != 0) return format_time(value);
  DateParts p = decode(value);
  if (p.hour == 0 && p.minute == 0 && p.second == 0) return format_date(value);
  return format_date_and_time(value);
}

std::string Locale::format_float(double value, int precision) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", precision - 1, value);
  // buf: [-]d.dddde[+-]xx
  std::string s(buf);
  size_t e = s.find('e');
  int exponent = std::atoi(s.c_str() + e + 1);
  std::string mantissa = s.substr(0, e);
  bool negative = mantissa[0] == '-';
  if (negative) mantissa.erase(0, 1);
  std::string digits;
  for (char c : mantissa)
    if (c != '.') digits += c;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out;
  if (exponent < -4 || exponent >= precision) {
    out = digits.substr(0, 1);
    if (digits.size() > 1) out += kDecimalSeparator + digits.substr(1);
    out += "E" + std::string(exponent < 0 ? "-" : "") + std::to_string(std::abs(exponent));
  } else if (exponent < 0) {
    out = "0" + std::string(1, kDecimalSeparator) + std::string(-exponent - 1, '0') + digits;
  } else {
    size_t int_len = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= int_len) {
      out = digits + std::string(int_len - digits.size(), '0');
    } else {
      out = digits.substr(0, int_len) + kDecimalSeparator + digits.substr(int_len);
    }
  }
  return negative ? "-" + out : out;
}

std::string Locale::format_fixed(double value, int decimals, bool thousands) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  std::string s(buf);
  bool negative = !s.empty() && s[0] == '-';
  if (negative) s.erase(0, 1);
  size_t dot = s.find('.');
  std::string int_part = s.substr(0, dot);
  std::string frac = dot == std::string::npos ? "" : s.substr(dot + 1);
  if (thousands) {
    std::string grouped;
    for (size_t i = 0; i < int_part.size(); ++i) {
      if (i > 0 && (int_part.size() - i) % 3 == 0) grouped += kThousandSeparator;
      grouped += int_part[i];
    }
    int_part = grouped;
  }
  std::string out = int_part;
  if (!frac.empty()) out += kDecimalSeparator + frac;
  bool all_zero = out.find_first_not_of("0,\u00A0") == std::string::npos;
  return negative && !all_zero ? "-" + out : out;
}

std::optional<double> Locale::parse_float(std::string_view text) {
  std::string s = trim(text);
  if (s.empty()) return std::nullopt;
  std::string clean;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s.compare(i, kThousandSeparator.size(), kThousandSeparator) == 0) {
      i += kThousandSeparator.size() - 1;
      continue;
    }
    clean += s[i] == kDecimalSeparator ? '.' : s[i];
  }
  if (!clean.empty() && clean[0] == '+') clean.erase(0, 1);
  // Only plain decimal notation: digits, one point, an optional exponent.
  for (char c : clean)
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' ||
          c == 'E'))
      return std::nullopt;
  double v = 0;
  auto [ptr, ec] = std::from_chars(clean.data(), clean.data() + clean.size(), v);
  if (ec != std::errc() || ptr != clean.data() + clean.size()) return std::nullopt;
  return v;
}

std::optional<DateTime> Locale::parse_date(std::string_view text) {
  std::string s = trim(text);
  size_t pos = 0;
  int y, m, d;
  if (!read_int(s, pos, 4, y) || pos >= s.size() || s[pos++] != kDateSeparator) return std::nullopt;
  if (!read_int(s, pos, 2, m) || pos >= s.size() || s[pos++] != kDateSeparator) return std::nullopt;
  if (!read_int(s, pos, 2, d) || pos != s.size()) return std::nullopt;
  if (y < 100) y += 2000;  // two-digit years fall in this century
  DateTime out;
  if (!try_encode_date(y, m, d, out)) return std::nullopt;
  return out;
}

std::optional<DateTime> Locale::parse_time(std::string_view text) {
  std::string s = trim(text);
  size_t pos = 0;
  int h, n, sec = 0;
  if (!read_int(s, pos, 2, h) || pos >= s.size() || s[pos++] != kTimeSeparator) return std::nullopt;
  if (!read_int(s, pos, 2, n)) return std::nullopt;
  if (pos < s.size()) {
    if (s[pos++] != kTimeSeparator || !read_int(s, pos, 2, sec) || pos != s.size()) return std::nullopt;
  }
  if (h > 23 || n > 59 || sec > 59) return std::nullopt;
  return encode_time(h, n, sec);
}

std::optional<DateTime> Locale::parse_datetime(std::string_view text) {
  std::string s = trim(text);
  size_t blank = s.find(' ');
  if (blank == std::string::npos) {
    if (auto d = parse_date(s)) return d;
    return parse_time(s);
  }
  auto d = parse_date(s.substr(0, blank));
  auto t = parse_time(s.substr(blank + 1));
  if (!d || !t) return std::nullopt;
  return *d + *t;
}

}  // namespace orvena::core
