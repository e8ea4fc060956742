// Base64 (RFC 4648): padding of the last group, and the MIME body form of 76-character lines.
#include <gtest/gtest.h>

#include <string>

#include "core/base64.h"

namespace orvena::core {
namespace {

TEST(Base64, PaddingAndLinesOf76) {
  EXPECT_EQ(base64_encode(""), "");
  EXPECT_EQ(base64_encode("f"), "Zg==");
  EXPECT_EQ(base64_encode("fo"), "Zm8=");
  EXPECT_EQ(base64_encode("foo"), "Zm9v");
  EXPECT_EQ(base64_encode("\xFF\xFE\xFD"), "//79");
  EXPECT_EQ(base64_lines(""), "");
  std::string l57 = base64_lines(std::string(57, 'a'));
  EXPECT_EQ(l57.size(), 78u);
  EXPECT_EQ(l57.find("\r\n"), 76u);
  std::string l58 = base64_lines(std::string(58, 'a'));
  EXPECT_EQ(l58.substr(78), "YQ==\r\n");
}

}  // namespace
}  // namespace orvena::core
