#pragma once
// Date-times as a floating-point count of days since 1899-12-30 (the integral part is the date,
// the fraction the time of day), the form shared by the database layer, the report engine and
// the script language.
#include <memory>

namespace orvena::core {

using DateTime = double;

struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

bool is_leap_year(int year);
int days_in_month(int year, int month);
// Throws core::Error for an impossible date or time.
DateTime encode_date(int year, int month, int day);
DateTime encode_time(int hour, int minute, int second, int millisecond = 0);
bool try_encode_date(int year, int month, int day, DateTime& out);
// Throws core::Error (the conversion error) for a value no calendar can show: NaN, infinite, or
// more than 10^9 days from 1899-12-30.
DateParts decode(DateTime value);
// 1 = Sunday ... 7 = Saturday.
int day_of_week(DateTime value);

// "Now" comes from a clock so that tests can fix the date and cross midnight.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime now() const = 0;
};

class SystemClock final : public Clock {
 public:
  DateTime now() const override;
};

// A clock the caller sets by hand.
class FixedClock final : public Clock {
 public:
  explicit FixedClock(DateTime t) : m_now(t) {}
  DateTime now() const override { return m_now; }
  void set(DateTime t) { m_now = t; }

 private:
  DateTime m_now;
};

// Local time-zone bias in minutes east of UTC at the given local date-time.
int utc_offset_minutes(DateTime local);

}  // namespace orvena::core
