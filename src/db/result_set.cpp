#include "db/result_set.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "core/locale.h"
#include "core/text.h"

namespace orvena::db {

using core::Variant;
using detail::Column;
using detail::Storage;

namespace {

constexpr int64_t kPow10[] = {1,
                              10,
                              100,
                              1000,
                              10000,
                              100000,
                              1000000,
                              10000000,
                              100000000,
                              1000000000,
                              10000000000,
                              100000000000,
                              1000000000000,
                              10000000000000,
                              100000000000000,
                              1000000000000000,
                              10000000000000000,
                              100000000000000000,
                              1000000000000000000};
constexpr int kMaxScaledDigits = 18;
// Day 0 of DateTime (1899-12-30) as a Julian day number, SQLite's numeric form of dates.
constexpr double kJulianDayOfZero = 2415018.5;

Storage storage_for(FieldKind kind, int precision, int scale) {
  switch (kind) {
    case FieldKind::Empty:
      return Storage::Pending;
    case FieldKind::TinyInt:
    case FieldKind::SmallInt:
    case FieldKind::Integer:
    case FieldKind::BigInt:
    case FieldKind::UnsignedTinyInt:
    case FieldKind::UnsignedSmallInt:
    case FieldKind::UnsignedInt:
    case FieldKind::UnsignedBigInt:
    case FieldKind::Error:
      return Storage::Integer;
    case FieldKind::Single:
    case FieldKind::Double:
      return Storage::Real;
    case FieldKind::Currency:
      return Storage::Scaled;
    case FieldKind::Decimal:
    case FieldKind::Numeric:
    case FieldKind::VarNumeric:
      return precision <= kMaxScaledDigits && scale >= 0 && scale <= kMaxScaledDigits ? Storage::Scaled
                                                                                      : Storage::BigDecimal;
    case FieldKind::Boolean:
      return Storage::Bool;
    case FieldKind::Date:
    case FieldKind::DBDate:
    case FieldKind::DBTime:
    case FieldKind::DBTimeStamp:
      return Storage::Date;
    default:
      return Storage::Text;
  }
}

void append_int(std::string& out, int64_t v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

void append_two(char*& p, int v) {
  *p++ = static_cast<char>('0' + v / 10);
  *p++ = static_cast<char>('0' + v % 10);
}

// value / 10^scale in the general form: no trailing zeros, decimal comma.
void append_scaled(std::string& out, int64_t value, int scale) {
  if (scale == 0) return append_int(out, value);
  bool negative = value < 0;
  uint64_t mag = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  uint64_t unit = static_cast<uint64_t>(kPow10[scale]);
  uint64_t whole = mag / unit, frac = mag % unit;
  if (negative) out += '-';
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, whole);
  out.append(buf, r.ptr);
  if (frac == 0) return;
  char digits[24];
  for (int i = scale - 1; i >= 0; --i, frac /= 10) digits[i] = static_cast<char>('0' + frac % 10);
  int len = scale;
  while (digits[len - 1] == '0') --len;
  out += core::Locale::kDecimalSeparator;
  out.append(digits, static_cast<size_t>(len));
}

// [-]digits[.digits] -> the general form with a decimal comma; false when it is not that form.
bool normalize_decimal(std::string_view s, std::string& out) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  size_t int_start = i;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  std::string_view whole = s.substr(int_start, i - int_start);
  std::string_view frac;
  if (i < s.size() && s[i] == '.') {
    size_t f = ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    frac = s.substr(f, i - f);
  }
  if (i != s.size() || (whole.empty() && frac.empty())) return false;
  while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
  while (!frac.empty() && frac.back() == '0') frac.remove_suffix(1);
  if (whole.empty()) whole = "0";
  if (negative && !(whole == "0" && frac.empty())) out += '-';
  out.append(whole);
  if (!frac.empty()) {
    out += core::Locale::kDecimalSeparator;
    out.append(frac);
  }
  return true;
}

bool parse_int_exact(std::string_view s, int64_t& out) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  auto r = std::from_chars(s.data(), s.data() + s.size(), out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() && !s.empty();
}

bool parse_double_exact(std::string_view s, double& out) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  auto r = std::from_chars(s.data(), s.data() + s.size(), out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() && !s.empty();
}

bool parse_bool_text(std::string_view s, bool& out) {
  using core::equals_ignore_case;
  if (s == "1" || equals_ignore_case(s, "true") || equals_ignore_case(s, "t")) return out = true, true;
  if (s == "0" || equals_ignore_case(s, "false") || equals_ignore_case(s, "f")) return out = false, true;
  return false;
}

// A double that is exactly a decimal with `scale` digits, as value * 10^scale.
bool scaled_from_double(double v, int scale, int64_t& out) {
  double r = std::nearbyint(v * static_cast<double>(kPow10[scale]));
  if (!(std::fabs(r) < 9007199254740992.0)) return false;  // 2^53: beyond it the test below lies
  if (r / static_cast<double>(kPow10[scale]) != v) return false;
  out = static_cast<int64_t>(r);
  return true;
}

Variant variant_of_integer(int64_t v, FieldKind kind) {
  bool wide = kind == FieldKind::BigInt || kind == FieldKind::UnsignedBigInt;
  if (!wide && v >= INT32_MIN && v <= INT32_MAX) return Variant(static_cast<int32_t>(v));
  return Variant(v);
}

Variant column_value(const Column& c, size_t row) {
  if (c.nulls[row]) return Variant::null();
  switch (c.storage) {
    case Storage::Integer:
      return variant_of_integer(c.ints[row], c.info.kind);
    case Storage::Real:
      return Variant(c.reals[row]);
    case Storage::Scaled: {
      int64_t v = c.ints[row];
      int scale = c.info.scale;
      int64_t cur;
      if (scale <= 4 && !__builtin_mul_overflow(v, kPow10[4 - scale], &cur))
        return Variant(core::Currency{cur});
      return Variant(static_cast<double>(v) / static_cast<double>(kPow10[scale]));
    }
    case Storage::BigDecimal:
    case Storage::Text: {
      size_t begin = row == 0 ? 0 : c.ends[row - 1];
      std::string_view s(c.chars.data() + begin, c.ends[row] - begin);
      if (c.storage == Storage::Text) return Variant(s);
      std::string plain(s);
      for (char& ch : plain)
        if (ch == core::Locale::kDecimalSeparator) ch = '.';
      double d = 0;
      std::from_chars(plain.data(), plain.data() + plain.size(), d);
      return Variant(d);
    }
    case Storage::Date:
      return Variant::date(c.reals[row]);
    case Storage::Bool:
      return Variant(c.ints[row] != 0);
    case Storage::Variants:
      return c.variants[row];
    case Storage::Pending:
      break;
  }
  return Variant::null();
}

}  // namespace

