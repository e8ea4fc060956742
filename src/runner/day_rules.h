#pragma once
// When a definition is due: on a weekday whose flag in dni_raportu is "1", or on a day whose
// month-day key ("mm-dd") is listed in daty. Either is enough; neither replaces the other.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/datetime.h"

namespace orvena::runner {

// Weekday names by day-of-week number (1 = Sunday ... 7 = Saturday); "" outside 1..7.
std::string_view weekday_name(int day_of_week);
// The weekday name of a date ("pon" for a Monday).
std::string_view weekday_name_of(core::DateTime date);

// Position of a weekday name in dni_raportu: "pon" 1 ... "nie" 7; 0 for any other text.
int weekday_flag_position(std::string_view name);

// True when dni_raportu has "1" at the position of that weekday. Only that position is looked
// at; a text shorter than seven characters counts its missing positions as "0".
bool weekday_flag_set(std::string_view dni_raportu, std::string_view weekday_name);

// The month-day key of a date: its short date without the year and hyphen, e.g. "03-31".
std::string month_day_key(core::DateTime date);

// True when daty holds an entry equal to the key, letter case ignored. An entry of any other
// form (02-31, 3-31) never matches.
bool month_day_listed(const std::vector<std::string>& daty, std::string_view key);

// The editor's seven check boxes, Monday to Sunday, and the text they make.
inline constexpr std::array<std::string_view, 7> kWeekdayLabels = {"pn", "wt", "śr", "cz", "pt", "so", "nd"};
// "1" for a ticked box, "0" for a clear one, in label order.
std::string weekday_text(const std::array<bool, 7>& ticked);
// Box k is ticked when the k-th character is "1"; positions past the end count as clear.
std::array<bool, 7> weekday_boxes(std::string_view dni_raportu);

}  // namespace orvena::runner
