#include "delivery/mail/convert_string.h"

#include "core/encoding.h"

namespace orvena::delivery {

namespace {

constexpr char32_t kPolishLetters[] = {U'ą', U'ć', U'ę', U'ł', U'ń', U'ó', U'ś', U'ź', U'ż',
                                       U'Ą', U'Ć', U'Ę', U'Ł', U'Ń', U'Ó', U'Ś', U'Ź', U'Ż'};

bool is_polish_letter(char32_t cp) {
  for (char32_t l : kPolishLetters)
    if (l == cp) return true;
  return false;
}

}  // namespace

std::string convert_string(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) {
    size_t start = pos;
    char32_t cp = core::next_code_point(utf8, pos);
    if (is_polish_letter(cp))
      core::append_utf8(out, static_cast<char32_t>(core::encode_char(cp, core::CodePage::Iso8859_2)));
    else
      out.append(utf8.substr(start, pos - start));
  }
  return out;
}

}  // namespace orvena::delivery
