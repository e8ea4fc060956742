#include "db/result_set.h"

#include <charconv>
#include <stdexcept>

#include "core/locale.h"
#include "db/result_set_p.h"

namespace orvena::db {

using core::Variant;
using detail::Column;

namespace detail {

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

}  // namespace detail

namespace {

// value / 10^scale in the general form: no trailing zeros, decimal comma.
void append_scaled(std::string& out, int64_t value, int scale) {
  if (scale == 0) return detail::append_int(out, value);
  bool negative = value < 0;
  uint64_t mag = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  uint64_t unit = static_cast<uint64_t>(detail::kPow10[scale]);
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

// A date column shows what its kind holds: a date, a time of day, or both.
void append_date_time(std::string& out, core::DateTime value, FieldKind kind) {
  if (kind == FieldKind::DBDate) return core::Locale::append_date(out, value);
  if (kind == FieldKind::DBTime) return core::Locale::append_time(out, value);
  core::Locale::append_datetime(out, value);
}

}  // namespace

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
  return detail::column_value(cell(row, field), row);
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
      return detail::append_int(out, c.ints[row]);
    case Storage::Real:
      return core::Locale::append_float(out, c.reals[row], c.info.kind == FieldKind::Single ? 7 : 15);
    case Storage::Scaled:
      return append_scaled(out, c.ints[row], c.info.scale);
    case Storage::BigDecimal:
    case Storage::Text: {
      size_t begin = row == 0 ? 0 : c.ends[row - 1];
      out.append(c.chars, begin, c.ends[row] - begin);
      return;
    }
    case Storage::Date:
      return append_date_time(out, c.reals[row], c.info.kind);
    case Storage::Bool:
      return void(out += c.ints[row] ? "True" : "False");
    case Storage::Variants: {
      const Variant& v = c.variants[row];
      if (v.type() == core::VarType::Date) return append_date_time(out, v.to_date(), c.info.kind);
      out += v.to_string();
      return;
    }
    case Storage::Pending:
      return;
  }
}

}  // namespace orvena::db
