#include "core/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/datetime_format.h"
#include "core/encoding.h"
#include "core/error.h"
#include "core/locale.h"
#include "core/text.h"

namespace orvena::core {

namespace {

// Widths and precisions beyond these are refused: a format string from a template must not be
// able to ask for gigabytes of padding.
constexpr int kMaxFieldWidth = 4096;
constexpr int kMaxPrecision = 18;
// Whole results of Format: many wide fields in one format string multiply.
constexpr size_t kMaxFormatOutput = 16u << 20;

// A non-negative finite number as decimal digits: value = 0.d1d2d3... x 10^exponent.
// No leading zeros; no digits at all means zero.
struct Decimal {
  std::string digits;
  int exponent = 0;
};

Decimal to_decimal(double v) {
  Decimal d;
  v = std::fabs(v);
  if (v == 0) return d;
  char buf[64];
  // Shortest text that reads back as the same double: 0.1 stays 0.1, 1.005 stays 1.005.
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
  std::string_view s(buf, res.ptr - buf);
  size_t e = s.find('e');
  for (char c : s.substr(0, e))
    if (c != '.') d.digits += c;
  int exp10 = 0;
  std::from_chars(s.data() + e + 1 + (s[e + 1] == '+'), s.data() + s.size(), exp10);
  d.exponent = exp10 + 1;
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

// Keeps `keep` leading digits, rounding half away from zero on the decimal digits.
void round_digits(Decimal& d, int keep) {
  if (keep < 0) {
    d = Decimal{};
    return;
  }
  if (static_cast<size_t>(keep) >= d.digits.size()) return;
  bool up = d.digits[keep] >= '5';
  d.digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      d.digits.insert(d.digits.begin(), '1');
      d.digits.pop_back();
      ++d.exponent;
      if (keep == 0) d.digits = "1";
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.exponent = 0;
}

// Integer digits (no leading zeros, "" for zero) and `decimals` fraction digits of d.
void split_fixed(const Decimal& d, int decimals, std::string& int_part, std::string& frac) {
  int_part.clear();
  frac.clear();
  for (int i = 0; i < d.exponent; ++i)
    int_part += static_cast<size_t>(i) < d.digits.size() ? d.digits[i] : '0';
  for (int i = 0; i < decimals; ++i) {
    int at = d.exponent + i;
    frac += at >= 0 && static_cast<size_t>(at) < d.digits.size() ? d.digits[at] : '0';
  }
}

std::string group_thousands(const std::string& digits) {
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += Locale::kThousandSeparator;
    out += digits[i];
  }
  return out;
}

// ---- picture formats ----

std::vector<std::string_view> split_sections(std::string_view picture) {
  std::vector<std::string_view> out;
  size_t start = 0;
  char quote = 0;
  for (size_t i = 0; i < picture.size(); ++i) {
    char c = picture[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';' && out.size() < 2) {
      out.push_back(picture.substr(start, i - start));
      start = i + 1;
    }
  }
  out.push_back(picture.substr(start));
  return out;
}

bool is_exponent_at(std::string_view s, size_t i) {
  return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

// What a section asks for, read in one pass over it.
struct Picture {
  int int_places = 0, min_int = 0, frac_places = 0, min_frac = 0;
  bool thousands = false, point = false, scientific = false;
  int exp_digits = 0;
};

Picture read_picture(std::string_view s) {
  Picture p;
  int first_zero = -1;
  char quote = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
    } else if (p.scientific) {
      continue;
    } else if (c == '0' || c == '#') {
      if (p.point) {
        ++p.frac_places;
        if (c == '0') p.min_frac = p.frac_places;
      } else {
        if (c == '0' && first_zero < 0) first_zero = p.int_places;
        ++p.int_places;
      }
    } else if (c == '.') {
      p.point = true;
    } else if (c == ',' && !p.point) {
      p.thousands = true;
    } else if (is_exponent_at(s, i)) {
      p.scientific = true;
      for (size_t j = i + 2; j < s.size() && s[j] == '0'; ++j) ++p.exp_digits;
    }
  }
  if (first_zero >= 0) p.min_int = p.int_places - first_zero;
  return p;
}

std::string apply_picture(std::string_view s, const Picture& p, double value) {
  std::string int_part, frac;
  int exp10 = 0;
  Decimal d = to_decimal(value);
  if (p.scientific) {
    int places = std::max(p.int_places, 1);
    round_digits(d, places + p.frac_places);
    if (!d.digits.empty()) exp10 = d.exponent - places;
    d.exponent = d.digits.empty() ? 0 : places;
    split_fixed(d, p.frac_places, int_part, frac);
    if (int_part.empty()) int_part = "0";
  } else {
    round_digits(d, d.exponent + p.frac_places);
    split_fixed(d, p.frac_places, int_part, frac);
  }
  while (frac.size() > static_cast<size_t>(p.min_frac) && frac.back() == '0') frac.pop_back();
  if (int_part.size() < static_cast<size_t>(p.min_int)) int_part.insert(0, p.min_int - int_part.size(), '0');

  std::string out;
  auto emit_int_digit = [&](size_t idx) {
    out += int_part[idx];
    size_t rest = int_part.size() - 1 - idx;
    if (p.thousands && rest > 0 && rest % 3 == 0) out += Locale::kThousandSeparator;
  };
  int int_seen = 0, frac_seen = 0;
  bool point_seen = false, exponent_done = false;
  char quote = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (quote) {
      if (c == quote)
        quote = 0;
      else
        out += c;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
    } else if ((c == '0' || c == '#') && !exponent_done) {
      if (point_seen) {
        if (frac_seen < static_cast<int>(frac.size())) out += frac[frac_seen];
        ++frac_seen;
        continue;
      }
      int k = int_seen++;
      int first = static_cast<int>(int_part.size()) - (p.int_places - k);
      // Digits beyond the picture's places all come out at its first place.
      if (k == 0)
        for (int idx = 0; idx < first; ++idx) emit_int_digit(idx);
      if (first >= 0) emit_int_digit(first);
    } else if (c == '.' && !exponent_done) {
      if (!point_seen && !frac.empty()) out += Locale::kDecimalSeparator;
      point_seen = true;
    } else if (c == ',' && !exponent_done) {
      // grouping is applied to the digits
    } else if (!exponent_done && p.scientific && is_exponent_at(s, i)) {
      out += c;
      if (exp10 < 0)
        out += '-';
      else if (s[i + 1] == '+')
        out += '+';
      std::string digits = std::to_string(std::abs(exp10));
      if (digits.size() < static_cast<size_t>(p.exp_digits))
        digits.insert(0, p.exp_digits - digits.size(), '0');
      out += digits;
      i += 1 + p.exp_digits;
      exponent_done = true;
    } else {
      out += c;
    }
  }
  return out;
}