const char* field_kind_name(FieldKind kind) {
  switch (kind) {
    case FieldKind::Empty:
      return "adEmpty";
    case FieldKind::SmallInt:
      return "adSmallInt";
    case FieldKind::Integer:
      return "adInteger";
    case FieldKind::Single:
      return "adSingle";
    case FieldKind::Double:
      return "adDouble";
    case FieldKind::Currency:
      return "adCurrency";
    case FieldKind::Date:
      return "adDate";
    case FieldKind::Error:
      return "adError";
    case FieldKind::Boolean:
      return "adBoolean";
    case FieldKind::Variant:
      return "adVariant";
    case FieldKind::Decimal:
      return "adDecimal";
    case FieldKind::TinyInt:
      return "adTinyInt";
    case FieldKind::UnsignedTinyInt:
      return "adUnsignedTinyInt";
    case FieldKind::UnsignedSmallInt:
      return "adUnsignedSmallInt";
    case FieldKind::UnsignedInt:
      return "adUnsignedInt";
    case FieldKind::BigInt:
      return "adBigInt";
    case FieldKind::UnsignedBigInt:
      return "adUnsignedBigInt";
    case FieldKind::Guid:
      return "adGUID";
    case FieldKind::Binary:
      return "adBinary";
    case FieldKind::Char:
      return "adChar";
    case FieldKind::WChar:
      return "adWChar";
    case FieldKind::Numeric:
      return "adNumeric";
    case FieldKind::DBDate:
      return "adDBDate";
    case FieldKind::DBTime:
      return "adDBTime";
    case FieldKind::DBTimeStamp:
      return "adDBTimeStamp";
    case FieldKind::VarNumeric:
      return "adVarNumeric";
    case FieldKind::VarChar:
      return "adVarChar";
    case FieldKind::LongVarChar:
      return "adLongVarChar";
    case FieldKind::VarWChar:
      return "adVarWChar";
    case FieldKind::LongVarWChar:
      return "adLongVarWChar";
    case FieldKind::VarBinary:
      return "adVarBinary";
    case FieldKind::LongVarBinary:
      return "adLongVarBinary";
  }
  return "adEmpty";
}

