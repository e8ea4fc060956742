#pragma once
// What the result set's reading and building halves share: the powers of ten of scaled decimals
// and the reading of one stored value back as a Variant.
#include <charconv>
#include <cstdint>
#include <string>

#include "core/variant.h"
#include "db/result_set.h"

namespace orvena::db::detail {

inline constexpr int64_t kPow10[] = {1,
                                     10,
                                     100,
                                     1000,
                                     10000,
                                     100000,
                                     1000000,
                                     10000000,
                                     100000000,
                                     1000000000,
                                     10000000000,
                                     100000000000,
                                     1000000000000,
                                     10000000000000,
                                     100000000000000,
                                     1000000000000000,
                                     10000000000000000,
                                     100000000000000000,
                                     1000000000000000000};
static_assert(std::size(kPow10) == kMaxScaledDigits + 1);

inline void append_int(std::string& out, int64_t v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

// 64-bit kinds stay 64-bit; the others give a 32-bit integer when the value fits one.
core::Variant variant_of_integer(int64_t v, FieldKind kind);
core::Variant column_value(const Column& c, size_t row);

}  // namespace orvena::db::detail
