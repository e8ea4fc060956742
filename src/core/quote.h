#pragma once
// What a message quotes of a text that may be huge (an expression, a value): its first
// `max_chars` code points, and "..." when it was longer, so one bad object cannot write a
// megabyte into the log.
#include <cstddef>
#include <string>
#include <string_view>

namespace orvena::core {

inline constexpr size_t kMaxQuotedChars = 200;
std::string quoted_excerpt(std::string_view s, size_t max_chars = kMaxQuotedChars);

}  // namespace orvena::core
