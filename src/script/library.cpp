// The system library: the routines every script and expression sees, grouped as the designer
// shows them. Text positions and lengths count characters (code points), from 1.
#include <cmath>
#include <limits>

#include "core/datetime_format.h"
#include "core/encoding.h"
#include "core/locale.h"
#include "core/number_format.h"
#include "core/quote.h"
#include "core/text.h"
#include "script/runtime_p.h"

namespace orvena::script {

namespace {

using Args = std::span<Variant>;
using core::VarType;

[[noreturn]] void not_valid(const Variant& v, std::string_view what) {
  throw core::Error("'" + core::quoted_excerpt(v.to_string()) + "' is not a valid " + std::string(what));
}

[[noreturn]] void invalid_float_operation() {
  throw core::Error("Invalid floating point operation");
}

Variant integer(int64_t v) {
  if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
    return Variant(static_cast<int32_t>(v));
  return Variant(v);
}

// Whole numbers only, decimal or "$" hexadecimal, with an optional sign.
bool parse_int(const std::string& text, int64_t& out) {
  std::string s = core::trim(text);
  if (s.empty()) return false;
  size_t i = 0;
  bool negative = s[0] == '-';
  if (s[0] == '-' || s[0] == '+') ++i;
  int base = 10;
  if (i < s.size() && s[i] == '$') base = 16, ++i;
  if (i >= s.size()) return false;
  uint64_t v = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    int d = c >= '0' && c <= '9'                                   ? c - '0'
            : base == 16 && (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10
                                                                   : -1;
    if (d < 0 || v > (std::numeric_limits<uint64_t>::max() >> 4)) return false;
    v = v * base + static_cast<uint64_t>(d);
  }
  if (v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0)) return false;
  out = negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
  return true;
}

std::string text_of(const Variant& v) {
  return v.to_string();
}

int64_t int_of(const Variant& v) {
  return v.to_int64();
}

double float_of(const Variant& v) {
  return v.to_double();
}

// ---- conversion ----

Variant IntToStr(Runtime&, Args a) {
  return Variant(std::to_string(int_of(a[0])));
}
Variant FloatToStr(Runtime&, Args a) {
  return Variant(core::Locale::format_float(float_of(a[0])));
}
Variant DateToStr(Runtime&, Args a) {
  return Variant(core::Locale::format_date(a[0].to_date()));
}
Variant TimeToStr(Runtime&, Args a) {
  return Variant(core::Locale::format_time(a[0].to_date()));
}
Variant DateTimeToStr(Runtime&, Args a) {
  return Variant(core::Locale::format_datetime(a[0].to_date()));
}
Variant BoolToStr(Runtime&, Args a) {
  return Variant(a[0].to_bool() ? "-1" : "0");
}
Variant VarToStr(Runtime&, Args a) {
  return Variant(a[0].is_null() ? std::string() : text_of(a[0]));
}
Variant StrToInt(Runtime&, Args a) {
  int64_t v;
  if (!parse_int(text_of(a[0]), v) || v < std::numeric_limits<int32_t>::min() ||
      v > std::numeric_limits<int32_t>::max())
    not_valid(a[0], "integer value");
  return Variant(static_cast<int32_t>(v));
}
Variant StrToInt64(Runtime&, Args a) {
  int64_t v;
  if (!parse_int(text_of(a[0]), v)) not_valid(a[0], "integer value");
  return Variant(v);
}
Variant StrToFloat(Runtime&, Args a) {
  auto v = core::Locale::parse_float(text_of(a[0]));
  if (!v) not_valid(a[0], "floating point value");
  return Variant(*v);
}
Variant StrToDate(Runtime&, Args a) {
  auto v = core::Locale::parse_date(text_of(a[0]));
  if (!v) not_valid(a[0], "date");
  return Variant::date(*v);
}
Variant StrToTime(Runtime&, Args a) {
  auto v = core::Locale::parse_time(text_of(a[0]));
  if (!v) not_valid(a[0], "time");
  return Variant::date(*v);
}
Variant StrToDateTime(Runtime&, Args a) {
  auto v = core::Locale::parse_datetime(text_of(a[0]));
  if (!v) not_valid(a[0], "date and time");
  return Variant::date(*v);
}
Variant StrToBool(Runtime&, Args a) {
  std::string s = core::to_lower(core::trim(text_of(a[0])));
  if (s == "true") return Variant(true);
  if (s == "false") return Variant(false);
  if (auto d = core::Locale::parse_float(s)) return Variant(*d != 0);
  not_valid(a[0], "boolean value");
}

// ---- formatting ----

Variant Format(Runtime&, Args a) {
  if (a[1].type() == VarType::Array) return Variant(core::format(text_of(a[0]), a[1].items()));
  return Variant(core::format(text_of(a[0]), std::span<const Variant>(&a[1], 1)));
}
Variant FormatFloat(Runtime&, Args a) {
  return Variant(core::format_float(text_of(a[0]), float_of(a[1])));
}
Variant FormatDateTime(Runtime&, Args a) {
  return Variant(core::format_datetime(text_of(a[0]), a[1].to_date()));
}

// Edit masks: 0 digit, 9 optional digit, # digit or sign, L/l letter, A/a letter or digit,
// C/c any character, \ the next mask character literally, > upper case, < lower case, <> as is.
// The mask's second section "0" means the value holds no literals; its third the blank.
Variant FormatMaskText(Runtime&, Args a) {
  std::string mask = text_of(a[0]);
  std::string value = text_of(a[1]);
  bool value_has_literals = true;
  std::string blank = " ";
  size_t semi = mask.rfind(';');
  if (semi != std::string::npos && semi + 2 == mask.size() && semi >= 2 && mask[semi - 2] == ';') {
    blank = mask.substr(semi + 1);
    value_has_literals = mask[semi - 1] != '0';
    mask.resize(semi - 2);
  } else if (semi != std::string::npos && semi + 2 == mask.size()) {
    value_has_literals = mask[semi + 1] != '0';
    mask.resize(semi);
  }
  std::u32string chars;
  for (size_t p = 0; p < value.size();) chars.push_back(core::next_code_point(value, p));
  size_t vi = 0;
  int letter_case = 0;
  std::string out;
  for (size_t i = 0; i < mask.size(); ++i) {
    char m = mask[i];
    if (m == '>' || m == '<') {
      if (m == '<' && i + 1 < mask.size() && mask[i + 1] == '>') {
        letter_case = 0;
        ++i;
      } else {
        letter_case = m == '>' ? 1 : -1;
      }
      continue;
    }
    if (std::string_view("09#LlAaCc").find(m) != std::string_view::npos) {
      if (vi < chars.size()) {
        char32_t c = chars[vi++];
        if (letter_case) c = letter_case > 0 ? core::to_upper(c) : core::to_lower(c);
        core::append_utf8(out, c);
      } else {
        out += blank;
      }
      continue;
    }
    if (m == '\\' && i + 1 < mask.size()) m = mask[++i];
    out += m;
    if (value_has_literals && vi < chars.size() && chars[vi] == static_cast<unsigned char>(m)) ++vi;
  }
  return Variant(out);
}

// ---- date and time ----

Variant EncodeDate(Runtime&, Args a) {
  return Variant::date(core::encode_date(a[0].to_int(), a[1].to_int(), a[2].to_int()));
}
Variant DecodeDate(Runtime&, Args a) {
  core::DateParts p = core::decode(a[0].to_date());
  a[1] = Variant(p.year);
  a[2] = Variant(p.month);
  a[3] = Variant(p.day);
  return Variant::null();
}
Variant EncodeTime(Runtime&, Args a) {
  return Variant::date(core::encode_time(a[0].to_int(), a[1].to_int(), a[2].to_int(), a[3].to_int()));
}
Variant DecodeTime(Runtime&, Args a) {
  core::DateParts p = core::decode(a[0].to_date());
  a[1] = Variant(p.hour);
  a[2] = Variant(p.minute);
  a[3] = Variant(p.second);
  a[4] = Variant(p.millisecond);
  return Variant::null();
}
Variant Date(Runtime& rt, Args) {
  return Variant::date(std::floor(rt.now_clock().now()));
}
Variant Time(Runtime& rt, Args) {
  double now = rt.now_clock().now();
  return Variant::date(now - std::floor(now));
}
Variant Now(Runtime& rt, Args) {
  return Variant::date(rt.now_clock().now());
}
Variant DayOfWeek(Runtime&, Args a) {
  return Variant(core::day_of_week(a[0].to_date()));
}
Variant IsLeapYear(Runtime&, Args a) {
  return Variant(core::is_leap_year(a[0].to_int()));
}
// DaysInMonth(Date) or DaysInMonth(Year, Month).
Variant DaysInMonth(Runtime&, Args a) {
  if (a.size() == 2) return Variant(core::days_in_month(a[0].to_int(), a[1].to_int()));
  core::DateParts p = core::decode(a[0].to_date());
  return Variant(core::days_in_month(p.year, p.month));
}

// ---- strings ----

Variant Length(Runtime&, Args a) {
  if (a[0].type() == VarType::Array) return integer(static_cast<int64_t>(a[0].items().size()));
  return integer(static_cast<int64_t>(core::utf8_length(text_of(a[0]))));
}
Variant Copy(Runtime&, Args a) {
  int64_t from = std::max<int64_t>(int_of(a[1]), 1), count = int_of(a[2]);
  if (count <= 0) return Variant("");
  return Variant(core::utf8_substr(text_of(a[0]), static_cast<size_t>(from - 1), static_cast<size_t>(count)));
}
Variant Pos(Runtime&, Args a) {
  std::string sub = text_of(a[0]), s = text_of(a[1]);
  if (sub.empty()) return Variant(0);
  size_t at = s.find(sub);
  if (at == std::string::npos) return Variant(0);
  return integer(static_cast<int64_t>(core::utf8_length(std::string_view(s).substr(0, at))) + 1);
}
std::string deleted(const std::string& s, int64_t index, int64_t count) {
  int64_t len = static_cast<int64_t>(core::utf8_length(s));
  if (index < 1 || index > len || count <= 0) return s;
  size_t from = core::utf8_offset(s, static_cast<size_t>(index - 1));
  size_t to = core::utf8_offset(s, static_cast<size_t>(std::min(len, index - 1 + count)));
  return s.substr(0, from) + s.substr(to);
}
Variant Delete(Runtime&, Args a) {
  a[0] = Variant(deleted(text_of(a[0]), int_of(a[1]), int_of(a[2])));
  return Variant::null();
}
Variant DeleteStr(Runtime&, Args a) {
  return Variant(deleted(text_of(a[0]), int_of(a[1]), int_of(a[2])));
}
Variant Insert(Runtime&, Args a) {
  std::string s = text_of(a[1]);
  int64_t len = static_cast<int64_t>(core::utf8_length(s));
  int64_t index = std::clamp<int64_t>(int_of(a[2]), 1, len + 1);
  size_t at = core::utf8_offset(s, static_cast<size_t>(index - 1));
  s.insert(at, text_of(a[0]));
  a[1] = checked(Variant(std::move(s)));
  return Variant::null();
}
Variant Uppercase(Runtime&, Args a) {
  return Variant(core::to_upper(text_of(a[0])));
}
Variant Lowercase(Runtime&, Args a) {
  return Variant(core::to_lower(text_of(a[0])));
}
Variant Trim(Runtime&, Args a) {
  return Variant(core::trim(text_of(a[0])));
}
// Every word starts with a capital letter, the rest is lower case.
Variant NameCase(Runtime&, Args a) {
  std::string s = text_of(a[0]), out;
  bool word_start = true;
  for (size_t p = 0; p < s.size();) {
    char32_t c = core::next_code_point(s, p);
    bool letter = core::to_upper(c) != core::to_lower(c);
    core::append_utf8(out, letter ? (word_start ? core::to_upper(c) : core::to_lower(c)) : c);
    word_start = !letter && c != '\'';
  }
  return Variant(out);
}
Variant CompareText(Runtime&, Args a) {
  std::string x = core::to_lower(text_of(a[0])), y = core::to_lower(text_of(a[1]));
  size_t px = 0, py = 0;
  while (px < x.size() && py < y.size()) {
    char32_t cx = core::next_code_point(x, px), cy = core::next_code_point(y, py);
    if (cx != cy) return integer(static_cast<int64_t>(cx) - static_cast<int64_t>(cy));
  }
  return integer(static_cast<int64_t>(core::utf8_length(x)) - static_cast<int64_t>(core::utf8_length(y)));
}
Variant Chr(Runtime&, Args a) {
  int64_t code = int_of(a[0]);
  if (code < 0 || code > 0x10FFFF) throw core::Error(std::string(text::kRangeError));
  std::string out;
  core::append_utf8(out, static_cast<char32_t>(code));
  return Variant(out);
}
Variant Ord(Runtime&, Args a) {
  if (a[0].type() == VarType::Bool) return Variant(a[0].to_bool() ? 1 : 0);
  if (a[0].is_integer()) return a[0];
  std::string s = text_of(a[0]);
  if (s.empty()) return Variant(0);
  size_t p = 0;
  return integer(static_cast<int64_t>(core::next_code_point(s, p)));
}
// SetLength(var s, n): cut or pad with blanks; on an array, cut or extend with empty elements.
Variant SetLength(Runtime&, Args a) {
  int64_t n = std::max<int64_t>(int_of(a[1]), 0);
  // In place: the caller lends the variable's value, so growing by one element or character
  // costs no copy of the whole (the vector and the string grow by doubling).
  if (a[0].type() == VarType::Array) {
    if (n > limits::kMaxArrayElements) throw core::Error(std::string(text::kTooLong));
    a[0].mutable_items().resize(static_cast<size_t>(n));
    return Variant::null();
  }
  if (static_cast<uint64_t>(n) > limits::kMaxStringBytes) throw core::Error(std::string(text::kTooLong));
  if (!a[0].is_string()) a[0] = Variant(text_of(a[0]));
  std::string& s = a[0].mutable_str();
  size_t len = core::utf8_length(s);
  if (static_cast<size_t>(n) <= len)
    s.resize(core::utf8_offset(s, static_cast<size_t>(n)));
  else
    s.append(static_cast<size_t>(n) - len, ' ');
  return Variant::null();
}

// ---- mathematics ----

Variant Round(Runtime&, Args a) {
  double r = core::round_half_even(float_of(a[0]));
  if (!(std::fabs(r) < 9.2e18)) invalid_float_operation();
  return integer(static_cast<int64_t>(r));
}
Variant Trunc(Runtime&, Args a) {
  double r = std::trunc(float_of(a[0]));
  if (!(std::fabs(r) < 9.2e18)) invalid_float_operation();
  return integer(static_cast<int64_t>(r));
}
Variant Int(Runtime&, Args a) {
  double r = std::trunc(float_of(a[0]));
  if (std::fabs(r) < 9.2e18) return integer(static_cast<int64_t>(r));
  return Variant(r);
}
Variant Frac(Runtime&, Args a) {
  double v = float_of(a[0]);
  return Variant(v - std::trunc(v));
}
Variant Sqrt(Runtime&, Args a) {
  double v = float_of(a[0]);
  if (v < 0) invalid_float_operation();
  return Variant(std::sqrt(v));
}
Variant Abs(Runtime&, Args a) {
  if (a[0].is_integer()) {
    int64_t v = int_of(a[0]);
    if (v == std::numeric_limits<int64_t>::min()) return Variant(-static_cast<double>(v));
    return integer(v < 0 ? -v : v);
  }
  return Variant(std::fabs(float_of(a[0])));
}
Variant Sin(Runtime&, Args a) {
  return Variant(std::sin(float_of(a[0])));
}
Variant Cos(Runtime&, Args a) {
  return Variant(std::cos(float_of(a[0])));
}
Variant ArcTan(Runtime&, Args a) {
  return Variant(std::atan(float_of(a[0])));
}
Variant Tan(Runtime&, Args a) {
  return Variant(std::tan(float_of(a[0])));
}
Variant Exp(Runtime&, Args a) {
  return Variant(std::exp(float_of(a[0])));
}
Variant Ln(Runtime&, Args a) {
  double v = float_of(a[0]);
  if (v <= 0) invalid_float_operation();
  return Variant(std::log(v));
}
Variant Pi(Runtime&, Args) {
  return Variant(3.14159265358979323846);
}
Variant Inc(Runtime&, Args a) {
  a[0] = core::apply(core::BinaryOp::Add, a[0], a.size() > 1 ? a[1] : Variant(1));
  return Variant::null();
}
Variant Dec(Runtime&, Args a) {
  a[0] = core::apply(core::BinaryOp::Subtract, a[0], a.size() > 1 ? a[1] : Variant(1));
  return Variant::null();
}
// Random: a float in [0, 1); Random(n): an integer in [0, n).
Variant Random(Runtime& rt, Args a) {
  if (a.empty()) return Variant(std::uniform_real_distribution<double>(0.0, 1.0)(rt.top().random));
  int64_t n = int_of(a[0]);
  if (n <= 0) return Variant(0);
  return integer(std::uniform_int_distribution<int64_t>(0, n - 1)(rt.top().random));
}
Variant Randomize(Runtime& rt, Args) {
  rt.top().random.seed(std::random_device{}());
  return Variant::null();
}

// ---- other ----

Variant RaiseException(Runtime&, Args a) {
  throw core::Error(text_of(a[0]));
}
Variant ShowMessage(Runtime&, Args) {
  return Variant::null();  // no one to show it to in an unattended run
}
Variant ValidInt(Runtime&, Args a) {
  int64_t v;
  return Variant(parse_int(text_of(a[0]), v) && v >= std::numeric_limits<int32_t>::min() &&
                 v <= std::numeric_limits<int32_t>::max());
}
Variant ValidFloat(Runtime&, Args a) {
  return Variant(core::Locale::parse_float(text_of(a[0])).has_value());
}
Variant ValidDate(Runtime&, Args a) {
  return Variant(core::Locale::parse_date(text_of(a[0])).has_value());
}
Variant ExtractFilePath(Runtime&, Args a) {
  std::string s = text_of(a[0]);
  size_t at = s.find_last_of("\\/:");
  return Variant(at == std::string::npos ? std::string() : s.substr(0, at + 1));
}
Variant CreateOleObject(Runtime&, Args a) {
  throw core::Error("Invalid class string: " + text_of(a[0]));
}
// VarArrayCreate([low, high], type): elements low .. high start empty; indexes below low are
// kept as unused slots so that a[low] is element low.
Variant VarArrayCreate(Runtime&, Args a) {
  if (a[0].type() != VarType::Array || a[0].items().size() < 2)
    throw core::Error(std::string(text::kArrayRequired));
  int64_t low = a[0].items()[0].to_int64(), high = a[0].items()[1].to_int64();
  if (low < 0 || high < low - 1 || high >= limits::kMaxArrayElements)
    throw core::Error(std::string(text::kTooLong));
  return Variant(std::vector<Variant>(static_cast<size_t>(high + 1)));
}
Variant VarType_(Runtime&, Args a) {
  return Variant(a[0].type_code());
}

constexpr unsigned kVar0 = 1u << 0, kVar1 = 1u << 1;

// Sorted by nothing in particular: grouped as in the designer. Names are matched ignoring case.
const Routine kRoutines[] = {
    {"IntToStr", 1, 1, 0, TypeKind::String, IntToStr},
    {"FloatToStr", 1, 1, 0, TypeKind::String, FloatToStr},
    {"DateToStr", 1, 1, 0, TypeKind::String, DateToStr},
    {"TimeToStr", 1, 1, 0, TypeKind::String, TimeToStr},
    {"DateTimeToStr", 1, 1, 0, TypeKind::String, DateTimeToStr},
    {"BoolToStr", 1, 1, 0, TypeKind::String, BoolToStr},
    {"VarToStr", 1, 1, 0, TypeKind::String, VarToStr},
    {"StrToInt", 1, 1, 0, TypeKind::Int, StrToInt},
    {"StrToInt64", 1, 1, 0, TypeKind::Int64, StrToInt64},
    {"StrToFloat", 1, 1, 0, TypeKind::Float, StrToFloat},
    {"StrToDate", 1, 1, 0, TypeKind::Float, StrToDate},
    {"StrToTime", 1, 1, 0, TypeKind::Float, StrToTime},
    {"StrToDateTime", 1, 1, 0, TypeKind::Float, StrToDateTime},
    {"StrToBool", 1, 1, 0, TypeKind::Bool, StrToBool},
    {"Format", 2, 2, 0, TypeKind::String, Format},
    {"FormatFloat", 2, 2, 0, TypeKind::String, FormatFloat},
    {"FormatDateTime", 2, 2, 0, TypeKind::String, FormatDateTime},
    {"FormatMaskText", 2, 2, 0, TypeKind::String, FormatMaskText},
    {"EncodeDate", 3, 3, 0, TypeKind::Float, EncodeDate},
    {"DecodeDate", 4, 4, 0b1110, TypeKind::Variant, DecodeDate},
    {"EncodeTime", 4, 4, 0, TypeKind::Float, EncodeTime},
    {"DecodeTime", 5, 5, 0b11110, TypeKind::Variant, DecodeTime},
    {"Date", 0, 0, 0, TypeKind::Float, Date},
    {"Time", 0, 0, 0, TypeKind::Float, Time},
    {"Now", 0, 0, 0, TypeKind::Float, Now},
    {"DayOfWeek", 1, 1, 0, TypeKind::Int, DayOfWeek},
    {"IsLeapYear", 1, 1, 0, TypeKind::Bool, IsLeapYear},
    {"DaysInMonth", 1, 2, 0, TypeKind::Int, DaysInMonth},
    {"Length", 1, 1, 0, TypeKind::Int, Length},
    {"Copy", 3, 3, 0, TypeKind::String, Copy},
    {"Pos", 2, 2, 0, TypeKind::Int, Pos},
    {"Delete", 3, 3, kVar0, TypeKind::Variant, Delete},
    {"DeleteStr", 3, 3, 0, TypeKind::String, DeleteStr},
    {"Insert", 3, 3, kVar1, TypeKind::Variant, Insert},
    {"Uppercase", 1, 1, 0, TypeKind::String, Uppercase},
    {"Lowercase", 1, 1, 0, TypeKind::String, Lowercase},
    {"Trim", 1, 1, 0, TypeKind::String, Trim},
    {"NameCase", 1, 1, 0, TypeKind::String, NameCase},
    {"CompareText", 2, 2, 0, TypeKind::Int, CompareText},
    {"Chr", 1, 1, 0, TypeKind::Char, Chr},
    {"Ord", 1, 1, 0, TypeKind::Int, Ord},
    {"SetLength", 2, 2, kVar0, TypeKind::Variant, SetLength},
    {"Round", 1, 1, 0, TypeKind::Int64, Round},
    {"Trunc", 1, 1, 0, TypeKind::Int64, Trunc},
    {"Int", 1, 1, 0, TypeKind::Int64, Int},
    {"Frac", 1, 1, 0, TypeKind::Float, Frac},
    {"Sqrt", 1, 1, 0, TypeKind::Float, Sqrt},
    {"Abs", 1, 1, 0, TypeKind::Variant, Abs},
    {"Sin", 1, 1, 0, TypeKind::Float, Sin},
    {"Cos", 1, 1, 0, TypeKind::Float, Cos},
    {"ArcTan", 1, 1, 0, TypeKind::Float, ArcTan},
    {"Tan", 1, 1, 0, TypeKind::Float, Tan},
    {"Exp", 1, 1, 0, TypeKind::Float, Exp},
    {"Ln", 1, 1, 0, TypeKind::Float, Ln},
    {"Pi", 0, 0, 0, TypeKind::Float, Pi},
    {"Inc", 1, 2, kVar0, TypeKind::Variant, Inc},
    {"Dec", 1, 2, kVar0, TypeKind::Variant, Dec},
    {"Random", 0, 1, 0, TypeKind::Variant, Random},
    {"Randomize", 0, 0, 0, TypeKind::Variant, Randomize},
    {"RaiseException", 1, 1, 0, TypeKind::Variant, RaiseException},
    {"ShowMessage", 1, 1, 0, TypeKind::Variant, ShowMessage},
    {"ValidInt", 1, 1, 0, TypeKind::Bool, ValidInt},
    {"ValidFloat", 1, 1, 0, TypeKind::Bool, ValidFloat},
    {"ValidDate", 1, 1, 0, TypeKind::Bool, ValidDate},
    {"ExtractFilePath", 1, 1, 0, TypeKind::String, ExtractFilePath},
    {"CreateOleObject", 1, 1, 0, TypeKind::Variant, CreateOleObject},
    {"VarArrayCreate", 2, 2, 0, TypeKind::Array, VarArrayCreate},
    {"VarType", 1, 1, 0, TypeKind::Int, VarType_},
};
static_assert(std::size(kRoutines) == 68, "the library the designer lists");

}  // namespace

const Routine* find_routine(std::string_view lower_name) {
  for (const Routine& r : kRoutines)
    if (core::equals_ignore_case(r.name, lower_name)) return &r;
  return nullptr;
}

std::vector<std::string_view> library_routine_names() {
  std::vector<std::string_view> out;
  for (const Routine& r : kRoutines) out.emplace_back(r.name);
  return out;
}

}  // namespace orvena::script
