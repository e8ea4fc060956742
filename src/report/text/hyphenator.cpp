#include "report/text/hyphenator.h"

#include <string_view>
#include <vector>

namespace orvena::report::text {

namespace {

constexpr std::u32string_view kVowels = U"АЕЁИОУЫЭЮЯ";
constexpr std::u32string_view kConsonants = U"БВГДЖЗЙКЛМНПРСТФХЦЧШЩЬЪ";
constexpr std::u32string_view kSigns = U"ЬЪ";
constexpr char32_t kShortI = U'Й';
// Too long a word is not worth dividing (and a paragraph of one endless word stays linear).
constexpr size_t kMaxWord = 64;

bool is_word_end(char32_t c) {
  return c == U' ' || c == U'.' || c == U',' || c == U'-' || c == U';';
}

char32_t upper(char32_t c) {
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;  // а..я
  if (c == 0x451) return 0x401;                   // ё
  return c;
}

bool in(std::u32string_view set, char32_t c) {
  return set.find(c) != std::u32string_view::npos;
}

// Is there a break point after position p (0-based here)?
bool break_after(const std::vector<char32_t>& w, size_t p) {
  bool last = p + 1 == w.size();
  char32_t c = w[p];
  if (in(kConsonants, c)) return last || !(in(kVowels, w[p + 1]) || in(kSigns, w[p + 1]));
  if (in(kVowels, c)) {
    if (last) return true;
    if (w[p + 1] == kShortI) return false;
    bool doubled =
        p + 3 < w.size() && w[p + 1] == w[p + 2] && in(kConsonants, w[p + 1]) && in(kVowels, w[p + 3]);
    return !doubled;
  }
  return false;
}

bool has_vowel(const std::vector<char32_t>& w, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i)
    if (in(kVowels, w[i])) return true;
  return false;
}

}  // namespace

size_t hyphenate(std::span<const char32_t> text, size_t fit) {
  std::vector<char32_t> word;
  for (char32_t c : text) {
    if (is_word_end(c)) break;
    if (word.size() == kMaxWord) return 0;
    word.push_back(upper(c));
  }
  if (word.size() <= 3) return 0;
  // A break after position p leaves a = p + 1 characters before the hyphen.
  for (size_t a = std::min(fit, word.size()); a-- > 1;) {
    if (a < 2 || word.size() - a < 2) continue;
    if (!break_after(word, a - 1)) continue;
    if (has_vowel(word, 0, a) && has_vowel(word, a, word.size())) return a;
  }
  return 0;
}

}  // namespace orvena::report::text
