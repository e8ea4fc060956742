#pragma once
// Whether a cell's text is a number exactly as the default display format writes it, told from
// the characters alone. The spreadsheet writer asks this of every text cell, and formatting the
// number to compare costs far more than looking at the digits.
#include <string_view>

namespace orvena::exporting::xlsx {

// True for an optional minus, a whole part without leading zeros ("0" alone allowed), and an
// optional decimal comma with digits that do not end in zero; at most 15 significant digits and
// nothing below 0,0001, so that the number reads back to these digits and is not written with an
// exponent. "-0" is not one (the format writes "0"). False does not mean "not a number": the
// caller falls back to the full round trip.
bool default_number_text(std::string_view text);

}  // namespace orvena::exporting::xlsx
