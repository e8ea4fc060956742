// The in-memory result: the field kind table, decimals, the delimited-text numeric rule, and storage changes
// while rows arrive.
#include <gtest/gtest.h>

#include <random>

#include "core/error.h"
#include "core/locale.h"
#include "db/field_kind.h"
#include "db/result_set.h"

namespace orvena::db {
namespace {

TEST(FieldKinds, EveryRowIsFoundByItsKind) {
  for (const FieldKindInfo& row : kFieldKinds) {
    EXPECT_EQ(&field_kind_info(row.kind), &row) << row.name;
    EXPECT_EQ(std::string(row.name).substr(0, 2), "ad") << row.name;
  }
  EXPECT_STREQ(field_kind_name(FieldKind::Guid), "adGUID");
  EXPECT_STREQ(field_kind_name(static_cast<FieldKind>(99)), "adEmpty") << "a code outside the enum";
  EXPECT_TRUE(is_text_kind(FieldKind::LongVarWChar));
  EXPECT_FALSE(is_text_kind(FieldKind::LongVarBinary));
}

TEST(FieldKinds, ExactDecimalsWiderThanEighteenDigitsAreKeptAsText) {
  EXPECT_EQ(storage_for({"", FieldKind::Decimal, 18, 4}), Storage::Scaled);
  EXPECT_EQ(storage_for({"", FieldKind::Numeric, 19, 4}), Storage::BigDecimal);
  EXPECT_EQ(storage_for({"", FieldKind::Currency, 19, 4}), Storage::Scaled) << "currency always fits";
  EXPECT_EQ(storage_for({"", FieldKind::BigInt}), Storage::Integer);
}

TEST(ResultSetText, ParseScaled) {
  struct Case {
    const char* text;
    int scale;
    bool ok;
    int64_t value;
  } cases[] = {
      {"12.50", 2, true, 1250},
      {"12.5", 2, true, 1250},
      {"-0.05", 2, true, -5},
      {"7", 2, true, 700},
      {".5", 1, true, 5},
      {"+3.10", 2, true, 310},
      {"1.2300", 2, true, 123},  // trailing zeros beyond the scale are harmless
      {"1.234", 2, false, 0},    // a digit the column cannot hold
      {"999999999999999999", 0, true, 999999999999999999},
      {"9999999999999999999", 0, false, 0},  // beyond 64 bits
      {"1e5", 0, false, 0},
      {"", 2, false, 0},
      {"-", 2, false, 0},
      {"1.2.3", 2, false, 0},
  };
  for (const Case& c : cases) {
    int64_t v = 0;
    EXPECT_EQ(detail::parse_scaled(c.text, c.scale, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

TEST(ResultSetText, DecimalsReadExactlyInTheGeneralForm) {
  ResultSetBuilder b({{"small", FieldKind::Decimal, 10, 2},
                      {"wide", FieldKind::Numeric, 38, 10},
                      {"money", FieldKind::Currency, 0, 0}});
  b.add_decimal(0, "12.50");
  b.add_decimal(1, "-00012345678901234567890.1234500000");
  b.add_decimal(2, "0.0001");
  b.end_row();
  b.add_decimal(0, "-0.00");
  b.add_decimal(1, "0.0000000000");
  b.add_null(2);
  b.end_row();
  ResultSet r = b.finish();
  EXPECT_EQ(r.text(0, 0), "12,5");
  EXPECT_EQ(r.text(0, 1), "-12345678901234567890,12345") << "38 digits survive as text";
  EXPECT_EQ(r.text(0, 2), "0,0001");
  EXPECT_EQ(r.text(1, 0), "0");
  EXPECT_EQ(r.text(1, 1), "0");
  EXPECT_EQ(r.value(0, 0), core::Variant(core::Currency{125000}));
  EXPECT_EQ(r.value(0, 1).type(), core::VarType::Double);
  EXPECT_EQ(r.value(0, 2), core::Variant(core::Currency{1}));
  EXPECT_TRUE(r.value(1, 2).is_null());
  EXPECT_EQ(r.field(2).scale, 4) << "currency has four decimals";
}

TEST(ResultSetText, NumericFieldsForDelimitedText) {
  struct Case {
    FieldInfo field;
    bool numeric;
  } cases[] = {
      {{"", FieldKind::TinyInt}, true},
      {{"", FieldKind::UnsignedInt}, true},
      {{"", FieldKind::Integer}, true},
      {{"", FieldKind::Single}, true},
      {{"", FieldKind::Double}, true},
      {{"", FieldKind::Currency}, true},
      {{"", FieldKind::Error}, true},
      {{"", FieldKind::Decimal, 19, 4}, true},
      {{"", FieldKind::Numeric, 20, 4}, false},     // precision 20 or more
      {{"", FieldKind::VarNumeric, 10, 5}, false},  // scale above 4
      {{"", FieldKind::BigInt}, false},
      {{"", FieldKind::UnsignedBigInt}, false},
      {{"", FieldKind::Boolean}, false},
      {{"", FieldKind::DBDate}, false},
      {{"", FieldKind::VarWChar}, false},
      {{"", FieldKind::Guid}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(is_numeric_field(c.field), c.numeric)
        << field_kind_name(c.field.kind) << " " << c.field.precision << "," << c.field.scale;
}

TEST(ResultSetBuilderTest, IntegersThenFractionsInAnExpressionBecomeDoubles) {
  ResultSetBuilder b({{"x"}});
  b.add_null(0);
  b.end_row();
  b.add_integer(0, 3);
  b.end_row();
  b.add_real(0, 0.25);
  b.end_row();
  ResultSet r = b.finish();
  EXPECT_EQ(r.field(0).kind, FieldKind::Double);
  EXPECT_TRUE(r.is_null(0, 0));
  EXPECT_EQ(r.text(1, 0), "3");
  EXPECT_EQ(r.text(2, 0), "0,25");
}

TEST(ResultSetBuilderTest, AMismatchKeepsEarlierValuesAndTheirText) {
  ResultSetBuilder b({{"d", FieldKind::DBTimeStamp}});
  b.add_text(0, "2024-02-29 10:00:00");
  b.end_row();
  b.add_null(0);
  b.end_row();
  b.add_text(0, "not a date");
  b.end_row();
  ResultSet r = b.finish();
  EXPECT_EQ(r.value(0, 0), core::Variant::date(core::encode_date(2024, 2, 29) + core::encode_time(10, 0, 0)));
  EXPECT_EQ(r.text(0, 0), "2024-02-29 10:00:00");
  EXPECT_TRUE(r.is_null(1, 0));
  EXPECT_EQ(r.text(2, 0), "not a date");
  EXPECT_THROW(r.text(3, 0), std::out_of_range);
}

TEST(ResultSetBuilderTest, DatesKeepTheirKindsFormAfterAMismatch) {
  ResultSetBuilder b({{"t", FieldKind::DBTime}});
  b.add_text(0, "07:08:09");
  b.end_row();
  b.add_text(0, "later");
  b.end_row();
  ResultSet r = b.finish();
  EXPECT_EQ(r.text(0, 0), "07:08:09") << "a time, not a date-time on 1899-12-30";
  EXPECT_EQ(r.text(1, 0), "later");
}

// Found by database_values_fuzz (fuzz/corpus/database_values/date_overflow.txt): a date far
// beyond any calendar (SQLite's Julian day from a 64-bit integer) must give the conversion error
// as its text, not an overflow in the date arithmetic.
TEST(ResultSetText, ADayNumberBeyondAnyCalendarGivesTheConversionError) {
  for (FieldKind kind : {FieldKind::DBDate, FieldKind::DBTimeStamp, FieldKind::DBTime}) {
    ResultSetBuilder b({{"d", kind}});
    b.add_date(0, -9000000000000000000.0);
    b.end_row();
    b.add_date(0, 45418);  // 2024-05-06
    b.end_row();
    ResultSet r = b.finish();
    EXPECT_THROW(r.text(0, 0), core::Error) << field_kind_name(kind);
    EXPECT_NO_THROW(r.text(1, 0)) << field_kind_name(kind);
  }
}

TEST(ResultSetBuilderTest, SingleUsesSevenDigits) {
  ResultSetBuilder b({{"s", FieldKind::Single}});
  b.add_real(0, static_cast<double>(0.1f));
  b.end_row();
  EXPECT_EQ(b.finish().text(0, 0), "0,1");
}

}  // namespace
}  // namespace orvena::db