// ---- printf-style formats ----

[[noreturn]] void invalid_format(std::string_view fmt) {
  throw Error("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
}

std::string fixed_text(double v, int decimals, bool thousands) {
  Decimal d = to_decimal(v);
  round_digits(d, d.exponent + decimals);
  std::string int_part, frac;
  split_fixed(d, decimals, int_part, frac);
  if (int_part.empty()) int_part = "0";
  std::string out = thousands ? group_thousands(int_part) : int_part;
  if (decimals > 0) out += Locale::kDecimalSeparator + frac;
  bool zero = d.digits.empty();
  return v < 0 && !zero ? "-" + out : out;
}

std::string scientific_text(double v, int precision) {
  Decimal d = to_decimal(v);
  round_digits(d, precision);
  int exp10 = d.digits.empty() ? 0 : d.exponent - 1;
  std::string digits = d.digits;
  digits.resize(precision, '0');
  std::string out = digits.substr(0, 1);
  if (precision > 1) out += Locale::kDecimalSeparator + digits.substr(1);
  char buf[16];
  std::snprintf(buf, sizeof buf, "E%c%03d", exp10 < 0 ? '-' : '+', std::abs(exp10));
  out += buf;
  return v < 0 && !d.digits.empty() ? "-" + out : out;
}

std::string hex_text(uint64_t v, int min_digits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
  std::string s(buf);
  if (min_digits > 0 && s.size() < static_cast<size_t>(min_digits)) s.insert(0, min_digits - s.size(), '0');
  return s;
}

bool is_finite_number(const Variant& v) {
  return (v.is_numeric() || v.type() == VarType::Date) && std::isfinite(v.to_double());
}

std::string one_spec(std::string_view fmt, char type, int precision, const Variant& arg) {
  switch (type) {
    case 'd':
    case 'u':
    case 'x': {
      if (!arg.is_integer()) invalid_format(fmt);
      int64_t i = arg.to_int64();
      std::string s;
      if (type == 'x') {
        s = hex_text(static_cast<uint64_t>(i), precision);
      } else {
        uint64_t mag = i < 0 && type == 'd' ? 0 - static_cast<uint64_t>(i) : static_cast<uint64_t>(i);
        if (type == 'u' && arg.type() == VarType::Int32) mag = static_cast<uint32_t>(i);
        s = std::to_string(mag);
        if (precision > 0 && s.size() < static_cast<size_t>(precision))
          s.insert(0, precision - s.size(), '0');
        if (type == 'd' && i < 0) s.insert(0, 1, '-');
      }
      return s;
    }
    case 'e':
    case 'f':
    case 'g':
    case 'n':
    case 'm': {
      if (!is_finite_number(arg)) {
        if (arg.is_numeric()) return Locale::format_float(arg.to_double());
        invalid_format(fmt);
      }
      double v = arg.to_double();
      if (type == 'e') return scientific_text(v, precision < 0 ? 15 : std::max(precision, 1));
      if (type == 'g') return Locale::format_float(v, precision < 0 ? 15 : std::clamp(precision, 1, 17));
      std::string s = fixed_text(v, precision < 0 ? 2 : precision, type != 'f');
      return type == 'm' ? s + " zł" : s;
    }
    case 's': {
      if (arg.type() == VarType::Array || arg.type() == VarType::Object) invalid_format(fmt);
      std::string s = arg.to_string();
      return precision >= 0 ? utf8_substr(s, 0, precision) : s;
    }
    case 'p':
      if (!arg.is_integer()) invalid_format(fmt);
      return hex_text(static_cast<uint64_t>(arg.to_int64()), 8);
    default:
      invalid_format(fmt);
  }
}

}  // namespace

