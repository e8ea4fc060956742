#include "core/quote.h"

#include "core/text.h"

namespace orvena::core {

std::string quoted_excerpt(std::string_view s, size_t max_chars) {
  if (s.size() <= max_chars) return std::string(s);  // never more code points than bytes
  const size_t end = utf8_offset(s, max_chars);
  if (end == s.size()) return std::string(s);
  return std::string(s.substr(0, end)) + "...";
}

}  // namespace orvena::core
