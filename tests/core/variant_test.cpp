#include "core/variant.h"

#include <gtest/gtest.h>

#include "core/error.h"

namespace orvena::core {
namespace {

std::string error_of(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

TEST(VariantText, EveryKindAsText) {
  EXPECT_EQ(Variant().to_string(), "");
  EXPECT_EQ(Variant::null().to_string(), "");
  EXPECT_EQ(Variant(int32_t{-7}).to_string(), "-7");
  EXPECT_EQ(Variant(int64_t{9000000000}).to_string(), "9000000000");
  EXPECT_EQ(Variant(12.5).to_string(), "12,5");
  EXPECT_EQ(Variant(Currency{125000}).to_string(), "12,5");
  EXPECT_EQ(Variant(Currency{-5}).to_string(), "-0,0005");
  EXPECT_EQ(Variant::date(encode_date(2015, 10, 18)).to_string(), "2015-10-18");
  EXPECT_EQ(Variant::date(encode_date(2015, 10, 18) + 0.5).to_string(), "2015-10-18 12:00:00");
  EXPECT_EQ(Variant(true).to_string(), "True");
  EXPECT_EQ(Variant("żółw").to_string(), "żółw");
}

TEST(VariantConversion, StringsToNumbersAndBack) {
  EXPECT_EQ(Variant("3,5").to_double(), 3.5);
  EXPECT_EQ(Variant(" 42 ").to_int(), 42);
  EXPECT_EQ(Variant("$FF").to_int(), 255);
  EXPECT_EQ(Variant(2.5).to_int(), 2);  // half to even
  EXPECT_EQ(Variant(3.5).to_int(), 4);
  EXPECT_EQ(Variant(true).to_int(), -1);
  EXPECT_TRUE(Variant("TRUE").to_bool());
  EXPECT_FALSE(Variant("0").to_bool());
  EXPECT_EQ(Variant("2015-10-18").to_date(), encode_date(2015, 10, 18));
  EXPECT_EQ(error_of([] { Variant("abc").to_double(); }),
            "Could not convert variant of type (String) into type (Double)");
  EXPECT_EQ(error_of([] { Variant("tak").to_bool(); }),
            "Could not convert variant of type (String) into type (Boolean)");
  EXPECT_EQ(error_of([] { Variant(1e12).to_int(); }),
            "Overflow while converting variant of type (Double) into type (Integer)");
  EXPECT_EQ(error_of([] { Variant::null().to_date(); }),
            "Could not convert variant of type (Null) into type (Date)");
  EXPECT_EQ(error_of([] { Variant(1e300).to_int64(); }),
            "Overflow while converting variant of type (Double) into type (Int64)");
}

struct OpCase {
  const char* name;
  BinaryOp op;
  Variant a, b, expected;
};

TEST(VariantArithmetic, ResultKindsAndValues) {
  const OpCase cases[] = {
      {"strings concatenate", BinaryOp::Add, Variant("A"), Variant("B"), Variant("AB")},
      {"integers stay integers", BinaryOp::Add, Variant(1), Variant(2), Variant(3)},
      {"slash is always a double", BinaryOp::Divide, Variant(7), Variant(2), Variant(3.5)},
      {"div", BinaryOp::IntDivide, Variant(7), Variant(2), Variant(2 + 1)},
      {"mod", BinaryOp::Modulo, Variant(7), Variant(2), Variant(1)},
      {"numeric string meets number", BinaryOp::Add, Variant("1,5"), Variant(2), Variant(3.5)},
      {"integer string meets number", BinaryOp::Multiply, Variant("21"), Variant(2), Variant(42)},
      {"overflow grows to 64 bits", BinaryOp::Add, Variant(int32_t{2147483647}), Variant(1),
       Variant(int64_t{2147483648})},
      {"int64 overflow becomes double", BinaryOp::Multiply, Variant(int64_t{1} << 62), Variant(4),
       Variant(18446744073709551616.0)},
      {"null propagates", BinaryOp::Add, Variant::null(), Variant(1), Variant::null()},
      {"empty is zero", BinaryOp::Add, Variant(), Variant(5), Variant(5)},
      {"empty and string concatenate", BinaryOp::Add, Variant(), Variant("x"), Variant("x")},
      {"booleans and", BinaryOp::And, Variant(true), Variant(false), Variant(false)},
      {"integers and bitwise", BinaryOp::And, Variant(6), Variant(3), Variant(2)},
      {"boolean counts as -1", BinaryOp::Add, Variant(true), Variant(1), Variant(0)},
      {"shl", BinaryOp::Shl, Variant(1), Variant(4), Variant(16)},
      {"currency adds exactly", BinaryOp::Add, Variant(Currency{1}), Variant(Currency{2}),
       Variant(Currency{3})},
      {"date plus days is a date", BinaryOp::Add, Variant::date(10), Variant(1), Variant::date(11)},
      {"date minus date is days", BinaryOp::Subtract, Variant::date(10), Variant::date(7), Variant(3.0)},
      {"double wins over integer", BinaryOp::Subtract, Variant(1), Variant(0.5), Variant(0.5)},
  };
  for (const auto& c : cases) {
    Variant r = apply(c.op, c.a, c.b);
    EXPECT_EQ(r, c.expected) << c.name << ": got " << r.to_string() << " of type "
                             << Variant::type_name(r.type());
  }
}

TEST(VariantArithmetic, Errors) {
  EXPECT_EQ(error_of([] { apply(BinaryOp::Divide, Variant(1), Variant(0)); }), "Division by zero");
  EXPECT_EQ(error_of([] { apply(BinaryOp::Modulo, Variant(1), Variant(0)); }), "Division by zero");
  EXPECT_EQ(error_of([] { apply(BinaryOp::Multiply, Variant("abc"), Variant(2)); }),
            "Could not convert variant of type (String) into type (Double)");
  EXPECT_EQ(error_of([] { apply(BinaryOp::Add, Variant(std::vector<Variant>{1}), Variant(2)); }),
            "Invalid variant operation");
  // The smallest integer divided by -1 does not trap.
  EXPECT_EQ(apply(BinaryOp::IntDivide, Variant(INT64_MIN), Variant(-1)), Variant(9223372036854775808.0));
  EXPECT_EQ(apply(BinaryOp::Modulo, Variant(INT64_MIN), Variant(-1)), Variant(int64_t{0}));
}

TEST(VariantUnary, NegateAndNot) {
  EXPECT_EQ(negate(Variant(5)), Variant(-5));
  EXPECT_EQ(negate(Variant("2,5")), Variant(-2.5));
  EXPECT_EQ(negate(Variant(int32_t{INT32_MIN})), Variant(int64_t{2147483648}));
  EXPECT_TRUE(negate(Variant::null()).is_null());
  EXPECT_EQ(logical_not(Variant(true)), Variant(false));
  EXPECT_EQ(logical_not(Variant(0)), Variant(-1));
}

TEST(VariantCompare, Rules) {
  EXPECT_TRUE(compare(CompareOp::Equal, Variant(1), Variant(1.0)));
  EXPECT_TRUE(compare(CompareOp::Less, Variant("10"), Variant(9.5)) == false);  // numeric, not textual
  EXPECT_TRUE(compare(CompareOp::Less, Variant("10"), Variant("9")));           // two strings: textual
  EXPECT_TRUE(compare(CompareOp::Less, Variant("Z"), Variant("a")));            // case-sensitive
  EXPECT_TRUE(compare(CompareOp::Equal, Variant::null(), Variant::null()));
  EXPECT_FALSE(compare(CompareOp::Equal, Variant::null(), Variant(0)));
  EXPECT_TRUE(compare(CompareOp::Less, Variant::null(), Variant(-1000)));
  EXPECT_TRUE(compare(CompareOp::Equal, Variant(), Variant("")));
  EXPECT_TRUE(compare(CompareOp::Greater, Variant::date(2), Variant(1)));
  EXPECT_TRUE(compare(CompareOp::Equal, Variant(INT64_MAX), Variant(INT64_MAX)));
  EXPECT_FALSE(compare(CompareOp::Equal, Variant(INT64_MAX), Variant(INT64_MAX - 1)));
  EXPECT_EQ(error_of([] { compare(CompareOp::Equal, Variant("x"), Variant(1)); }),
            "Could not convert variant of type (String) into type (Double)");
}

TEST(VariantKinds, TypeCodesAndArrays) {
  EXPECT_EQ(Variant().type_code(), 0);
  EXPECT_EQ(Variant::null().type_code(), 1);
  EXPECT_EQ(Variant(1).type_code(), 3);
  EXPECT_EQ(Variant(1.0).type_code(), 5);
  EXPECT_EQ(Variant("s").type_code(), 256);
  EXPECT_EQ(Variant(true).type_code(), 11);
  Variant arr(std::vector<Variant>{Variant(1), Variant("a")});
  EXPECT_EQ(arr.items().size(), 2u);
  Variant copy = arr;
  EXPECT_EQ(copy, arr);
  EXPECT_EQ(error_of([] { Variant(1).items(); }),
            "Could not convert variant of type (Integer) into type (Array)");
}

}  // namespace
}  // namespace orvena::core
