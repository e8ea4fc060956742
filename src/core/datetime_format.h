#pragma once
// Date-time format strings (FormatDateTime and the date-time display format): d dd ddd dddd
// ddddd dddddd, m mm mmm mmmm (minutes right after an hour), yy yyyy, h hh, n nn, s ss, z zzz,
// t tt, c, am/pm a/p ampm (12-hour clock), / and : the locale's separators, quoted literals.
// Specifiers ignore case; day and month names are Polish.
#include <string>
#include <string_view>

#include "core/datetime.h"

namespace orvena::core {

std::string format_datetime(std::string_view fmt, DateTime value);

}  // namespace orvena::core
