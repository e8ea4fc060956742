#include "core/datetime.h"

#include <sys/time.h>

#include <cmath>
#include <ctime>

#include "core/error.h"

namespace orvena::core {

namespace {
// Day number of 1899-12-30 when 0001-01-01 is day 1.
constexpr long kDelta = 693594;
constexpr double kMsPerDay = 86400000.0;
// Beyond any calendar date anyone writes, and far inside what the millisecond arithmetic of
// decode() can hold (10^9 days are under 10^17 ms; a long long holds 9·10^18).
constexpr double kMaxDays = 1e9;

long days_before_year(int year) {
  long y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400;
}
}  // namespace

bool is_leap_year(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int days_in_month(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && is_leap_year(year) ? 29 : kDays[month - 1];
}

bool try_encode_date(int year, int month, int day, DateTime& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > days_in_month(year, month))
    return false;
  long days = days_before_year(year);
  for (int m = 1; m < month; ++m) days += days_in_month(year, m);
  days += day;
  out = static_cast<double>(days - kDelta);
  return true;
}

DateTime encode_date(int year, int month, int day) {
  DateTime out;
  if (!try_encode_date(year, month, day, out)) throw Error("Invalid argument to date encode");
  return out;
}

DateTime encode_time(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
      millisecond > 999)
    throw Error("Invalid argument to time encode");
  return ((hour * 3600000.0) + minute * 60000.0 + second * 1000.0 + millisecond) / kMsPerDay;
}

DateParts decode(DateTime value) {
  // The comparison also refuses NaN.
  if (!(std::fabs(value) <= kMaxDays))
    throw Error("Could not convert variant of type (Double) into type (Date)");
  DateParts p;
  // Work in whole milliseconds so 23:59:59.9996 rounds into the next day consistently.
  double total_ms = std::round(value * kMsPerDay);
  long long ms = static_cast<long long>(total_ms);
  long long day_ms = 86400000LL;
  long long days = ms / day_ms;
  long long rest = ms % day_ms;
  if (rest < 0) {
    // Negative values count days backwards while the time of day stays positive.
    rest = -rest;
  }
  p.hour = static_cast<int>(rest / 3600000);
  p.minute = static_cast<int>(rest / 60000 % 60);
  p.second = static_cast<int>(rest / 1000 % 60);
  p.millisecond = static_cast<int>(rest % 1000);

  long n = static_cast<long>(days) + kDelta - 1;  // days since 0001-01-01
  if (n < 0) return p;
  int year = static_cast<int>(n / 365.2425) + 1;
  while (days_before_year(year) > n) --year;
  while (days_before_year(year + 1) <= n) ++year;
  long left = n - days_before_year(year);
  int month = 1;
  while (left >= days_in_month(year, month)) left -= days_in_month(year, month++);
  p.year = year;
  p.month = month;
  p.day = static_cast<int>(left) + 1;
  return p;
}

int day_of_week(DateTime value) {
  if (!(std::fabs(value) <= kMaxDays))
    throw Error("Could not convert variant of type (Double) into type (Date)");
  long long days = static_cast<long long>(std::floor(value));
  // 1899-12-30 was a Saturday (7).
  long long d = (days + 6) % 7;
  if (d < 0) d += 7;
  return static_cast<int>(d) + 1;
}

DateTime SystemClock::now() const {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  std::tm tm{};
  time_t secs = tv.tv_sec;
  localtime_r(&secs, &tm);
  return encode_date(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) +
         encode_time(tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec,
                     static_cast<int>(tv.tv_usec / 1000));
}

int utc_offset_minutes(DateTime local) {
  DateParts p = decode(local);
  std::tm tm{};
  tm.tm_year = p.year - 1900;
  tm.tm_mon = p.month - 1;
  tm.tm_mday = p.day;
  tm.tm_hour = p.hour;
  tm.tm_min = p.minute;
  tm.tm_sec = p.second;
  tm.tm_isdst = -1;
  time_t t = mktime(&tm);
  std::tm local_tm{};
  localtime_r(&t, &local_tm);
  return static_cast<int>(local_tm.tm_gmtoff / 60);
}

}  // namespace orvena::core
