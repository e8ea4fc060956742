#include "core/text.h"

#include <gtest/gtest.h>

#include "core/encoding.h"

namespace orvena::core {
namespace {

TEST(Trim, RemovesCodesUpTo32OnBothSidesOnly) {
  EXPECT_EQ(trim("\t \x01 a b \r\n\x1F"), "a b");
  EXPECT_EQ(trim(" \u00A0x"), "\u00A0x");  // a no-break space is not a blank (code 160)
  EXPECT_EQ(trim("   "), "");
  EXPECT_EQ(trim_left("  a "), "a ");
  EXPECT_EQ(trim_right("  a \t"), "  a");
}

TEST(Case, PolishLettersMapBothWays) {
  EXPECT_EQ(to_upper("zażółć gęślą jaźń"), "ZAŻÓŁĆ GĘŚLĄ JAŹŃ");
  EXPECT_EQ(to_lower("ZAŻÓŁĆ GĘŚLĄ JAŹŃ"), "zażółć gęślą jaźń");
  EXPECT_TRUE(equals_ignore_case("Środa", "śRODA"));
  EXPECT_FALSE(equals_ignore_case("Środa", "Sroda"));
  EXPECT_EQ(find_ignore_case("xx[RAPORT_END]", "[raport_end]"), 2u);
  EXPECT_EQ(find_ignore_case("abc", "d"), std::string::npos);
}

// The order of field maps and name lookups: ASCII compares byte by byte, other letters by their
// lower-case code points, and the two paths must agree where they meet.
TEST(Case, CompareIgnoringCaseOrdersByLowerCaseCodePoints) {
  struct Row {
    std::string_view a, b;
    int sign;
  } rows[] = {
      {"kwota", "KWOTA", 0},
      {"Kwota", "kwotb", -1},
      {"abc", "ab", 1},  // a longer text after its prefix
      {"", "a", -1},
      {"_x", "ax", -1},  // '_' (95) before 'a' (97) once 'A' is folded, not after it
                         // as 'A' (65) would be
      {"Źródło", "źRÓDŁO", 0},
      {"z", "ż", -1},  // ASCII meets a two-byte letter
      {"ł", "Ł", 0},
      {"ą", "b", 1},        // by code point, not by alphabet
      {"\xC5", "\xC5", 0},  // a cut sequence compares as U+FFFD on both sides
  };
  for (const Row& r : rows) {
    int got = compare_ignore_case(r.a, r.b);
    EXPECT_EQ((got > 0) - (got < 0), r.sign) << r.a << " vs " << r.b;
    int back = compare_ignore_case(r.b, r.a);
    EXPECT_EQ((back > 0) - (back < 0), -r.sign) << r.b << " vs " << r.a;
    EXPECT_EQ(equals_ignore_case(r.a, r.b), r.sign == 0) << r.a << " vs " << r.b;
  }
}

TEST(SplitLines, EveryLineEndAndEmptyLines) {
  EXPECT_EQ(split_lines("a\r\n\r\nb\rc\n"), (std::vector<std::string>{"a", "", "b", "c"}));
  EXPECT_TRUE(split_lines("").empty());
  EXPECT_EQ(split_lines("\n"), (std::vector<std::string>{""}));
}

TEST(Utf8, CountsCodePointsAndSurvivesMalformedBytes) {
  EXPECT_EQ(utf8_length("żółw"), 4u);
  EXPECT_EQ(utf8_substr("żółwik", 1, 3), "ółw");
  EXPECT_EQ(utf8_substr("ab", 5, 2), "");
  EXPECT_FALSE(is_valid_utf8("\xC5"));
  EXPECT_FALSE(is_valid_utf8("\xE0\x80\x80"));  // overlong
  EXPECT_TRUE(is_valid_utf8("ż\uFFFD"));
  EXPECT_EQ(utf8_length("\xFF\xC5"), 2u);
}

TEST(CodePages, PolishLettersInEachPage) {
  const std::string polish = "ąćęłńóśźżĄĆĘŁŃÓŚŹŻ";
  EXPECT_EQ(from_utf8(polish, CodePage::Windows1250),
            "\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF");
  EXPECT_EQ(from_utf8(polish, CodePage::Iso8859_2),
            "\xB1\xE6\xEA\xB3\xF1\xF3\xB6\xBC\xBF\xA1\xC6\xCA\xA3\xD1\xD3\xA6\xAC\xAF");
  EXPECT_EQ(from_utf8("ął", CodePage::Oem852), "\xA5\x88");
  for (auto page : {CodePage::Windows1250, CodePage::Iso8859_2, CodePage::Oem852})
    EXPECT_EQ(to_utf8(from_utf8(polish, page), page), polish);
  // Runs of ASCII between letters, at the start and at the end, as a delimited value has them.
  EXPECT_EQ(from_utf8("Zażółć gęślą; \"jaźń\" 12,5 zł!", CodePage::Windows1250),
            "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9; \"ja\x9F\xF1\" 12,5 z\xB3!");
}

}  // namespace
}  // namespace orvena::core