bool is_numeric_field(const FieldInfo& f) {
  switch (f.kind) {
    case FieldKind::TinyInt:
    case FieldKind::SmallInt:
    case FieldKind::Integer:
    case FieldKind::UnsignedTinyInt:
    case FieldKind::UnsignedSmallInt:
    case FieldKind::UnsignedInt:
    case FieldKind::Error:
    case FieldKind::Single:
    case FieldKind::Double:
    case FieldKind::Currency:
      return true;
    case FieldKind::Decimal:
    case FieldKind::Numeric:
    case FieldKind::VarNumeric:
      return f.scale <= 4 && f.precision < 20;
    default:
      return false;
  }
}

bool is_text_kind(FieldKind kind) {
  switch (kind) {
    case FieldKind::Char:
    case FieldKind::WChar:
    case FieldKind::VarChar:
    case FieldKind::LongVarChar:
    case FieldKind::VarWChar:
    case FieldKind::LongVarWChar:
      return true;
    default:
      return false;
  }
}

// ---- formatting -------------------------------------------------------------------------------

namespace detail {

void append_general_float(std::string& out, double value, int precision) {
  // Same digits and layout as core::Locale::format_float, without its temporary strings: the
  // delimited-text writer formats every value of a result.
  if (std::isnan(value)) return void(out += "NAN");
  if (std::isinf(value)) return void(out += value > 0 ? "INF" : "-INF");
  if (value == 0) return void(out += '0');
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, precision - 1);
  const char* end = r.ptr;
  const char* e = static_cast<const char*>(std::memchr(buf, 'e', static_cast<size_t>(end - buf)));
  int exponent = 0;
  std::from_chars(e + 1 + (e[1] == '+'), end, exponent);
  const char* p = buf;
  bool negative = *p == '-';
  if (negative) ++p;
  char digits[32];
  int n = 0;
  for (; p < e; ++p)
    if (*p != '.') digits[n++] = *p;
  while (n > 1 && digits[n - 1] == '0') --n;

  if (negative) out += '-';
  if (exponent < -4 || exponent >= precision) {
    out += digits[0];
    if (n > 1) {
      out += core::Locale::kDecimalSeparator;
      out.append(digits + 1, static_cast<size_t>(n - 1));
    }
    out += 'E';
    if (exponent < 0) out += '-';
    append_int(out, std::abs(exponent));
  } else if (exponent < 0) {
    out += '0';
    out += core::Locale::kDecimalSeparator;
    out.append(static_cast<size_t>(-exponent - 1), '0');
    out.append(digits, static_cast<size_t>(n));
  } else {
    int int_len = exponent + 1;
    if (n <= int_len) {
      out.append(digits, static_cast<size_t>(n));
      out.append(static_cast<size_t>(int_len - n), '0');
    } else {
      out.append(digits, static_cast<size_t>(int_len));
      out += core::Locale::kDecimalSeparator;
      out.append(digits + int_len, static_cast<size_t>(n - int_len));
    }
  }
}