std::string format_float(std::string_view picture, double value) {
  if (!std::isfinite(value) || picture.empty()) return Locale::format_float(value);
  std::vector<std::string_view> sections = split_sections(picture);
  std::string_view section = sections[0];
  bool with_minus = false;
  if (value < 0) {
    if (sections.size() >= 2 && !sections[1].empty())
      section = sections[1];
    else
      with_minus = true;
  } else if (value == 0 && sections.size() >= 3 && !sections[2].empty()) {
    section = sections[2];
  }
  Picture p = read_picture(section);
  std::string out = apply_picture(section, p, value);
  // No "-0": a negative value that rounds to nothing shows as zero.
  if (with_minus && out.find_first_of("123456789") != std::string::npos) out.insert(0, 1, '-');
  return out;
}

std::string format(std::string_view fmt, std::span<const Variant> args) {
  std::string out;
  size_t next_arg = 0;
  auto take = [&]() -> const Variant& {
    if (next_arg >= args.size()) throw Error("No argument for format '" + std::string(fmt) + "'");
    return args[next_arg++];
  };
  auto read_number = [&](size_t& i, int& n) -> bool {
    if (i < fmt.size() && fmt[i] == '*') {
      ++i;
      const Variant& a = take();
      if (!a.is_integer()) invalid_format(fmt);
      int64_t v = a.to_int64();
      if (v < 0 || v > kMaxFieldWidth) invalid_format(fmt);
      n = static_cast<int>(v);
      return true;
    }
    size_t start = i;
    int64_t v = 0;
    while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
      v = v * 10 + (fmt[i++] - '0');
      if (v > kMaxFieldWidth) invalid_format(fmt);
    }
    n = static_cast<int>(v);
    return i > start;
  };
  for (size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] != '%') {
      out += fmt[i];
      continue;
    }
    if (++i >= fmt.size()) invalid_format(fmt);
    if (fmt[i] == '%') {
      out += '%';
      continue;
    }
    int number = 0;
    bool have = read_number(i, number);
    if (have && i < fmt.size() && fmt[i] == ':') {  // %index:...
      next_arg = number;
      ++i;
      have = false;
    }
    bool left = false;
    if (i < fmt.size() && fmt[i] == '-') left = true, ++i;
    int width = 0;
    if (have)
      width = number;
    else
      read_number(i, width);
    int precision = -1;
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      read_number(i, precision);
      if (precision > kMaxPrecision && i < fmt.size() && fmt[i] != 's') precision = kMaxPrecision;
    }
    if (i >= fmt.size()) invalid_format(fmt);
    char type = static_cast<char>(std::tolower(static_cast<unsigned char>(fmt[i])));
    std::string text = one_spec(fmt, type, precision, take());
    size_t len = utf8_length(text);
    if (len < static_cast<size_t>(width)) {
      std::string pad(width - len, ' ');
      text = left ? text + pad : pad + text;
    }
    out += text;
    if (out.size() > kMaxFormatOutput) invalid_format(fmt);
  }
  return out;
}

