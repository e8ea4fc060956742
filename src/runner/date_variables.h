#pragma once
// Date variables in a definition's SQL lines, file name and mail subject: "[<data>]" is today,
// "[<data-1>]" yesterday, "[<data+7>]" a week ahead, and so on.
#include <string>
#include <string_view>

#include "core/datetime.h"

namespace orvena::runner {

// The variables the editor's menu offers.
inline constexpr std::string_view kDataDzis = "[<data>]";
inline constexpr std::string_view kDataWczoraj = "[<data-1>]";
inline constexpr std::string_view kDataJutro = "[<data+1>]";

// Replaces every date variable in `ciag`, left to right, by the short date (yyyy-mm-dd) of
// today moved by its offset, and returns the result trimmed.
//  - Each date stands between one blank before it (blanks in front of the variable collapse
//    into it) and one after it; stored control files and their SQL depend on those blanks.
//  - Blanks around the offset and between its sign and number are allowed; the variable is
//    recognised only in lower case.
//  - An offset is its first character (a sign) and a whole number: anything else raises
//    core::Error with the conversion error's text ("'x' is not a valid integer value"). A first
//    character other than "+" or "-" leaves the date at today.
//  - A variable without its closing ">]" still becomes today's date and loses the one character
//    that follows it.
// "Today" is read from the clock for every variable, so a run crossing midnight moves on.
std::string Wstaw_daty(std::string_view ciag, const core::Clock& clock);

}  // namespace orvena::runner