void append_date_time(std::string& out, core::DateTime value, FieldKind kind) {
  core::DateParts d = core::decode(value);
  char buf[32];
  char* p = buf;
  if (kind != FieldKind::DBTime) {
    if (d.year < 0 || d.year > 9999) {
      out += core::Locale::format_date(value);
    } else {
      *p++ = static_cast<char>('0' + d.year / 1000);
      *p++ = static_cast<char>('0' + d.year / 100 % 10);
      append_two(p, d.year % 100);
      *p++ = '-';
      append_two(p, d.month);
      *p++ = '-';
      append_two(p, d.day);
    }
    bool midnight = d.hour == 0 && d.minute == 0 && d.second == 0;
    if (kind == FieldKind::DBDate || midnight) return void(out.append(buf, p));
    *p++ = ' ';
  }
  append_two(p, d.hour);
  *p++ = ':';
  append_two(p, d.minute);
  *p++ = ':';
  append_two(p, d.second);
  out.append(buf, p);
}

bool parse_scaled(std::string_view s, int scale, int64_t& out) {
  if (scale < 0 || scale > kMaxScaledDigits) return false;
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  uint64_t mag = 0;
  int digits = 0, frac = 0;
  bool point = false;
  constexpr uint64_t kLimit = static_cast<uint64_t>(INT64_MAX);
  for (; i < s.size(); ++i) {
    char ch = s[i];
    if (ch == '.' && !point) {
      point = true;
      continue;
    }
    if (ch < '0' || ch > '9') return false;
    ++digits;
    if (point && frac == scale) {
      if (ch != '0') return false;  // more decimals than the column holds
      continue;
    }
    if (point) ++frac;
    if (mag > (kLimit - static_cast<uint64_t>(ch - '0')) / 10) return false;
    mag = mag * 10 + static_cast<uint64_t>(ch - '0');
  }
  if (digits == 0) return false;
  for (; frac < scale; ++frac) {
    if (mag > kLimit / 10) return false;
    mag *= 10;
  }
  out = negative ? -static_cast<int64_t>(mag) : static_cast<int64_t>(mag);
  return true;
}

bool parse_iso_date_time(std::string_view s, core::DateTime& out) {
  auto num = [&](size_t pos, size_t len, int& v) {
    if (pos + len > s.size()) return false;
    v = 0;
    for (size_t i = pos; i < pos + len; ++i) {
      if (s[i] < '0' || s[i] > '9') return false;
      v = v * 10 + (s[i] - '0');
    }
    return true;
  };
  auto parse_time = [&](size_t pos, core::DateTime& t) {
    int h, m, sec = 0, ms = 0;
    if (!num(pos, 2, h) || pos + 2 >= s.size() || s[pos + 2] != ':' || !num(pos + 3, 2, m)) return false;
    size_t i = pos + 5;
    if (i < s.size() && s[i] == ':') {
      if (!num(i + 1, 2, sec)) return false;
      i += 3;
      if (i < s.size() && s[i] == '.') {
        size_t f = ++i, scale = 100;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
          if (scale > 0) ms += (s[i] - '0') * static_cast<int>(scale);
          scale /= 10;
          ++i;
        }
        if (i == f) return false;
      }
    }
    if (i < s.size() && s[i] == 'Z') ++i;
    if (i != s.size() || h > 23 || m > 59 || sec > 59) return false;
    t = core::encode_time(h, m, sec, ms);
    return true;
  };
  if (s.size() >= 5 && s[2] == ':') return parse_time(0, out);
  int y, mo, d;
  if (!num(0, 4, y) || s.size() < 10 || s[4] != '-' || !num(5, 2, mo) || s[7] != '-' || !num(8, 2, d))
    return false;
  core::DateTime date;
  if (!core::try_encode_date(y, mo, d, date)) return false;
  if (s.size() == 10) return out = date, true;
  if (s[10] != ' ' && s[10] != 'T') return false;
  core::DateTime time;
  if (!parse_time(11, time)) return false;
  // Before 1899-12-30 the day count is negative and the time still counts forward from it.
  out = date >= 0 ? date + time : date - time;
  return true;
}

}  // namespace detail

