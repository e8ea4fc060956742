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
#include "db/field_kind.h"

namespace orvena::db {

namespace detail {

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
  // How the column's values are kept; it changes when a value does not fit the kept form.
  Storage storage(size_t field) const { return m_columns.at(field).storage; }
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

// Takes a result's rows while they are fetched. Each call gives the rows fetched since the last
// one, as a result set of their own whose fields have the kinds known so far; the last call, made
// once all rows are fetched, may hold none and carries the final fields.
class RowSink {
 public:
  virtual ~RowSink() = default;
  virtual void rows(const ResultSet& rows) = 0;
};

// Filled by the backends one row at a time, in field order. Each call converts the database's
// value to the column's storage.
class ResultSetBuilder {
 public:
  // Fields of kind Empty take their kind from their first non-null value. With a sink, rows are
  // handed to it as soon as every column knows its kind (at once, usually) and then dropped.
  explicit ResultSetBuilder(std::vector<FieldInfo> fields, RowSink* sink = nullptr);

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
  void end_row();

  size_t row_count() const { return m_result.m_rows; }
  ResultSet finish();

 private:
  detail::Column& column(size_t field) { return m_result.m_columns[field]; }
  void start_storage(detail::Column& c, Storage storage, FieldKind kind);
  void add_variant(detail::Column& c, core::Variant v);
  void hand_over();

  ResultSet m_result;
  RowSink* m_sink = nullptr;
};

namespace detail {
// Parses [-]digits[.digits] into value * 10^scale; false when it does not fit exactly.
bool parse_scaled(std::string_view text, int scale, int64_t& out);
// "yyyy-mm-dd", "yyyy-mm-dd hh:nn[:ss[.fff]]" (or with "T"), "hh:nn[:ss]".
bool parse_iso_date_time(std::string_view text, core::DateTime& out);
}  // namespace detail

}  // namespace orvena::db
