#pragma once
// Word division for the line breaker (Russian syllable rules; other words are never divided).
#include <cstddef>
#include <span>

namespace orvena::report::text {

// `text` starts with the word to divide; the word ends at the first " ", ".", ",", "-" or ";".
// Returns how many leading characters of the word go before the hyphen: the longest counting
// part shorter than `fit` (the number of the word's characters that fit the room), or 0 when
// there is none.
size_t hyphenate(std::span<const char32_t> text, size_t fit);

}  // namespace orvena::report::text
