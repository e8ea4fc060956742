#pragma once
// The data kinds of result columns and everything the system knows about each: its name, how a
// result set stores its values, whether the delimited-text writer writes it as a number, whether it
// is text. All of it lives in the one table kFieldKinds.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

namespace orvena::db {

// Numbered as ADO's DataTypeEnum so that a kind can be shown and compared by its familiar code.
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

struct FieldInfo {
  std::string name;
  FieldKind kind = FieldKind::Empty;  // Empty while a backend has not decided yet
  int precision = 0;                  // decimal digits of exact decimals
  int scale = 0;                      // digits after the point of exact decimals
};

// How a column keeps its values. A value that does not fit the form its kind chose turns the
// column into Variants so that nothing is lost.
enum class Storage : uint8_t { Pending, Integer, Real, Scaled, BigDecimal, Date, Bool, Text, Variants };

// The digits an int64 holds exactly: exact decimals up to this precision and scale are stored as
// scaled integers, wider ones as text.
inline constexpr int kMaxScaledDigits = 18;

// Whether the delimited-text writer writes a kind's values without delimiters.
enum class Numeric : uint8_t {
  No,
  Yes,
  // Exact decimals: numeric with a scale of at most 4 and a precision below 20, and stored scaled
  // while 18 digits hold them.
  ExactDecimal,
};

struct FieldKindInfo {
  FieldKind kind;
  const char* name;  // "adInteger", ...: for messages and test output
  Storage storage;
  Numeric numeric;
  bool text;
};

// Ordered by code. 8-, 16- and 32-bit integers, floating point, currency and error codes are
// numeric; 64-bit integers are not, since a spreadsheet would round them.
inline constexpr FieldKindInfo kFieldKinds[] = {
    {FieldKind::Empty, "adEmpty", Storage::Pending, Numeric::No, false},
    {FieldKind::SmallInt, "adSmallInt", Storage::Integer, Numeric::Yes, false},
    {FieldKind::Integer, "adInteger", Storage::Integer, Numeric::Yes, false},
    {FieldKind::Single, "adSingle", Storage::Real, Numeric::Yes, false},
    {FieldKind::Double, "adDouble", Storage::Real, Numeric::Yes, false},
    {FieldKind::Currency, "adCurrency", Storage::Scaled, Numeric::Yes, false},
    {FieldKind::Date, "adDate", Storage::Date, Numeric::No, false},
    {FieldKind::Error, "adError", Storage::Integer, Numeric::Yes, false},
    {FieldKind::Boolean, "adBoolean", Storage::Bool, Numeric::No, false},
    {FieldKind::Variant, "adVariant", Storage::Text, Numeric::No, false},
    {FieldKind::Decimal, "adDecimal", Storage::Scaled, Numeric::ExactDecimal, false},
    {FieldKind::TinyInt, "adTinyInt", Storage::Integer, Numeric::Yes, false},
    {FieldKind::UnsignedTinyInt, "adUnsignedTinyInt", Storage::Integer, Numeric::Yes, false},
    {FieldKind::UnsignedSmallInt, "adUnsignedSmallInt", Storage::Integer, Numeric::Yes, false},
    {FieldKind::UnsignedInt, "adUnsignedInt", Storage::Integer, Numeric::Yes, false},
    {FieldKind::BigInt, "adBigInt", Storage::Integer, Numeric::No, false},
    {FieldKind::UnsignedBigInt, "adUnsignedBigInt", Storage::Integer, Numeric::No, false},
    {FieldKind::Guid, "adGUID", Storage::Text, Numeric::No, false},
    {FieldKind::Binary, "adBinary", Storage::Text, Numeric::No, false},
    {FieldKind::Char, "adChar", Storage::Text, Numeric::No, true},
    {FieldKind::WChar, "adWChar", Storage::Text, Numeric::No, true},
    {FieldKind::Numeric, "adNumeric", Storage::Scaled, Numeric::ExactDecimal, false},
    {FieldKind::DBDate, "adDBDate", Storage::Date, Numeric::No, false},
    {FieldKind::DBTime, "adDBTime", Storage::Date, Numeric::No, false},
    {FieldKind::DBTimeStamp, "adDBTimeStamp", Storage::Date, Numeric::No, false},
    {FieldKind::VarNumeric, "adVarNumeric", Storage::Scaled, Numeric::ExactDecimal, false},
    {FieldKind::VarChar, "adVarChar", Storage::Text, Numeric::No, true},
    {FieldKind::LongVarChar, "adLongVarChar", Storage::Text, Numeric::No, true},
    {FieldKind::VarWChar, "adVarWChar", Storage::Text, Numeric::No, true},
    {FieldKind::LongVarWChar, "adLongVarWChar", Storage::Text, Numeric::No, true},
    {FieldKind::VarBinary, "adVarBinary", Storage::Text, Numeric::No, false},
    {FieldKind::LongVarBinary, "adLongVarBinary", Storage::Text, Numeric::No, false},
};

constexpr bool field_kinds_ordered() {
  for (size_t i = 1; i < std::size(kFieldKinds); ++i)
    if (static_cast<int>(kFieldKinds[i - 1].kind) >= static_cast<int>(kFieldKinds[i].kind)) return false;
  return true;
}
static_assert(field_kinds_ordered(), "kFieldKinds must be ordered by code, one row per kind");

// The kind's row; a code outside the enum gets the row of Empty.
const FieldKindInfo& field_kind_info(FieldKind kind);
const char* field_kind_name(FieldKind kind);

// Numeric in the sense of the delimited-text writer, which writes such values without delimiters.
bool is_numeric_field(const FieldInfo& field);
bool is_text_kind(FieldKind kind);
// The storage a column of this field starts with: exact decimals too wide for 18 digits are kept
// as text in the general form.
Storage storage_for(const FieldInfo& field);

}  // namespace orvena::db
