#include "core/datetime_format.h"

#include <cstdio>

#include "core/locale.h"

namespace orvena::core {

namespace {

// Indexed by day_of_week() - 1 (Sunday first) and by month - 1.
constexpr const char* kShortDayNames[] = {"niedz.", "pon.", "wt.", "śr.", "czw.", "pt.", "sob."};
constexpr const char* kLongDayNames[] = {"niedziela", "poniedziałek", "wtorek", "środa",
                                         "czwartek",  "piątek",       "sobota"};
constexpr const char* kShortMonthNames[] = {"sty", "lut", "mar", "kwi", "maj", "cze",
                                            "lip", "sie", "wrz", "paź", "lis", "gru"};
constexpr const char* kLongMonthNames[] = {"styczeń",  "luty",        "marzec",   "kwiecień",
                                           "maj",      "czerwiec",    "lipiec",   "sierpień",
                                           "wrzesień", "październik", "listopad", "grudzień"};

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool starts_with_ignore_case(std::string_view s, size_t at, std::string_view word) {
  if (s.size() - at < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (lower(s[at + i]) != word[i]) return false;
  return true;
}

std::string number(int v, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", digits, v);
  return buf;
}

// An am/pm marker anywhere in the format switches hours to the 12-hour clock.
bool uses_12_hour_clock(std::string_view fmt) {
  char quote = 0;
  for (size_t i = 0; i < fmt.size(); ++i) {
    if (quote) {
      if (fmt[i] == quote) quote = 0;
    } else if (fmt[i] == '"' || fmt[i] == '\'') {
      quote = fmt[i];
    } else if (starts_with_ignore_case(fmt, i, "am/pm") || starts_with_ignore_case(fmt, i, "a/p") ||
               starts_with_ignore_case(fmt, i, "ampm")) {
      return true;
    }
  }
  return false;
}

void append_formatted(std::string& out, std::string_view fmt, DateTime value, int depth);

}  // namespace

std::string format_datetime(std::string_view fmt, DateTime value) {
  std::string out;
  append_formatted(out, fmt, value, 0);
  return out;
}

namespace {

void append_formatted(std::string& out, std::string_view fmt, DateTime value, int depth) {
  DateParts p = decode(value);
  bool twelve = uses_12_hour_clock(fmt);
  char last_token = 0;
  for (size_t i = 0; i < fmt.size();) {
    char c = fmt[i];
    char t = lower(c);
    if (c == '"' || c == '\'') {
      size_t end = fmt.find(c, i + 1);
      if (end == std::string_view::npos) end = fmt.size();
      out.append(fmt.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    size_t run = 1;
    while (i + run < fmt.size() && lower(fmt[i + run]) == t) ++run;
    // "m" right after an hour is minutes, as in hh:mm.
    if (t == 'm' && last_token == 'h') t = 'n';
    if (t >= 'a' && t <= 'z') last_token = t;
    switch (t) {
      case 'd':
        if (run <= 2)
          out += number(p.day, static_cast<int>(run));
        else if (run == 3)
          out += kShortDayNames[day_of_week(value) - 1];
        else if (run == 4)
          out += kLongDayNames[day_of_week(value) - 1];
        else if (run == 5 || depth > 0)
          out += Locale::format_date(value);
        else
          append_formatted(out, "d mmmm yyyy", value, depth + 1);
        break;
      case 'm':
        if (run <= 2)
          out += number(p.month, static_cast<int>(run));
        else if (run == 3)
          out += kShortMonthNames[p.month - 1];
        else
          out += kLongMonthNames[p.month - 1];
        break;
      case 'y':
        out += run <= 2 ? number(p.year % 100, 2) : number(p.year, 4);
        break;
      case 'h': {
        int h = twelve ? (p.hour % 12 == 0 ? 12 : p.hour % 12) : p.hour;
        out += number(h, run >= 2 ? 2 : 1);
        break;
      }
      case 'n':
        out += number(p.minute, run >= 2 ? 2 : 1);
        break;
      case 's':
        out += number(p.second, run >= 2 ? 2 : 1);
        break;
      case 'z':
        out += number(p.millisecond, run >= 2 ? 3 : 1);
        break;
      case 't':
        out += run == 1 ? number(p.hour, 2) + ":" + number(p.minute, 2) : Locale::format_time(value);
        break;
      case 'c':
        out += Locale::format_datetime(value);
        run = 1;
        break;
      case 'a':
        if (starts_with_ignore_case(fmt, i, "am/pm")) {
          // The marker keeps the letter case it was written in.
          std::string_view word = p.hour < 12 ? fmt.substr(i, 2) : fmt.substr(i + 3, 2);
          out.append(word);
          run = 5;
        } else if (starts_with_ignore_case(fmt, i, "a/p")) {
          out += p.hour < 12 ? fmt[i] : fmt[i + 2];
          run = 3;
        } else if (starts_with_ignore_case(fmt, i, "ampm")) {
          out += p.hour < 12 ? "AM" : "PM";
          run = 4;
        } else {
          out.append(fmt.substr(i, run));
        }
        break;
      case '/':
        out.append(run, Locale::kDateSeparator);
        break;
      case ':':
        out.append(run, Locale::kTimeSeparator);
        break;
      default:
        out.append(fmt.substr(i, run));
        break;
    }
    i += run;
  }
}

}  // namespace

}  // namespace orvena::core
