#include "core/variant.h"

#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>

#include "core/encoding.h"
#include "core/error.h"
#include "core/locale.h"
#include "core/text.h"

namespace orvena::core {

namespace {

[[noreturn]] void cannot_convert(VarType from, VarType to) {
  throw Error(std::string("Could not convert variant of type (") + Variant::type_name(from) +
              ") into type (" + Variant::type_name(to) + ")");
}

[[noreturn]] void invalid_operation() {
  throw Error("Invalid variant operation");
}

// Parses an integer written in decimal (or "$" hexadecimal), with an optional sign.
bool parse_integer(std::string_view text, int64_t& out) {
  std::string s = trim(text);
  if (s.empty()) return false;
  bool negative = false;
  size_t i = 0;
  if (s[0] == '-' || s[0] == '+') negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') base = 16, ++i;
  if (i >= s.size()) return false;
  uint64_t v = 0;
  for (; i < s.size(); ++i) {
    int d;
    char c = s[i];
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    if (v > (std::numeric_limits<uint64_t>::max() - d) / base) return false;
    v = v * base + d;
  }
  if (!negative && v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return false;
  if (negative && v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1) return false;
  out = negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
  return true;
}

bool parse_number(std::string_view text, double& out) {
  int64_t i;
  if (parse_integer(text, i)) {
    out = static_cast<double>(i);
    return true;
  }
  if (auto d = Locale::parse_float(text)) {
    out = *d;
    return true;
  }
  return false;
}

int64_t checked_round(double v, VarType to) {
  double r = round_half_even(v);
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
    throw Error(std::string("Overflow while converting variant of type (Double) into type (") +
                Variant::type_name(to) + ")");
  return static_cast<int64_t>(r);
}

std::string currency_text(Currency c) {
  // General form: no trailing zeros, at most four decimals.
  bool negative = c.scaled < 0;
  uint64_t mag = negative ? 0 - static_cast<uint64_t>(c.scaled) : static_cast<uint64_t>(c.scaled);
  std::string out = std::to_string(mag / 10000);
  uint64_t frac = mag % 10000;
  if (frac != 0) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04u", static_cast<unsigned>(frac));
    std::string f(buf);
    while (f.back() == '0') f.pop_back();
    out += Locale::kDecimalSeparator + f;
  }
  return negative ? "-" + out : out;
}

// Numeric rank used to pick the result type of arithmetic.
enum class Kind { Int32, Int64, Currency, Double, Date };

Kind kind_of(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Bool:
    case VarType::Int32:
      return Kind::Int32;
    case VarType::Int64:
      return Kind::Int64;
    case VarType::Currency:
      return Kind::Currency;
    case VarType::Date:
      return Kind::Date;
    case VarType::String: {
      // A string taking part in arithmetic becomes an integer when it is one, else a double.
      int64_t i;
      if (parse_integer(v.str(), i))
        return i >= std::numeric_limits<int32_t>::min() && i <= std::numeric_limits<int32_t>::max()
                   ? Kind::Int32
                   : Kind::Int64;
      return Kind::Double;
    }
    default:
      return Kind::Double;
  }
}

Variant make_int(int64_t v) {
  if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
    return Variant(static_cast<int32_t>(v));
  return Variant(v);
}

bool is_operand(const Variant& v) {
  VarType t = v.type();
  return t != VarType::Array && t != VarType::Object;
}

Variant integer_op(BinaryOp op, int64_t x, int64_t y, bool keep64) {
  int64_t r = 0;
  switch (op) {
    case BinaryOp::Add:
      if (__builtin_add_overflow(x, y, &r)) return Variant(static_cast<double>(x) + static_cast<double>(y));
      break;
    case BinaryOp::Subtract:
      if (__builtin_sub_overflow(x, y, &r)) return Variant(static_cast<double>(x) - static_cast<double>(y));
      break;
    case BinaryOp::Multiply:
      if (__builtin_mul_overflow(x, y, &r)) return Variant(static_cast<double>(x) * static_cast<double>(y));
      break;
    case BinaryOp::IntDivide:
      if (y == 0) throw Error("Division by zero");
      if (x == std::numeric_limits<int64_t>::min() && y == -1) return Variant(-static_cast<double>(x));
      r = x / y;
      break;
    case BinaryOp::Modulo:
      if (y == 0) throw Error("Division by zero");
      r = (y == -1) ? 0 : x % y;
      break;
    case BinaryOp::And:
      r = x & y;
      break;
    case BinaryOp::Or:
      r = x | y;
      break;
    case BinaryOp::Xor:
      r = x ^ y;
      break;
    case BinaryOp::Shl:
      r = (y < 0 || y > 63) ? 0 : static_cast<int64_t>(static_cast<uint64_t>(x) << y);
      break;
    case BinaryOp::Shr:
      r = (y < 0 || y > 63) ? 0 : static_cast<int64_t>(static_cast<uint64_t>(x) >> y);
      break;
    case BinaryOp::Divide:
      break;  // handled by the caller
  }
  return keep64 ? Variant(r) : make_int(r);
}

int sign_of(double d) {
  return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

int compare_strings(const std::string& a, const std::string& b) {
  // UTF-8 byte order equals code point order.
  int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

Currency Currency::from_double(double v) {
  double scaled = round_half_even(v * 10000.0);
  if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0))
    throw Error("Overflow while converting variant of type (Double) into type (Currency)");
  return Currency{static_cast<int64_t>(scaled)};
}

double round_half_even(double v) {
  return std::nearbyint(v);
}  // default rounding mode: to nearest even

Variant::Variant(std::vector<Variant> items)
    : m_value(std::make_shared<std::vector<Variant>>(std::move(items))) {}

bool Variant::is_numeric() const {
  VarType t = type();
  return t == VarType::Int32 || t == VarType::Int64 || t == VarType::Double || t == VarType::Currency;
}

namespace {

struct TypeInfo {
  int code;  // the classic varXxx code
  const char* name;
};

// Indexed by VarType: keep in the enum's order.
constexpr TypeInfo kTypeInfo[] = {
    {0, "Empty"}, {1, "Null"},     {3, "Integer"},  {20, "Int64"},          {5, "Double"},   {6, "Currency"},
    {7, "Date"},  {256, "String"}, {11, "Boolean"}, {0x2000 | 12, "Array"}, {9, "Dispatch"},
};
static_assert(std::size(kTypeInfo) == static_cast<size_t>(VarType::Object) + 1);

}  // namespace

int Variant::type_code() const {
  return kTypeInfo[static_cast<size_t>(type())].code;
}

const char* Variant::type_name(VarType t) {
  return kTypeInfo[static_cast<size_t>(t)].name;
}

std::string Variant::to_string() const {
  switch (type()) {
    case VarType::Empty:
    case VarType::Null:
      return "";
    case VarType::Int32:
      return std::to_string(std::get<int32_t>(m_value));
    case VarType::Int64:
      return std::to_string(std::get<int64_t>(m_value));
    case VarType::Double:
      return Locale::format_float(std::get<double>(m_value));
    case VarType::Currency:
      return currency_text(std::get<Currency>(m_value));
    case VarType::Date:
      return Locale::format_datetime(std::get<DateTag>(m_value).value);
    case VarType::String:
      return std::get<std::string>(m_value);
    case VarType::Bool:
      return std::get<bool>(m_value) ? "True" : "False";
    case VarType::Array:
    case VarType::Object:
      cannot_convert(type(), VarType::String);
  }
  return "";
}

double Variant::to_double() const {
  switch (type()) {
    case VarType::Empty:
      return 0;
    case VarType::Int32:
      return std::get<int32_t>(m_value);
    case VarType::Int64:
      return static_cast<double>(std::get<int64_t>(m_value));
    case VarType::Double:
      return std::get<double>(m_value);
    case VarType::Currency:
      return std::get<Currency>(m_value).to_double();
    case VarType::Date:
      return std::get<DateTag>(m_value).value;
    case VarType::Bool:
      return std::get<bool>(m_value) ? -1 : 0;
    case VarType::String: {
      double d;
      if (parse_number(str(), d)) return d;
      cannot_convert(VarType::String, VarType::Double);
    }
    default:
      cannot_convert(type(), VarType::Double);
  }
}

int64_t Variant::to_int64() const {
  switch (type()) {
    case VarType::Empty:
      return 0;
    case VarType::Int32:
      return std::get<int32_t>(m_value);
    case VarType::Int64:
      return std::get<int64_t>(m_value);
    case VarType::Bool:
      return std::get<bool>(m_value) ? -1 : 0;
    case VarType::Currency:
      return checked_round(std::get<Currency>(m_value).to_double(), VarType::Int64);
    case VarType::Double:
    case VarType::Date:
      return checked_round(to_double(), VarType::Int64);
    case VarType::String: {
      int64_t i;
      if (parse_integer(str(), i)) return i;
      double d;
      if (parse_number(str(), d)) return checked_round(d, VarType::Int64);
      cannot_convert(VarType::String, VarType::Int64);
    }
    default:
      cannot_convert(type(), VarType::Int64);
  }
}

int32_t Variant::to_int() const {
  int64_t v;
  try {
    v = to_int64();
  } catch (const Error&) {
    cannot_convert(type(), VarType::Int32);
  }
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
    throw Error(std::string("Overflow while converting variant of type (") + type_name(type()) +
                ") into type (Integer)");
  return static_cast<int32_t>(v);
}

bool Variant::to_bool() const {
  switch (type()) {
    case VarType::Empty:
      return false;
    case VarType::Bool:
      return std::get<bool>(m_value);
    case VarType::Int32:
    case VarType::Int64:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Date:
      return to_double() != 0;
    case VarType::String: {
      std::string s = to_lower(trim(str()));
      if (s == "true") return true;
      if (s == "false") return false;
      double d;
      if (parse_number(s, d)) return d != 0;
      cannot_convert(VarType::String, VarType::Bool);
    }
    default:
      cannot_convert(type(), VarType::Bool);
  }
}

DateTime Variant::to_date() const {
  switch (type()) {
    case VarType::Date:
      return std::get<DateTag>(m_value).value;
    case VarType::String: {
      if (auto d = Locale::parse_datetime(str())) return *d;
      double n;
      if (parse_number(str(), n)) return n;
      cannot_convert(VarType::String, VarType::Date);
    }
    case VarType::Null:
    case VarType::Array:
    case VarType::Object:
      cannot_convert(type(), VarType::Date);
    default:
      return to_double();
  }
}

Currency Variant::to_currency() const {
  if (type() == VarType::Currency) return std::get<Currency>(m_value);
  if (is_integer()) return Currency{to_int64() * 10000};
  return Currency::from_double(to_double());
}

const std::vector<Variant>& Variant::items() const {
  if (type() != VarType::Array) cannot_convert(type(), VarType::Array);
  return *std::get<Items>(m_value);
}

std::vector<Variant>& Variant::mutable_items() {
  Items& items = std::get<Items>(m_value);
  if (items.use_count() != 1) items = std::make_shared<std::vector<Variant>>(*items);
  return *items;
}

const std::shared_ptr<VariantObject>& Variant::object() const {
  if (type() != VarType::Object) cannot_convert(type(), VarType::Object);
  return std::get<std::shared_ptr<VariantObject>>(m_value);
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.type() != b.type()) return false;
  if (a.type() == VarType::Array) return a.items() == b.items();
  return a.m_value == b.m_value;
}

