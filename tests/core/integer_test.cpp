#include "core/integer.h"

#include <gtest/gtest.h>

#include "core/error.h"

namespace orvena::core {
namespace {

TEST(ParseInteger, SignDigitsAndRange) {
  struct Case {
    const char* text;
    std::optional<int64_t> value;
  } cases[] = {
      {"42", 42},
      {"+7", 7},
      {"-7", -7},
      {"007", 7},
      {"9223372036854775807", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"9223372036854775808", std::nullopt},  // one past the range
      {"", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"+-1", std::nullopt},
      {" 1", std::nullopt},  // callers trim what they take from files
      {"1 ", std::nullopt},
      {"1.0", std::nullopt},
      {"0x10", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(try_parse_integer(c.text), c.value) << '"' << c.text << '"';
}

TEST(ParseInteger, TheCallersRangeAndTheMessage) {
  EXPECT_EQ(try_parse_integer("65535", 1, 65535), 65535);
  EXPECT_EQ(try_parse_integer("65536", 1, 65535), std::nullopt);
  EXPECT_EQ(try_parse_integer("0", 1, 65535), std::nullopt);
  try {
    parse_integer("2147483648", INT32_MIN, INT32_MAX);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "'2147483648' is not a valid integer value");
  }
}

}  // namespace
}  // namespace orvena::core
