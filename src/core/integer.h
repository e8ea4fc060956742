#pragma once
// Whole numbers as the platform's integer conversion reads them: an optional sign and decimal
// digits, nothing else, within the caller's range.
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace orvena::core {

std::optional<int64_t> try_parse_integer(std::string_view text,
                                         int64_t min = std::numeric_limits<int64_t>::min(),
                                         int64_t max = std::numeric_limits<int64_t>::max());

// Raises core::Error "'text' is not a valid integer value" for anything try_parse_integer refuses.
int64_t parse_integer(std::string_view text, int64_t min = std::numeric_limits<int64_t>::min(),
                      int64_t max = std::numeric_limits<int64_t>::max());

}  // namespace orvena::core