// ---- ResultSet --------------------------------------------------------------------------------

std::vector<FieldInfo> ResultSet::fields() const {
  std::vector<FieldInfo> out;
  out.reserve(m_columns.size());
  for (const Column& c : m_columns) out.push_back(c.info);
  return out;
}

const Column& ResultSet::cell(size_t row, size_t field) const {
  if (row >= m_rows) throw std::out_of_range("row index out of range");
  return m_columns.at(field);
}

bool ResultSet::is_null(size_t row, size_t field) const {
  return cell(row, field).nulls[row] != 0;
}

Variant ResultSet::value(size_t row, size_t field) const {
  return column_value(cell(row, field), row);
}

std::string ResultSet::text(size_t row, size_t field) const {
  std::string out;
  append_text(row, field, out);
  return out;
}

void ResultSet::append_text(size_t row, size_t field, std::string& out) const {
  const Column& c = cell(row, field);
  if (c.nulls[row]) return;
  switch (c.storage) {
    case Storage::Integer:
      return append_int(out, c.ints[row]);
    case Storage::Real:
      return detail::append_general_float(out, c.reals[row], c.info.kind == FieldKind::Single ? 7 : 15);
    case Storage::Scaled:
      return append_scaled(out, c.ints[row], c.info.scale);
    case Storage::BigDecimal:
    case Storage::Text: {
      size_t begin = row == 0 ? 0 : c.ends[row - 1];
      out.append(c.chars, begin, c.ends[row] - begin);
      return;
    }
    case Storage::Date:
      return detail::append_date_time(out, c.reals[row], c.info.kind);
    case Storage::Bool:
      return void(out += c.ints[row] ? "True" : "False");
    case Storage::Variants: {
      const Variant& v = c.variants[row];
      if (v.type() == core::VarType::Date) return detail::append_date_time(out, v.to_date(), c.info.kind);
      out += v.to_string();
      return;
    }
    case Storage::Pending:
      return;
  }
}

// ---- ResultSetBuilder -------------------------------------------------------------------------

ResultSetBuilder::ResultSetBuilder(std::vector<FieldInfo> fields) {
  m_result.m_columns.resize(fields.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    Column& c = m_result.m_columns[i];
    c.info = std::move(fields[i]);
    if (c.info.kind == FieldKind::Currency) c.info.precision = 19, c.info.scale = 4;
    c.storage = storage_for(c.info.kind, c.info.precision, c.info.scale);
    c.kind_from_values = c.storage == Storage::Pending;
  }
}

void ResultSetBuilder::start_storage(Column& c, Storage storage, FieldKind kind) {
  c.storage = storage;
  c.info.kind = kind;
  size_t n = c.pending_nulls;
  c.pending_nulls = 0;
  c.nulls.assign(n, 1);
  switch (storage) {
    case Storage::Integer:
    case Storage::Scaled:
    case Storage::Bool:
      c.ints.assign(n, 0);
      break;
    case Storage::Real:
    case Storage::Date:
      c.reals.assign(n, 0);
      break;
    case Storage::Text:
    case Storage::BigDecimal:
      c.ends.assign(n, 0);
      break;
    case Storage::Variants:
      c.variants.assign(n, Variant::null());
      break;
    case Storage::Pending:
      break;
  }
}

// The value does not fit the column's storage: keep every value as a Variant from now on.
void ResultSetBuilder::add_variant(Column& c, Variant v) {
  if (c.storage == Storage::Pending) start_storage(c, Storage::Variants, FieldKind::Variant);
  if (c.storage != Storage::Variants) {
    std::vector<Variant> values;
    values.reserve(c.nulls.size() + 1);
    for (size_t row = 0; row < c.nulls.size(); ++row) values.push_back(column_value(c, row));
    c.ints = {};
    c.reals = {};
    c.chars = {};
    c.ends = {};
    c.variants = std::move(values);
    c.storage = Storage::Variants;
    if (c.kind_from_values) c.info.kind = FieldKind::Variant;
  }
  c.nulls.push_back(v.is_null() ? 1 : 0);
  c.variants.push_back(std::move(v));
}