Variant apply(BinaryOp op, const Variant& a, const Variant& b) {
  if (!is_operand(a) || !is_operand(b)) invalid_operation();
  if (a.is_null() || b.is_null()) return Variant::null();

  // Two strings: "+" concatenates; other operators fall through to numbers.
  if (op == BinaryOp::Add && a.is_string() && b.is_string()) return Variant(a.str() + b.str());
  if (op == BinaryOp::Add && (a.is_string() || b.is_string()) && (a.is_empty() || b.is_empty()))
    return Variant(a.to_string() + b.to_string());

  bool both_bool = a.type() == VarType::Bool && b.type() == VarType::Bool;
  switch (op) {
    case BinaryOp::And:
    case BinaryOp::Or:
    case BinaryOp::Xor:
      if (both_bool) {
        bool x = a.to_bool(), y = b.to_bool();
        return Variant(op == BinaryOp::And ? (x && y) : op == BinaryOp::Or ? (x || y) : (x != y));
      }
      [[fallthrough]];
    case BinaryOp::Shl:
    case BinaryOp::Shr:
    case BinaryOp::IntDivide:
    case BinaryOp::Modulo: {
      bool wide = kind_of(a) == Kind::Int64 || kind_of(b) == Kind::Int64;
      return integer_op(op, a.to_int64(), b.to_int64(), wide);
    }
    case BinaryOp::Divide: {
      double y = b.to_double();
      double x = a.to_double();
      if (y == 0) throw Error("Division by zero");
      return Variant(x / y);
    }
    default:
      break;
  }

  // Add, Subtract, Multiply: the wider of the two kinds decides.
  Kind ka = kind_of(a), kb = kind_of(b);
  if (ka == Kind::Date || kb == Kind::Date) {
    double r = op == BinaryOp::Add        ? a.to_double() + b.to_double()
               : op == BinaryOp::Subtract ? a.to_double() - b.to_double()
                                          : a.to_double() * b.to_double();
    // A date minus a date is a number of days; a date moved by a number stays a date.
    if (op == BinaryOp::Multiply || (op == BinaryOp::Subtract && ka == Kind::Date && kb == Kind::Date))
      return Variant(r);
    return Variant::date(r);
  }
  if (ka == Kind::Double || kb == Kind::Double) {
    double x = a.to_double(), y = b.to_double();
    return Variant(op == BinaryOp::Add ? x + y : op == BinaryOp::Subtract ? x - y : x * y);
  }
  if (ka == Kind::Currency || kb == Kind::Currency) {
    if (op == BinaryOp::Multiply) return Variant(Currency::from_double(a.to_double() * b.to_double()));
    int64_t x = a.to_currency().scaled, y = b.to_currency().scaled, r;
    bool overflow = op == BinaryOp::Add ? __builtin_add_overflow(x, y, &r) : __builtin_sub_overflow(x, y, &r);
    if (overflow) throw Error("Overflow while converting variant of type (Currency) into type (Currency)");
    return Variant(Currency{r});
  }
  return integer_op(op, a.to_int64(), b.to_int64(), ka == Kind::Int64 || kb == Kind::Int64);
}