std::optional<DisplayFormat> inline_format(std::string_view text) {
  if (text.empty()) return std::nullopt;
  DisplayFormat f;
  f.format_str = std::string(text.substr(1));
  switch (text[0]) {
    case 'N':
    case 'n':
      f.kind = DisplayKind::Numeric;
      for (char& c : f.format_str) {
        if (c == ',' || c == '-' || c == '.') {
          f.decimal_separator = std::string(1, c);
          c = '.';
        }
      }
      return f;
    case 'D':
    case 'd':
    case 'T':
    case 't':
      f.kind = DisplayKind::DateTime;
      return f;
    case 'B':
    case 'b':
      f.kind = DisplayKind::Boolean;
      return f;
    default:
      return std::nullopt;
  }
}

std::string format_data(const Variant& value, const DisplayFormat& f) {
  if (value.is_null()) return "";
  try {
    switch (f.kind) {
      case DisplayKind::Text:
        break;
      case DisplayKind::Numeric: {
        const std::string& s = f.format_str;
        std::string out;
        if (s.find('#') != std::string::npos || (!s.empty() && s[0] == '0')) {
          out = format_float(s, value.to_double());
        } else if (s.find('d') != std::string::npos || s.find('u') != std::string::npos) {
          Variant arg(value.to_int64());
          out = format(s, std::span<const Variant>(&arg, 1));
        } else {
          Variant arg(value.to_double());
          out = format(s, std::span<const Variant>(&arg, 1));
        }
        if (utf8_length(f.decimal_separator) == 1 && f.decimal_separator[0] != Locale::kDecimalSeparator) {
          size_t at = out.rfind(Locale::kDecimalSeparator);
          if (at != std::string::npos) out.replace(at, 1, f.decimal_separator);
        }
        if (utf8_length(f.thousand_separator) == 1 && f.thousand_separator != Locale::kThousandSeparator)
          out = replace_all(out, Locale::kThousandSeparator, f.thousand_separator);
        return out;
      }
      case DisplayKind::DateTime:
        return format_datetime(f.format_str.empty() ? "c" : f.format_str, value.to_date());
      case DisplayKind::Boolean: {
        size_t comma = f.format_str.find(',');
        if (comma == std::string::npos) break;
        bool is_true = false;
        try {
          is_true = compare(CompareOp::Equal, value, Variant(true));
        } catch (const Error&) {
          // a value that cannot be compared with True is not True
        }
        return is_true ? f.format_str.substr(comma + 1) : f.format_str.substr(0, comma);
      }
    }
  } catch (const Error&) {
    // A value the format cannot take shows in its plain form.
  }
  try {
    return value.to_string();
  } catch (const Error&) {
    return "";
  }
}

}  // namespace orvena::core