void ResultSetBuilder::add_null(size_t field) {
  Column& c = column(field);
  switch (c.storage) {
    case Storage::Pending:
      ++c.pending_nulls;
      return;
    case Storage::Integer:
    case Storage::Scaled:
    case Storage::Bool:
      c.ints.push_back(0);
      break;
    case Storage::Real:
    case Storage::Date:
      c.reals.push_back(0);
      break;
    case Storage::Text:
    case Storage::BigDecimal:
      c.ends.push_back(c.chars.size());
      break;
    case Storage::Variants:
      c.variants.push_back(Variant::null());
      break;
  }
  c.nulls.push_back(1);
}

void ResultSetBuilder::add_integer(size_t field, int64_t v) {
  Column& c = column(field);
  if (c.storage == Storage::Pending) start_storage(c, Storage::Integer, FieldKind::Integer);
  switch (c.storage) {
    case Storage::Integer:
      c.ints.push_back(v);
      break;
    case Storage::Real:
      c.reals.push_back(static_cast<double>(v));
      break;
    case Storage::Scaled: {
      int64_t scaled;
      if (__builtin_mul_overflow(v, kPow10[c.info.scale], &scaled)) return add_variant(c, Variant(v));
      c.ints.push_back(scaled);
      break;
    }
    case Storage::Date:
      c.reals.push_back(static_cast<double>(v) - kJulianDayOfZero);
      break;
    case Storage::Bool:
      c.ints.push_back(v != 0);
      break;
    case Storage::Text:
    case Storage::BigDecimal:
      append_int(c.chars, v);
      c.ends.push_back(c.chars.size());
      break;
    case Storage::Variants:
      return add_variant(c, variant_of_integer(v, c.info.kind));
    case Storage::Pending:
      break;
  }
  c.nulls.push_back(0);
}

void ResultSetBuilder::add_real(size_t field, double v) {
  Column& c = column(field);
  if (c.storage == Storage::Pending) start_storage(c, Storage::Real, FieldKind::Double);
  switch (c.storage) {
    case Storage::Integer: {
      if (c.kind_from_values) {
        // An expression that gave integers and now a fraction: the column holds doubles.
        std::vector<double> reals(c.ints.begin(), c.ints.end());
        c.ints = {};
        c.reals = std::move(reals);
        c.storage = Storage::Real;
        c.info.kind = FieldKind::Double;
        c.reals.push_back(v);
        break;
      }
      if (std::nearbyint(v) == v && std::fabs(v) < 9.2e18) {
        c.ints.push_back(static_cast<int64_t>(v));
        break;
      }
      return add_variant(c, Variant(v));
    }
    case Storage::Real:
      c.reals.push_back(v);
      break;
    case Storage::Scaled: {
      int64_t scaled;
      if (!scaled_from_double(v, c.info.scale, scaled)) return add_variant(c, Variant(v));
      c.ints.push_back(scaled);
      break;
    }
    case Storage::Date:
      c.reals.push_back(v - kJulianDayOfZero);
      break;
    case Storage::Bool:
      c.ints.push_back(v != 0);
      break;
    case Storage::BigDecimal:
      detail::append_general_float(c.chars, v, 15);
      c.ends.push_back(c.chars.size());
      break;
    case Storage::Text: {
      char buf[32];
      auto r = std::to_chars(buf, buf + sizeof buf, v);
      c.chars.append(buf, r.ptr);
      c.ends.push_back(c.chars.size());
      break;
    }
    case Storage::Variants:
      return add_variant(c, Variant(v));
    case Storage::Pending:
      break;
  }
  c.nulls.push_back(0);
}

