#include "runner/date_variables.h"

#include <cmath>
#include <cstdint>
#include <optional>

#include "core/encoding.h"
#include "core/error.h"
#include "core/integer.h"
#include "core/locale.h"
#include "core/text.h"

namespace orvena::runner {

namespace {

constexpr std::string_view kOpen = "[<data";
constexpr std::string_view kClose = ">]";

void erase_trailing_blanks(std::string& s) {
  size_t e = s.size();
  while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  s.erase(e);
}

// Today moved by the offset, as a short date.
std::string offset_date(std::string_view offset, const core::Clock& clock) {
  core::DateTime d = clock.now();
  if (!offset.empty()) {
    size_t pos = 0;
    char32_t sign = core::next_code_point(offset, pos);
    std::string number = core::trim(offset.substr(pos));
    // Offsets are 32-bit, as the platform's conversion reads them.
    const int64_t n = core::parse_integer(number, INT32_MIN, INT32_MAX);
    if (sign == '-') d -= static_cast<double>(n);
    if (sign == '+') d += static_cast<double>(n);
  }
  // Offsets are 32-bit, so the date can leave the calendar the formatter knows.
  static const double kFirst = core::encode_date(1, 1, 1);
  static const double kPastLast = core::encode_date(9999, 12, 31) + 1;
  if (!(std::floor(d) >= kFirst && std::floor(d) < kPastLast))
    throw core::Error("Invalid argument to date encode");
  return core::Locale::format_date(d);
}

}  // namespace

// Works through the text once, left to right, instead of rebuilding it for every variable: the
// text before a variable, trimmed at its end, followed by " date " and then the rest, is what
// repeated rebuilding gives, because a date cannot form a new "[<data" with its neighbours.
std::string Wstaw_daty(std::string_view ciag, const core::Clock& clock) {
  std::string p;
  p.reserve(ciag.size() + 2);
  p += ' ';
  p += ciag;
  p += ' ';

  std::string out;
  size_t pos = 0;
  bool closes_left = true;  // once no ">]" is found, none is found further on either
  for (;;) {
    size_t i = p.find(kOpen, pos);
    if (i == std::string::npos) break;
    out.append(p, pos, i - pos);
    erase_trailing_blanks(out);

    size_t after = i + kOpen.size();
    size_t j = closes_left ? p.find(kClose, after) : std::string::npos;
    std::string offset;
    if (j == std::string::npos) {
      closes_left = false;
      // No closing ">]": the character after "[<data" is dropped instead.
      pos = after;
      if (pos < p.size()) core::next_code_point(p, pos);
    } else {
      offset = core::trim(std::string_view(p).substr(after, j - after));
      pos = j + kClose.size();
    }
    out += ' ';
    out += offset_date(offset, clock);
    out += ' ';
  }
  out.append(p, pos);
  return core::trim(out);
}

}  // namespace orvena::runner
