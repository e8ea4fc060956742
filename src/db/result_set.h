#pragma once
// One query result held whole in memory: the field list and every row, stored column by column
// in compact typed arrays so that a million rows cost little more than their values. Values come
// out as core::Variant or as text in the fixed Locale formats.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/datetime.h"
#include "core/variant.h"

namespace orvena::db {

// The data kinds of result columns, numbered as ADO's DataTypeEnum so that a kind can be shown
// and compared by its familiar code.
enum class FieldKind : int {
  Empty = 0,
  SmallInt = 2,
  Integer = 3,
  Single = 4,
  Double = 5,
  Currency = 6,
  Date = 7,
  Error = 10,
  Boolean = 11,
  Variant = 12,
  Decimal = 14,
  TinyInt = 16,
  UnsignedTinyInt = 17,
  UnsignedSmallInt = 18,
  UnsignedInt = 19,
  BigInt = 20,
  UnsignedBigInt = 21,
  Guid = 72,
  Binary = 128,
  Char = 129,
  WChar = 130,
  Numeric = 131,
  DBDate = 133,
  DBTime = 134,
  DBTimeStamp = 135,
  VarNumeric = 139,
  VarChar = 200,
  LongVarChar = 201,
  VarWChar = 202,
  LongVarWChar = 203,
  VarBinary = 204,
  LongVarBinary = 205,
};

// "adInteger", "adDecimal", ... for messages and test output.
const char* field_kind_name(FieldKind kind);

struct FieldInfo {
  std::string name;
  FieldKind kind = FieldKind::Empty;  // Empty while a backend has not decided yet
  int precision = 0;                  // decimal digits of exact decimals
  int scale = 0;                      // digits after the point of exact decimals
};

// Numeric in the sense of the delimited-text writer, which writes such values without delimiters:
// 8-, 16- and 32-bit integers, floating point, currency, error codes, and exact decimals with a
// scale of at most 4 and a precision below 20. 64-bit integers, wider decimals, booleans, dates
// and texts are not.
bool is_numeric_field(const FieldInfo& field);
bool is_text_kind(FieldKind kind);

namespace detail {

// How a column keeps its values. Chosen from the field kind; a value that does not fit the
// chosen form turns the column into Variants so that nothing is lost.
enum class Storage : uint8_t { Pending, Integer, Real, Scaled, BigDecimal, Date, Bool, Text, Variants };

struct Column {
  FieldInfo info;
  Storage storage = Storage::Pending;
  bool kind_from_values = false;  // no declared kind: the values decide it
  size_t pending_nulls = 0;       // nulls seen while still Pending
  std::vector<uint8_t> nulls;     // 1 = NULL
  std::vector<int64_t> ints;      // Integer, Scaled (value * 10^scale), Bool
  std::vector<double> reals;      // Real, Date
  std::string chars;              // Text, BigDecimal (already in the Locale form)
  std::vector<uint64_t> ends;     // Text, BigDecimal: end offset of each value in chars
  std::vector<core::Variant> variants;
};

}  // namespace detail

class ResultSet {
 public:
  ResultSet() = default;

  size_t row_count() const { return m_rows; }
  size_t field_count() const { return m_columns.size(); }
  const FieldInfo& field(size_t index) const { return m_columns.at(index).info; }
  std::vector<FieldInfo> fields() const;

  // Rows and fields are checked: an index out of range raises std::out_of_range.
  bool is_null(size_t row, size_t field) const;
  core::Variant value(size_t row, size_t field) const;
  // The value's text: numbers with the decimal comma in the general form (12,5), dates
  // yyyy-mm-dd, date-times with the time left out at midnight, "True"/"False", NULL as "".
  std::string text(size_t row, size_t field) const;
  void append_text(size_t row, size_t field, std::string& out) const;

 private:
  friend class ResultSetBuilder;
  const detail::Column& cell(size_t row, size_t field) const;

  std::vector<detail::Column> m_columns;
  size_t m_rows = 0;
};

// Filled by the backends one row at a time, in field order. Each call converts the database's
// value to the column's storage.
class ResultSetBuilder {
 public:
  // Fields of kind Empty take their kind from their first non-null value.
  explicit ResultSetBuilder(std::vector<FieldInfo> fields);

  void add_null(size_t field);
  void add_integer(size_t field, int64_t value);
  void add_real(size_t field, double value);
  // Text as the database gave it (UTF-8); numeric, date and boolean columns parse it.
  void add_text(size_t field, std::string_view value);
  // An exact decimal in the database's plain form: [-]digits[.digits].
  void add_decimal(size_t field, std::string_view value);
  void add_date(size_t field, core::DateTime value);
  void add_bool(size_t field, bool value);
  void add_bytes(size_t field, std::string_view value);
  void end_row() { ++m_result.m_rows; }

  size_t row_count() const { return m_result.m_rows; }
  ResultSet finish();

 private:
  detail::Column& column(size_t field) { return m_result.m_columns[field]; }
  void start_storage(detail::Column& c, detail::Storage storage, FieldKind kind);
  void add_variant(detail::Column& c, core::Variant v);

  ResultSet m_result;
};

namespace detail {
// Exposed for the tests: the fast formatters must give exactly what core::Locale gives.
void append_general_float(std::string& out, double value, int precision);
void append_date_time(std::string& out, core::DateTime value, FieldKind kind);
// Parses [-]digits[.digits] into value * 10^scale; false when it does not fit exactly.
bool parse_scaled(std::string_view text, int scale, int64_t& out);
// "yyyy-mm-dd", "yyyy-mm-dd hh:nn[:ss[.fff]]" (or with "T"), "hh:nn[:ss]".
bool parse_iso_date_time(std::string_view text, core::DateTime& out);
}  // namespace detail

}  // namespace orvena::db