Variant negate(const Variant& a) {
  switch (a.type()) {
    case VarType::Null:
      return a;
    case VarType::Empty:
      return Variant(int32_t{0});
    case VarType::Int32:
    case VarType::Int64:
    case VarType::Bool:
      return integer_op(BinaryOp::Subtract, 0, a.to_int64(), a.type() == VarType::Int64);
    case VarType::Currency:
      return Variant(Currency{-a.to_currency().scaled});
    case VarType::Date:
      return Variant::date(-a.to_date());
    case VarType::String:
      if (kind_of(a) != Kind::Double) return integer_op(BinaryOp::Subtract, 0, a.to_int64(), false);
      return Variant(-a.to_double());
    case VarType::Double:
      return Variant(-a.to_double());
    default:
      invalid_operation();
  }
}

Variant logical_not(const Variant& a) {
  switch (a.type()) {
    case VarType::Null:
      return a;
    case VarType::Bool:
      return Variant(!a.to_bool());
    case VarType::Array:
    case VarType::Object:
      invalid_operation();
    default: {
      int64_t v = ~a.to_int64();
      return a.type() == VarType::Int64 ? Variant(v) : make_int(v);
    }
  }
}

int compare_values(const Variant& a, const Variant& b) {
  if (!is_operand(a) || !is_operand(b)) invalid_operation();
  if (a.is_null() || b.is_null()) return a.is_null() == b.is_null() ? 0 : (a.is_null() ? -1 : 1);
  if (a.is_string() && b.is_string()) return compare_strings(a.str(), b.str());
  // Empty against a string compares as the empty string.
  if ((a.is_string() && b.is_empty()) || (a.is_empty() && b.is_string()))
    return compare_strings(a.to_string(), b.to_string());
  if (a.is_integer() && b.is_integer()) {
    int64_t x = a.to_int64(), y = b.to_int64();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (a.type() == VarType::Currency && b.type() == VarType::Currency) {
    int64_t x = a.to_currency().scaled, y = b.to_currency().scaled;
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  return sign_of(a.to_double() - b.to_double());
}

bool compare(CompareOp op, const Variant& a, const Variant& b) {
  int c = compare_values(a, b);
  switch (op) {
    case CompareOp::Equal:
      return c == 0;
    case CompareOp::NotEqual:
      return c != 0;
    case CompareOp::Less:
      return c < 0;
    case CompareOp::LessEqual:
      return c <= 0;
    case CompareOp::Greater:
      return c > 0;
    case CompareOp::GreaterEqual:
      return c >= 0;
  }
  return false;
}

}  // namespace orvena::core
