#pragma once
// Variant: the one dynamically typed value shared by the database layer (field values), the
// report engine (expressions, variables, totals) and the script interpreter. Its conversion,
// arithmetic and comparison rules follow the classic variant rules:
//  - Empty acts as 0 or "" in operations; Null propagates through arithmetic and sorts first;
//  - a string meeting a number is converted to a number (an error when it is not one);
//  - integer results stay integers (32-bit grows to 64-bit on overflow), "/" is always a double;
//  - Booleans count as -1 (True) and 0 (False) in arithmetic and bit operations.
// Failures raise core::Error with the classic texts ("Could not convert variant of type (String)
// into type (Double)", "Invalid variant operation", "Division by zero").
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/datetime.h"

namespace orvena::core {

enum class VarType : uint8_t {
  Empty,
  Null,
  Int32,
  Int64,
  Double,
  Currency,
  Date,
  String,
  Bool,
  Array,
  Object
};

// Currency: a fixed-point number with four decimals, held as value * 10000.
struct Currency {
  int64_t scaled = 0;
  static Currency from_double(double v);
  double to_double() const { return static_cast<double>(scaled) / 10000.0; }
  friend bool operator==(Currency a, Currency b) { return a.scaled == b.scaled; }
};

// Base of anything a variant can refer to as an object (script objects, report components).
class VariantObject {
 public:
  virtual ~VariantObject() = default;
  virtual std::string class_name() const = 0;
};

class Variant {
 public:
  Variant() = default;  // Empty
  Variant(int32_t v) : m_value(v) {}
  Variant(int64_t v) : m_value(v) {}
  Variant(double v) : m_value(v) {}
  Variant(bool v) : m_value(v) {}
  Variant(Currency v) : m_value(v) {}
  Variant(std::string v) : m_value(std::move(v)) {}
  Variant(std::string_view v) : m_value(std::string(v)) {}
  Variant(const char* v) : m_value(std::string(v)) {}
  Variant(std::vector<Variant> items);
  Variant(std::shared_ptr<VariantObject> object) : m_value(std::move(object)) {}

  static Variant null() { return Variant(NullTag{}); }
  static Variant date(DateTime d) { return Variant(DateTag{d}); }

  VarType type() const { return static_cast<VarType>(m_value.index()); }
  bool is_empty() const { return type() == VarType::Empty; }
  bool is_null() const { return type() == VarType::Null; }
  bool is_null_or_empty() const { return is_empty() || is_null(); }
  bool is_string() const { return type() == VarType::String; }
  bool is_integer() const { return type() == VarType::Int32 || type() == VarType::Int64; }
  // Integers, doubles and currency.
  bool is_numeric() const;
  // The classic type code (varEmpty 0, varNull 1, varInteger 3, varDouble 5, varCurrency 6,
  // varDate 7, varBoolean 11, varInt64 20, varString 256, varArray bit 0x2000), for VarType().
  int type_code() const;
  // "Integer", "Double", "String", ... as used in error texts.
  static const char* type_name(VarType t);

  // Conversions; each raises core::Error when the value cannot be converted.
  std::string to_string() const;  // Empty and Null give ""
  double to_double() const;
  int64_t to_int64() const;  // doubles are rounded half to even
  int32_t to_int() const;
  bool to_bool() const;
  DateTime to_date() const;
  Currency to_currency() const;
  const std::vector<Variant>& items() const;             // Array only
  const std::shared_ptr<VariantObject>& object() const;  // Object only

  // Direct access without conversion, for callers that switch on type().
  const std::string& str() const { return std::get<std::string>(m_value); }
  // In-place edits, so that a string grown a piece at a time or an array filled element by
  // element is not copied whole at every step: the string (String only), and the array's items
  // (Array only), copied first when another value shares them.
  std::string& mutable_str() { return std::get<std::string>(m_value); }
  std::vector<Variant>& mutable_items();

  friend bool operator==(const Variant& a, const Variant& b);  // identical type and value

 private:
  struct NullTag {
    friend bool operator==(NullTag, NullTag) { return true; }
  };
  struct DateTag {
    DateTime value;
    friend bool operator==(DateTag a, DateTag b) { return a.value == b.value; }
  };
  // Shared by copies of the value; written only through mutable_items(), which unshares first.
  using Items = std::shared_ptr<std::vector<Variant>>;
  explicit Variant(NullTag t) : m_value(t) {}
  explicit Variant(DateTag t) : m_value(t) {}

  // Order matches VarType.
  std::variant<std::monostate, NullTag, int32_t, int64_t, double, Currency, DateTag, std::string, bool, Items,
               std::shared_ptr<VariantObject>>
      m_value;
};

// Operators of the expression language over variants.
enum class BinaryOp { Add, Subtract, Multiply, Divide, IntDivide, Modulo, And, Or, Xor, Shl, Shr };
enum class CompareOp { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

Variant apply(BinaryOp op, const Variant& a, const Variant& b);
Variant negate(const Variant& a);
Variant logical_not(const Variant& a);
// Variant comparison: Null equals only Null and sorts before everything; a string meeting a
// number compares as a number; two strings compare by code points (case-sensitive).
bool compare(CompareOp op, const Variant& a, const Variant& b);
// -1, 0, 1 under the same rules (for sorting and MIN/MAX).
int compare_values(const Variant& a, const Variant& b);

// Rounds half to even, as the report engine and the variant conversions do.
double round_half_even(double v);

}  // namespace orvena::core
