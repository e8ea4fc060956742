// The quick check of a cell text that is a number as the default display format writes it,
// against the round trip it stands in for: formatting the number read from the text.
#include "export/xlsx/number_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

#include "core/variant.h"
#include "report/memo/memo_text.h"

namespace orvena::exporting::xlsx {
namespace {

// What the writer compares with: the number read from the text (decimal comma), formatted.
bool formats_back(const std::string& text) {
  std::string plain = text;
  for (char& c : plain)
    if (c == ',') c = '.';
  double d = 0;
  auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), d);
  if (ec != std::errc() || end != plain.data() + plain.size()) return false;
  return report::memo_text::format_data(core::Variant(d), report::DisplayFormat()) == text;
}

TEST(XlsxNumberText, TellsTheDefaultFormFromOtherTexts) {
  struct Case {
    const char* text;
    bool number;
  };
  const Case cases[] = {
      {"0", true},
      {"7", true},
      {"-12", true},
      {"0,01", true},
      {"-0,5", true},
      {"1234,56", true},
      {"0,0001", true},                // the smallest without an exponent
      {"999999999999999", true},       // 15 digits
      {"12345678901234,5", true},      // 15 significant digits
      {"0,000123456789012345", true},  // 15 after the zeros
      {"-0", false},                   // written "0"
      {"007", false},
      {"12,30", false},             // written "12,3"
      {"0,00001", false},           // written with an exponent
      {"1234567890123456", false},  // beyond a double's exact digits
      {"1.5", false},               // the separator is a comma
      {"1,", false},
      {",5", false},
      {"-", false},
      {"", false},
      {"1e3", false},
      {"12 szt.", false},
      {"2024-01-02", false},
  };
  for (const Case& c : cases) EXPECT_EQ(default_number_text(c.text), c.number) << c.text;
}

// Every text the check accepts must be one the round trip accepts too: a wrong yes would turn a
// text into a different number in the sheet. And the forms the format itself writes are accepted,
// or the check would save nothing.
TEST(XlsxNumberText, AcceptsOnlyWhatFormatsBack) {
  std::vector<std::string> texts;
  // Every text of up to five characters from digits, comma and minus.
  const std::string alphabet = "019,-";
  std::vector<std::string> level = {""};
  for (int length = 1; length <= 5; ++length) {
    std::vector<std::string> next;
    for (const std::string& t : level)
      for (char c : alphabet) next.push_back(t + c);
    texts.insert(texts.end(), next.begin(), next.end());
    level = std::move(next);
  }
  for (const char* t : {"0,0001", "0,00012", "0,00001", "999999999999999", "9999999999999999",
                        "0,999999999999999", "0,9999999999999999", "123456789,123456", "123456789,12345"})
    texts.push_back(t);
  for (const std::string& t : texts)
    if (default_number_text(t)) {
      EXPECT_TRUE(formats_back(t)) << t;
    }

  for (int i = -2000; i <= 100000; i += 7)
    for (double d : {double(i), i / 100.0, i / 10000.0, i * 1e9}) {
      std::string text = report::memo_text::format_data(core::Variant(d), report::DisplayFormat());
      if (text.find('E') == std::string::npos) {
        EXPECT_TRUE(default_number_text(text)) << text;
      }
    }
}

}  // namespace
}  // namespace orvena::exporting::xlsx
