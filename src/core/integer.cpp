#include "core/integer.h"

#include <charconv>
#include <string>

#include "core/error.h"

namespace orvena::core {

std::optional<int64_t> try_parse_integer(std::string_view text, int64_t min, int64_t max) {
  const char* first = text.data();
  const char* last = first + text.size();
  // from_chars takes a minus but no plus; a sign alone is no number.
  if (first != last && *first == '+' && last - first > 1 && first[1] != '-') ++first;
  int64_t value = 0;
  auto [end, ec] = std::from_chars(first, last, value);
  if (first == last || ec != std::errc() || end != last || value < min || value > max) return std::nullopt;
  return value;
}

int64_t parse_integer(std::string_view text, int64_t min, int64_t max) {
  if (auto value = try_parse_integer(text, min, max)) return *value;
  throw Error("'" + std::string(text) + "' is not a valid integer value");
}

}  // namespace orvena::core