void ResultSetBuilder::add_text(size_t field, std::string_view v) {
  Column& c = column(field);
  if (c.storage == Storage::Pending) start_storage(c, Storage::Text, FieldKind::VarWChar);
  switch (c.storage) {
    case Storage::Text:
      c.chars.append(v);
      c.ends.push_back(c.chars.size());
      break;
    case Storage::Integer: {
      int64_t i;
      if (!parse_int_exact(v, i)) return add_variant(c, Variant(v));
      c.ints.push_back(i);
      break;
    }
    case Storage::Real: {
      double d;
      if (!parse_double_exact(v, d)) return add_variant(c, Variant(v));
      c.reals.push_back(d);
      break;
    }
    case Storage::Scaled:
    case Storage::BigDecimal:
      return add_decimal(field, v);
    case Storage::Date: {
      core::DateTime d;
      if (!detail::parse_iso_date_time(v, d)) return add_variant(c, Variant(v));
      c.reals.push_back(d);
      break;
    }
    case Storage::Bool: {
      bool b;
      if (!parse_bool_text(v, b)) return add_variant(c, Variant(v));
      c.ints.push_back(b);
      break;
    }
    case Storage::Variants:
      return add_variant(c, Variant(v));
    case Storage::Pending:
      break;
  }
  c.nulls.push_back(0);
}

void ResultSetBuilder::add_decimal(size_t field, std::string_view v) {
  Column& c = column(field);
  if (c.storage == Storage::Pending) start_storage(c, Storage::BigDecimal, FieldKind::Numeric);
  switch (c.storage) {
    case Storage::Scaled: {
      int64_t scaled;
      if (!detail::parse_scaled(v, c.info.scale, scaled)) {
        double d;
        if (parse_double_exact(v, d)) return add_variant(c, Variant(d));
        return add_variant(c, Variant(v));
      }
      c.ints.push_back(scaled);
      break;
    }
    case Storage::BigDecimal: {
      size_t before = c.chars.size();
      if (!normalize_decimal(v, c.chars)) {
        c.chars.resize(before);
        return add_variant(c, Variant(v));
      }
      c.ends.push_back(c.chars.size());
      break;
    }
    case Storage::Integer:
    case Storage::Real: {
      double d;
      int64_t i;
      if (c.storage == Storage::Integer && parse_int_exact(v, i)) return add_integer(field, i);
      if (!parse_double_exact(v, d)) return add_variant(c, Variant(v));
      return add_real(field, d);
    }
    default:
      return add_text(field, v);
  }
  c.nulls.push_back(0);
}

void ResultSetBuilder::add_date(size_t field, core::DateTime v) {
  Column& c = column(field);
  if (c.storage == Storage::Pending) start_storage(c, Storage::Date, FieldKind::DBTimeStamp);
  if (c.storage != Storage::Date) return add_variant(c, Variant::date(v));
  c.reals.push_back(v);
  c.nulls.push_back(0);
}

void ResultSetBuilder::add_bool(size_t field, bool v) {
  Column& c = column(field);
  if (c.storage == Storage::Pending) start_storage(c, Storage::Bool, FieldKind::Boolean);
  if (c.storage != Storage::Bool) return add_variant(c, Variant(v));
  c.ints.push_back(v);
  c.nulls.push_back(0);
}

void ResultSetBuilder::add_bytes(size_t field, std::string_view v) {
  Column& c = column(field);
  if (c.storage == Storage::Pending) start_storage(c, Storage::Text, FieldKind::LongVarBinary);
  if (c.storage != Storage::Text) return add_variant(c, Variant(v));
  c.chars.append(v);
  c.ends.push_back(c.chars.size());
  c.nulls.push_back(0);
}

ResultSet ResultSetBuilder::finish() {
  for (Column& c : m_result.m_columns) {
    if (c.storage == Storage::Pending) start_storage(c, Storage::Text, FieldKind::VarWChar);
    if (c.kind_from_values && c.storage == Storage::Integer) {
      bool narrow = true;
      for (size_t i = 0; i < c.ints.size() && narrow; ++i)
        narrow = c.ints[i] >= INT32_MIN && c.ints[i] <= INT32_MAX;
      c.info.kind = narrow ? FieldKind::Integer : FieldKind::BigInt;
    }
  }
  return std::move(m_result);
}

}  // namespace orvena::db
