#include "core/locale.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/text.h"

namespace orvena::core {

namespace {

// Reads an unsigned decimal number of 1..max_digits digits at pos.
bool read_int(std::string_view s, size_t& pos, int max_digits, int& out) {
  size_t start = pos;
  out = 0;
  while (pos < s.size() && pos - start < static_cast<size_t>(max_digits) && s[pos] >= '0' && s[pos] <= '9')
    out = out * 10 + (s[pos++] - '0');
  return pos > start;
}

void append_two(std::string& out, int v) {
  out += static_cast<char>('0' + v / 10);
  out += static_cast<char>('0' + v % 10);
}

}  // namespace

// Writers format every value of a result, so these append in place and build no temporaries.
namespace {

void write_date(std::string& out, const DateParts& p) {
  if (p.year < 0 || p.year > 9999) {
    char buf[32];
    int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.year, p.month, p.day);
    out.append(buf, static_cast<size_t>(n));
    return;
  }
  out += static_cast<char>('0' + p.year / 1000);
  out += static_cast<char>('0' + p.year / 100 % 10);
  append_two(out, p.year % 100);
  out += Locale::kDateSeparator;
  append_two(out, p.month);
  out += Locale::kDateSeparator;
  append_two(out, p.day);
}

void write_time(std::string& out, const DateParts& p) {
  append_two(out, p.hour);
  out += Locale::kTimeSeparator;
  append_two(out, p.minute);
  out += Locale::kTimeSeparator;
  append_two(out, p.second);
}

}  // namespace

void Locale::append_date(std::string& out, DateTime value) {
  write_date(out, decode(value));
}

void Locale::append_time(std::string& out, DateTime value) {
  write_time(out, decode(value));
}

void Locale::append_date_and_time(std::string& out, DateTime value) {
  DateParts p = decode(value);
  write_date(out, p);
  out += ' ';
  write_time(out, p);
}

void Locale::append_datetime(std::string& out, DateTime value) {
  // A time of day alone (no date part) shows as the time, as 0,5 shows as 12:00:00.
  DateParts p = decode(value);
  if (std::trunc(value) == 0 && value != 0) return write_time(out, p);
  write_date(out, p);
  if (p.hour == 0 && p.minute == 0 && p.second == 0) return;
  out += ' ';
  write_time(out, p);
}

void Locale::append_float(std::string& out, double value, int precision) {
  if (std::isnan(value)) return void(out += "NAN");
  if (std::isinf(value)) return void(out += value > 0 ? "INF" : "-INF");
  if (value == 0) return void(out += '0');
  // [-]d.ddddde[+-]xx, rounded to `precision` significant digits. The shortest form that reads
  // back as the value is much cheaper to find, and when it has no more than `precision` (at most
  // 15) digits it is the rounded form too: the value lies within half a unit in the last place of
  // it, far closer than half a step of the fifteenth digit. That holds for normal doubles only.
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  const char* e = static_cast<const char*>(std::memchr(buf, 'e', static_cast<size_t>(r.ptr - buf)));
  size_t mantissa = static_cast<size_t>(e - buf) - (buf[0] == '-');
  size_t shortest_digits = mantissa > 1 ? mantissa - 1 : mantissa;  // less the decimal point
  if (precision > 15 || shortest_digits > static_cast<size_t>(precision) || !std::isnormal(value)) {
    r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, precision - 1);
    e = static_cast<const char*>(std::memchr(buf, 'e', static_cast<size_t>(r.ptr - buf)));
  }
  int exponent = 0;
  std::from_chars(e + 1 + (e[1] == '+'), r.ptr, exponent);
  const char* p = buf;
  if (*p == '-') {
    out += '-';
    ++p;
  }
  char digits[32];
  size_t n = 0;
  for (; p < e; ++p)
    if (*p != '.') digits[n++] = *p;
  while (n > 1 && digits[n - 1] == '0') --n;

  if (exponent < -4 || exponent >= precision) {
    out += digits[0];
    if (n > 1) {
      out += kDecimalSeparator;
      out.append(digits + 1, n - 1);
    }
    out += 'E';
    char exp[8];
    auto x = std::to_chars(exp, exp + sizeof exp, exponent);
    out.append(exp, x.ptr);
  } else if (exponent < 0) {
    out += '0';
    out += kDecimalSeparator;
    out.append(static_cast<size_t>(-exponent - 1), '0');
    out.append(digits, n);
  } else {
    size_t int_len = static_cast<size_t>(exponent) + 1;
    if (n <= int_len) {
      out.append(digits, n);
      out.append(int_len - n, '0');
    } else {
      out.append(digits, int_len);
      out += kDecimalSeparator;
      out.append(digits + int_len, n - int_len);
    }
  }
}

std::string Locale::format_date(DateTime value) {
  std::string out;
  append_date(out, value);
  return out;
}

std::string Locale::format_time(DateTime value) {
  std::string out;
  append_time(out, value);
  return out;
}

std::string Locale::format_date_and_time(DateTime value) {
  std::string out;
  append_date_and_time(out, value);
  return out;
}

std::string Locale::format_datetime(DateTime value) {
  std::string out;
  append_datetime(out, value);
  return out;
}

std::string Locale::format_float(double value, int precision) {
  std::string out;
  append_float(out, value, precision);
  return out;
}

std::string Locale::format_fixed(double value, int decimals, Thousands thousands) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  std::string s(buf);
  bool negative = !s.empty() && s[0] == '-';
  if (negative) s.erase(0, 1);
  size_t dot = s.find('.');
  std::string int_part = s.substr(0, dot);
  std::string frac = dot == std::string::npos ? "" : s.substr(dot + 1);
  if (thousands == Thousands::Grouped) {
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
