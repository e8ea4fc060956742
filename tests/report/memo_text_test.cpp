// The text side of filling a text object: display formats over the core formatter, finding
// bracketed expressions, inline formats and the export macros.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/datetime.h"
#include "report/memo/memo_text.h"

namespace orvena::report::memo_text {
namespace {

using core::Variant;

constexpr const char* kNbsp = "\u00A0";

DisplayFormat fmt(FormatKind kind, std::string format_str, std::string decimal = "",
                  std::string thousand = "") {
  DisplayFormat f;
  f.kind = kind;
  f.format_str = std::move(format_str);
  f.decimal_separator = std::move(decimal);
  f.thousand_separator = std::move(thousand);
  return f;
}

struct FormatCase {
  const char* name;
  Variant value;
  DisplayFormat format;
  std::string expected;
};

class FormatData : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatData, ShowsTheValueUnderTheFormat) {
  EXPECT_EQ(format_data(GetParam().value, GetParam().format), GetParam().expected);
}

const core::DateTime kFriday = core::encode_date(2024, 3, 1) + core::encode_time(14, 5, 9);

INSTANTIATE_TEST_SUITE_P(
    Kinds, FormatData,
    testing::Values(
        // The locale's decimal comma in the plain form.
        FormatCase{"TextKind", Variant(12.5), fmt(FormatKind::Text, ""), "12,5"},
        FormatCase{"NullIsEmpty", Variant::null(), fmt(FormatKind::Numeric, "#,##0.00"), ""},
        // A picture groups thousands with the locale's no-break space.
        FormatCase{"Picture", Variant(1234.5), fmt(FormatKind::Numeric, "#,##0.00"),
                   std::string("1") + kNbsp + "234,50"},
        FormatCase{"PictureFromZero", Variant(2.0), fmt(FormatKind::Numeric, "0.000"), "2,000"},
        FormatCase{"PictureSections", Variant(-3.0), fmt(FormatKind::Numeric, "0.0;(0.0)"), "(3,0)"},
        // Both separators differ from the locale's: each replaced.
        FormatCase{"SeparatorsReplaced", Variant(1234.5), fmt(FormatKind::Numeric, "#,##0.00", ".", ","),
                   "1,234.50"},
        // Separators of more than one character are ignored.
        FormatCase{"LongSeparatorIgnored", Variant(1234.5), fmt(FormatKind::Numeric, "#,##0.00", "::"),
                   std::string("1") + kNbsp + "234,50"},
        FormatCase{"PrintfN", Variant(1234.5), fmt(FormatKind::Numeric, "%2.2n"),
                   std::string("1") + kNbsp + "234,50"},
        // "d" takes the integer value, rounded half to even.
        FormatCase{"PrintfD", Variant(12.5), fmt(FormatKind::Numeric, "%d"), "12"},
        FormatCase{"PrintfG", Variant(0.5), fmt(FormatKind::Numeric, "%g"), "0,5"},
        FormatCase{"PrintfFDecimalPoint", Variant(3.14159), fmt(FormatKind::Numeric, "%2.2f", "."), "3.14"},
        FormatCase{"DateTime", Variant::date(kFriday), fmt(FormatKind::DateTime, "yyyy-mm-dd hh:nn:ss"),
                   "2024-03-01 14:05:09"},
        FormatCase{"DateTimeNames", Variant::date(kFriday), fmt(FormatKind::DateTime, "dddd, d mmmm yyyy"),
                   "piątek, 1 marzec 2024"},
        FormatCase{"DateTimeAmPmAndLiteral", Variant::date(kFriday),
                   fmt(FormatKind::DateTime, "h:nn am/pm 'dnia'"), "2:05 pm dnia"},
        FormatCase{"BooleanTrue", Variant(true), fmt(FormatKind::Boolean, "Nie,Tak"), "Tak"},
        FormatCase{"BooleanFalse", Variant(false), fmt(FormatKind::Boolean, "Nie,Tak"), "Nie"},
        // A null converted to False by the source shows the False text.
        FormatCase{"BooleanConvertedNull", Variant(0), fmt(FormatKind::Boolean, "Nie,Tak"), "Nie"},
        // Errors fall back to the plain string form.
        FormatCase{"NumericOfText", Variant("abc"), fmt(FormatKind::Numeric, "#,##0.00"), "abc"},
        FormatCase{"DateOfText", Variant("jutro"), fmt(FormatKind::DateTime, "yyyy"), "jutro"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Bracket matching -------------------------------------------------------------------------

struct BracketCase {
  const char* name;
  std::string text;
  std::string delimiters;
  std::string expected;  // each expression shown as {expression}
};

class Brackets : public testing::TestWithParam<BracketCase> {};

TEST_P(Brackets, FindsEachExpressionWhole) {
  const BracketCase& c = GetParam();
  std::string out = expand(c.text, split_delimiters(c.delimiters),
                           [](std::string_view e, size_t) { return "{" + std::string(e) + "}"; });
  EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Brackets,
    testing::Values(BracketCase{"Plain", "a [x] b [y]", "[,]", "a {x} b {y}"},
                    BracketCase{"Nested", "[IIF([a] = 1, [b], 0)]!", "[,]", "{IIF([a] = 1, [b], 0)}!"},
                    BracketCase{"QuotedClose", "[IIF(x, ']', 'y')] z", "[,]", "{IIF(x, ']', 'y')} z"},
                    BracketCase{"QuotedOpen", "[Pos('[', s)] z", "[,]", "{Pos('[', s)} z"},
                    BracketCase{"DoubleQuotedField", "[<DaneOrvena.\"a]b\">]", "[,]",
                                "{<DaneOrvena.\"a]b\">}"},
                    // A double quote inside single quotes does not start a quoted part.
                    BracketCase{"MixedQuotes", "['\"' + x] [y]", "[,]", "{'\"' + x} {y}"},
                    BracketCase{"Unclosed", "a [x + 1", "[,]", "a {x + 1}"},
                    BracketCase{"UnclosedQuote", "[x + 'a] b", "[,]", "{x + 'a] b}"},
                    // The first character of a longer delimiter alone is no delimiter.
                    BracketCase{"DelimiterStartAlone", "<%x < 3 %% 2%>!", "<%,%>", "{x < 3 %% 2}!"},
                    BracketCase{"NoExpressions", "kwota: 5", "[,]", "kwota: 5"},
                    BracketCase{"CustomDelimiters", "a <%x%> [b]", "<%,%>", "a {x} [b]"},
                    BracketCase{"EqualDelimiters", "%x% i %y%", "%,%", "{x} i {y}"},
                    BracketCase{"NoCommaKeepsDefault", "[x]", "{}", "{x}"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Expand, InsertedTextIsNotExpandedAgainAndIndexesCount) {
  std::vector<size_t> indexes;
  std::string out = expand("[a][b]", {}, [&](std::string_view, size_t i) {
    indexes.push_back(i);
    return std::string("[zzz]");
  });
  EXPECT_EQ(out, "[zzz][zzz]");
  EXPECT_EQ(indexes, (std::vector<size_t>{0, 1}));
}

// ---- Inline formats ---------------------------------------------------------------------------

struct InlineCase {
  const char* name;
  std::string text;
  std::string expression;
  bool has_format;
  FormatKind kind;
  std::string format_str, decimal;
};

class Inline : public testing::TestWithParam<InlineCase> {};

TEST_P(Inline, SplitsExpressionAndFormat) {
  const InlineCase& c = GetParam();
  InlineFormat f = split_inline_format(c.text);
  EXPECT_EQ(f.expression, c.expression);
  ASSERT_EQ(f.format.has_value(), c.has_format);
  if (!c.has_format) return;
  EXPECT_EQ(f.format->kind, c.kind);
  EXPECT_EQ(f.format->format_str, c.format_str);
  EXPECT_EQ(f.format->decimal_separator, c.decimal);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Inline,
    testing::Values(
        // The written separator is the one shown; the format string gets ".".
        InlineCase{"NumericComma", "<x> #n%2,2f", "<x>", true, FormatKind::Numeric, "%2.2f", ","},
        InlineCase{"NumericDash", "x #N0-00", "x", true, FormatKind::Numeric, "0.00", "-"},
        InlineCase{"Date", "Date #dyyyy-mm-dd", "Date", true, FormatKind::DateTime, "yyyy-mm-dd", ""},
        InlineCase{"Time", "Time #Thh:nn", "Time", true, FormatKind::DateTime, "hh:nn", ""},
        InlineCase{"Boolean", "<f> #bNie,Tak", "<f>", true, FormatKind::Boolean, "Nie,Tak", ""},
        InlineCase{"None", "<x> + 1", "<x> + 1", false, FormatKind::Text, "", ""},
        // A ")" after " #" means the number sign belongs to the expression.
        InlineCase{"ParenthesisAfter", "Format('%d #', x)", "Format('%d #', x)", false, FormatKind::Text, "",
                   ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Macros -----------------------------------------------------------------------------------

TEST(Macros, BracketedPageTotalAndCopyNameWaitForTheExport) {
  EXPECT_EQ(macro_text(" totalpages# "), "[TotalPages#]");
  EXPECT_EQ(macro_text("COPYNAME#"), "[CopyName#]");
  EXPECT_FALSE(macro_text("TotalPages"));
  EXPECT_EQ(extract_macros("Strona 2 z [TotalPages#]; [TOTALPAGES#] [copyname#] [Page#]", "7", "Kopia"),
            "Strona 2 z 7; 7 Kopia [Page#]");
}

}  // namespace
}  // namespace orvena::report::memo_text
