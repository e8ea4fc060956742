#include <charconv>
#include <cmath>

#include "core/locale.h"
#include "core/text.h"
#include "db/result_set.h"
#include "db/result_set_p.h"

namespace orvena::db {

using core::Variant;
using detail::append_int;
using detail::Column;
using detail::kPow10;
using detail::parse_iso_date_time;
using detail::parse_scaled;
using detail::variant_of_integer;

namespace {

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

}  // namespace

namespace detail {

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

ResultSetBuilder::ResultSetBuilder(std::vector<FieldInfo> fields, RowSink* sink) : m_sink(sink) {
  m_result.m_columns.resize(fields.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    Column& c = m_result.m_columns[i];
    c.info = std::move(fields[i]);
    if (c.info.kind == FieldKind::Currency) c.info.precision = 19, c.info.scale = 4;
    c.storage = storage_for(c.info);
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
    case Storage::Date:  // a number is no date
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
    case Storage::Bool:
      c.ints.push_back(v != 0);
      break;
    case Storage::BigDecimal:
      core::Locale::append_float(c.chars, v, 15);
      c.ends.push_back(c.chars.size());
      break;
    case Storage::Text: {
      char buf[32];
      auto r = std::to_chars(buf, buf + sizeof buf, v);
      c.chars.append(buf, r.ptr);
      c.ends.push_back(c.chars.size());
      break;
    }
    case Storage::Date:  // a number is no date
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
      if (!parse_iso_date_time(v, d)) return add_variant(c, Variant(v));
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
      if (!parse_scaled(v, c.info.scale, scaled)) {
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

void ResultSetBuilder::end_row() {
  ++m_result.m_rows;
  if (!m_sink) return;
  // A column still without a kind would give its nulls no storage; its rows wait for the kind
  // (or for the end, where it becomes text as in a whole result).
  for (const Column& c : m_result.m_columns)
    if (c.storage == Storage::Pending) return;
  hand_over();
}

// The rows go to the sink; the columns keep their storage, and their arrays their capacity.
void ResultSetBuilder::hand_over() {
  m_sink->rows(m_result);
  for (Column& c : m_result.m_columns) {
    c.nulls.clear();
    c.ints.clear();
    c.reals.clear();
    c.chars.clear();
    c.ends.clear();
    c.variants.clear();
  }
  m_result.m_rows = 0;
}

ResultSet ResultSetBuilder::finish() {
  for (Column& c : m_result.m_columns) {
    if (c.storage == Storage::Pending) start_storage(c, Storage::Text, FieldKind::VarWChar);
    // A streamed result sees only its last rows here; the kind it had while streaming stands.
    if (c.kind_from_values && c.storage == Storage::Integer && !m_sink) {
      bool narrow = true;
      for (size_t i = 0; i < c.ints.size() && narrow; ++i)
        narrow = c.ints[i] >= INT32_MIN && c.ints[i] <= INT32_MAX;
      c.info.kind = narrow ? FieldKind::Integer : FieldKind::BigInt;
    }
  }
  if (m_sink) hand_over();
  return std::move(m_result);
}

}  // namespace orvena::db
