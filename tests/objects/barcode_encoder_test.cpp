// The encoder on its own: bar patterns of the symbologies no reader here decodes, check digits,
// the element widths a ratio gives, escapes, and the errors for text a symbology cannot encode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/error.h"
#include "objects/barcode_encoder.h"

namespace orvena::objects {
namespace {

using T = BarcodeType;

// The pattern as modules: "1" for each module of a bar, "0" for each of a space.
std::string modules(const std::string& pattern, T type, double ratio = 2) {
  auto widths = element_widths(type, ratio);
  std::string out;
  for (char c : pattern) {
    bool bar = c >= '5';
    int kind = c >= 'A' ? c - 'A' : bar ? c - '5' : c - '0';
    out.append(size_t(widths[kind]), bar ? '1' : '0');
  }
  return out;
}

// POSTNET's bars by height: "|" tall, "." short.
std::string heights(const std::string& pattern) {
  std::string out;
  for (char c : pattern)
    if (c == '5' || c == 'A') out += c == '5' ? '|' : '.';
  return out;
}

TEST(BarcodeEncoder, PatternsOfTheSymbologiesWithoutAReader) {
  struct Row {
    const char* name;
    T type;
    const char* text;
    bool check;
    std::string expected;  // modules at the narrow-to-wide ratio 1:2
  } rows[] = {
      // Industrial 2 of 5: data in the bars only (two of five wide, weights 1 2 4 7 and parity),
      // every space narrow; start bars wide-wide-narrow, stop wide-narrow-wide. The two-out-of-
      // five table and the start and stop are those of the "Two-out-of-five code" and "Industrial
      // 2 of 5" descriptions on Wikipedia ("11011010" start, "1101011" stop).
      {"industrial 1", T::Industrial2of5, "1", false,
       "11011010"
       "110101010110"
       "1101011"},
      {"industrial 09", T::Industrial2of5, "09", false,
       "11011010"
       "101011011010"
       "101101011010"
       "1101011"},
      // Matrix 2 of 5: three bars and two spaces from the same table (0 = NNWWN, 7 = NNNWW),
      // a narrow gap after each digit, start and stop a wide bar followed by narrow elements
      // ("Matrix 2 of 5", Wikipedia).
      {"matrix 0", T::Matrix2of5, "0", false,
       "1101010"
       "1011001"
       "0"
       "110101"},
      {"matrix 7", T::Matrix2of5, "7", false,
       "1101010"
       "1010011"
       "0"
       "110101"},
      // MSI: start "110", each digit four bits highest first, 1 = "110" and 0 = "100", stop
      // "1001"; 1234 has the modulo-10 check digit 4 (the example of Wikipedia's "MSI Barcode").
      {"msi 1234", T::Msi, "1234", false,
       "110"
       "100100100110"
       "100100110100"
       "100100110110"
       "100110100100"
       "1001"},
      {"msi 1234 check", T::Msi, "1234", true,
       "110"
       "100100100110"
       "100100110100"
       "100100110110"
       "100110100100"
       "100110100100"
       "1001"},
  };
  for (const Row& r : rows) {
    EncodedBarcode e = encode_barcode(r.type, r.text, r.check);
    EXPECT_EQ(modules(e.pattern, r.type), r.expected) << r.name;
  }
}

TEST(BarcodeEncoder, PostnetBarsByHeightWithTheirCheckDigit) {
  // USPS Publication 25 / DMM 708.4: frame bars tall; each digit five bars weighted 7 4 2 1 0,
  // two of them tall (0 = 7 + 4); the check digit makes the sum of all digits a multiple of 10.
  struct Row {
    const char* text;
    std::string expected;
  } rows[] = {
      {"55555",
       "|"
       ".|.|."
       ".|.|."
       ".|.|."
       ".|.|."
       ".|.|."
       ".|.|."
       "|"},  // check digit 5
      {"555551237",
       "|"
       ".|.|."
       ".|.|."
       ".|.|."
       ".|.|."
       ".|.|."
       "...||"
       "..|.|"
       "..||."
       "|...|"
       "..|.|"
       "|"},
      {"0",
       "|"
       "||..."
       "||..."
       "|"},  // 0 needs the check digit 0
  };
  for (const Row& r : rows) {
    EncodedBarcode e = encode_barcode(T::PostNet, r.text, false);
    EXPECT_EQ(heights(e.pattern), r.expected) << r.text;
    EXPECT_EQ(e.text, r.text);
  }
}

TEST(BarcodeEncoder, CheckDigitsAreAppendedToShortTextsAndShown) {
  struct Row {
    T type;
    const char* text;
    bool check;
    const char* shown;
  } rows[] = {
      {T::Ean13, "400638133393", false, "4006381333931"},  // the example of Wikipedia's EAN-13 article
      {T::Ean13, "4006381333931", false, "4006381333931"},
      {T::Ean13, "4006381333930", true, "4006381333931"},  // worked out again on request
      {T::Ean8, "9638507", false, "96385074"},
      {T::UpcA, "03600029145", false, "036000291452"},
      {T::UpcE0, "425261", false, "4252614"},  // stands for UPC-A 04210000526, check digit 4
      {T::Interleaved2of5, "1234567", true, "12345670"},
      {T::Code39, "ABC", true, "ABC"},  // the check character is in the bars only
      {T::Msi, "1234", true, "12344"},
  };
  for (const Row& r : rows) EXPECT_EQ(encode_barcode(r.type, r.text, r.check).text, r.shown) << r.text;

  // Code 39's modulo-43 character: A + B + C = 10 + 11 + 12 = 33 is "X"; with it the pattern is
  // one character (ten elements) longer.
  EXPECT_EQ(encode_barcode(T::Code39, "ABC", true).pattern, encode_barcode(T::Code39, "ABCX", false).pattern);
}

// The left digits' parities: A (odd, an odd number of bar modules) or B (even).
std::string parities(const std::string& pattern) {
  std::string m = modules(pattern, T::UpcE0).substr(3, 42);  // after the start guard
  std::string out;
  for (size_t d = 0; d < 42; d += 7) out += std::count(m.begin() + d, m.begin() + d + 7, '1') % 2 ? 'A' : 'B';
  return out;
}

TEST(BarcodeEncoder, UpcENumberSystemsChooseTheirParitiesByTheCheckDigit) {
  // GS1 General Specifications, UPC-E: number system 0 with check digit 4 is BABBAA (B = even),
  // 1 is BBABAA; number system 1 takes the opposite parities. 425261 stands for UPC-A
  // 04210000526 (check digit 4) and 14210000526 (check digit 1).
  EXPECT_EQ(parities(encode_barcode(T::UpcE0, "425261", false).pattern), "BABBAA");
  EXPECT_EQ(parities(encode_barcode(T::UpcE1, "425261", false).pattern), "AABABB");
  EXPECT_EQ(encode_barcode(T::UpcE1, "425261", false).text, "4252611");
  // Each digit keeps its widths whatever its parity: only the order of its elements changes.
  EXPECT_EQ(encode_barcode(T::UpcE0, "425261", false).pattern.size(),
            encode_barcode(T::UpcE1, "425261", false).pattern.size());
}

TEST(BarcodeEncoder, ErrorsForTextTheSymbologyCannotEncode) {
  struct Row {
    const char* name;
    T type;
    const char* text;
    const char* error;
  } rows[] = {
      {"letter in EAN-13", T::Ean13, "40063813339A", "Barcode must be numeric"},
      {"letter in 2 of 5", T::Interleaved2of5, "12a4", "Barcode must be numeric"},
      {"letter in Code 128 C", T::Code128C, "12&1;3A", "Barcode must be numeric"},
      {"short EAN-8", T::Ean8, "123", "Invalid Text len (EAN8)"},
      {"empty EAN-13", T::Ean13, "  ", "Invalid Text len (EAN13)"},
      {"long UPC-A", T::UpcA, "1234567890123", "Invalid Text len (UPC_A)"},
      {"UPC-E", T::UpcE1, "12345", "Invalid Text len (UPC_E)"},
      {"add-on 5", T::UpcSupp5, "1234", "Invalid Text len (UPC_Supp5)"},
      {"odd Code 128 C", T::Code128C, "123", "Invalid Text len (Code128C)"},
      {"lower case in Code 39", T::Code39, "abc", "Barcode contains invalid characters"},
      {"lower case in Code 128 A", T::Code128A, "Ab", "Barcode contains invalid characters"},
      {"control in Code 128 B", T::Code128B, "A\tB", "Barcode contains invalid characters"},
      {"Polish letter in Code 128", T::Code128, "Łódź", "Barcode contains invalid characters"},
      {"Polish letter in Code 93 full ASCII", T::Code93Extended, "ż", "Barcode contains invalid characters"},
      {"guard inside Codabar", T::Codabar, "A12B34B", "Barcode contains invalid characters"},
      {"shift at the end", T::Code128, "AB&S;", "Barcode contains invalid characters"},
  };
  for (const Row& r : rows) {
    try {
      encode_barcode(r.type, r.text, false);
      ADD_FAILURE() << r.name << ": no error";
    } catch (const core::Error& e) {
      EXPECT_STREQ(e.what(), r.error) << r.name;
    }
  }
  EXPECT_THROW(barcode_type(25), core::Error);
  EXPECT_THROW(barcode_type(-1), core::Error);
  EXPECT_THROW(pattern_width("5x0", {1, 2, 3, 4}), core::Error);
}

TEST(BarcodeEncoder, EmptyTextGivesNoBarsInVariableLengthSymbologies) {
  for (T type : {T::Code39, T::Code128, T::Ean128, T::Codabar, T::Interleaved2of5, T::PostNet, T::Code93})
    EXPECT_EQ(encode_barcode(type, "", true).pattern, "") << int(type);
}

TEST(BarcodeEncoder, RatioIsHeldToItsRangeExceptForModuleSymbologies) {
  using W = std::array<int, 4>;
  EXPECT_EQ(element_widths(T::Code39, 2), (W{1, 2, 3, 4}));
  EXPECT_EQ(element_widths(T::Code39, 5), (W{1, 3, 4, 6}));    // as 3
  EXPECT_EQ(element_widths(T::Code39, 1), (W{1, 2, 3, 4}));    // as 2
  EXPECT_EQ(element_widths(T::Code39, 2.5), (W{1, 2, 3, 4}));  // rounded half to even
  EXPECT_EQ(element_widths(T::Code39, std::nan("")), (W{1, 2, 3, 4}));
  EXPECT_EQ(element_widths(T::Matrix2of5, 2.6), (W{1, 3, 4, 6}));
  // Code 128's elements are one to four modules, whatever the ratio says.
  for (double ratio : {0.0, 1.0, 3.0, -7.0}) EXPECT_EQ(element_widths(T::Code128, ratio), (W{1, 2, 3, 4}));
}

TEST(BarcodeEncoder, Code128EscapesAreFunctionCodesAndLeaveTheShownText) {
  EncodedBarcode e = encode_barcode(T::Code128, "AB&1;12", false);
  EXPECT_EQ(e.text, "AB12");
  // Start B, A, B, FNC1, "1", "2", check, stop: six symbols of 11 modules and a stop of 13.
  EXPECT_EQ(pattern_width(e.pattern, element_widths(T::Code128, 2)), 7 * 11 + 13);
  // The same text without the escape is one symbol shorter.
  EXPECT_EQ(pattern_width(encode_barcode(T::Code128, "AB12", false).pattern, {1, 2, 3, 4}), 6 * 11 + 13);
  // A run of digits goes in set C: start C and three pairs, check, stop.
  EXPECT_EQ(pattern_width(encode_barcode(T::Code128, "123456", false).pattern, {1, 2, 3, 4}), 5 * 11 + 13);

  // A long text is no special case: 500 characters of set B, start, check and stop.
  std::string text(500, 'x');
  EXPECT_EQ(pattern_width(encode_barcode(T::Code128, text, false).pattern, {1, 2, 3, 4}), 502 * 11 + 13);
}

}  // namespace
}  // namespace orvena::objects
