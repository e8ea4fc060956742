#include "delivery/mail/rfc2047.h"

#include <vector>

#include "core/base64.h"
#include "core/encoding.h"

namespace orvena::delivery::mail {

namespace {

constexpr std::string_view kWordPrefix = "=?iso-8859-2?B?";
constexpr std::string_view kWordSuffix = "?=";
constexpr size_t kMaxEncodedWord = 75;  // RFC 2047 section 2
// Whole base64 groups of 3 bytes that fit one encoded word: 14 groups, 42 bytes.
constexpr size_t kBytesPerWord = (kMaxEncodedWord - kWordPrefix.size() - kWordSuffix.size()) / 4 * 3;
constexpr size_t kMaxHeaderLine = 78;  // RFC 5322 section 2.1.1

bool is_header_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

struct Word {
  size_t space_begin;  // white space before the word starts here
  size_t begin, end;
};

std::vector<Word> split_words(std::string_view s) {
  std::vector<Word> words;
  size_t pos = 0;
  while (pos < s.size()) {
    size_t space = pos;
    while (pos < s.size() && is_header_space(s[pos])) ++pos;
    if (pos == s.size()) break;
    size_t begin = pos;
    while (pos < s.size() && !is_header_space(s[pos])) ++pos;
    words.push_back({space, begin, pos});
  }
  return words;
}

// "=?" followed later by "?=" could be read back as an encoded word by a decoder.
bool looks_encoded(std::string_view s) {
  size_t open = s.find("=?");
  return open != std::string_view::npos && s.find("?=", open + 2) != std::string_view::npos;
}

bool needs_encoding(std::string_view word, std::string_view specials, bool guard_equals) {
  for (char ch : word) {
    auto b = static_cast<unsigned char>(ch);
    if (b < 32 || b > 126) return true;
    if (specials.find(ch) != std::string_view::npos) return true;
    if (ch == '=' && guard_equals) return true;
  }
  return false;
}

std::string encode_piece(std::string_view bytes) {
  std::string out;
  for (size_t pos = 0; pos < bytes.size(); pos += kBytesPerWord) {
    if (pos > 0) out += "\r\n ";
    out += kWordPrefix;
    out += core::base64_encode(bytes.substr(pos, kBytesPerWord));
    out += kWordSuffix;
  }
  return out;
}

bool printable_ascii(std::string_view utf8) {
  for (char ch : utf8) {
    auto b = static_cast<unsigned char>(ch);
    if (b < 32 || b > 126) return false;
  }
  return true;
}

}  // namespace

std::string encode_header_words(std::string_view text, std::string_view specials) {
  std::string bytes = core::from_utf8(text, core::CodePage::Iso8859_2);
  std::string_view s = bytes;
  bool guard_equals = looks_encoded(s);
  std::vector<Word> words = split_words(s);
  std::string out;
  size_t copied = 0;  // bytes of s written so far
  for (size_t i = 0; i < words.size(); ++i) {
    if (!needs_encoding(s.substr(words[i].begin, words[i].end - words[i].begin), specials, guard_equals))
      continue;
    size_t last = i;
    while (last + 1 < words.size() &&
           needs_encoding(s.substr(words[last + 1].begin, words[last + 1].end - words[last + 1].begin),
                          specials, guard_equals))
      ++last;
    out.append(s.substr(copied, words[i].begin - copied));
    out += encode_piece(s.substr(words[i].begin, words[last].end - words[i].begin));
    copied = words[last].end;
    i = last;
  }
  out.append(s.substr(copied));
  return out;
}

std::string format_address(const MailAddress& a) {
  if (a.name.empty()) return a.address;
  std::string name;
  if (printable_ascii(a.name)) {
    name = "\"";
    for (char c : a.name) {
      if (c == '\\' || c == '"') name += '\\';
      name += c;
    }
    name += '"';
  } else {
    name = encode_header_words(a.name, kAddressSpecials);
  }
  return name + " <" + a.address + ">";
}

namespace {

// Index after which `line` is broken, or npos. Positions before `from` are no break points.
size_t fold_point(std::string_view line, size_t from) {
  size_t best = std::string_view::npos;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted && c == '\\') {
      ++i;  // an escaped character inside quotes
      continue;
    }
    if (c == '"') quoted = !quoted;
    if (quoted || i < from || !(c == ' ' || c == '\t' || c == ',')) continue;
    if (i + 1 >= line.size()) break;  // nothing would follow the break
    if (i < kMaxHeaderLine) {
      best = i;
    } else {
      // A stretch without a break point is left whole; break at the first point after it.
      if (best == std::string_view::npos) best = i;
      break;
    }
  }
  return best;
}

std::string_view trim_blanks_right(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

void fold_physical_line(std::string_view line, std::string& out) {
  std::string rest(line);
  // A break right after "Name:" would leave the field name alone and gain nothing.
  size_t colon = rest.find(": ");
  size_t from = colon == std::string::npos ? 0 : colon + 2;
  while (rest.size() > kMaxHeaderLine) {
    size_t at = fold_point(rest, from);
    if (at == std::string_view::npos) break;
    out += trim_blanks_right(std::string_view(rest).substr(0, at + 1));
    out += "\r\n";
    rest = " " + rest.substr(at + 1);
    from = 1;  // never right after the leading blank of a continuation line
  }
  out += trim_blanks_right(rest);
  out += "\r\n";
}

}  // namespace

std::string fold_header_line(std::string_view line) {
  std::string out;
  size_t start = 0;
  while (true) {
    size_t end = line.find("\r\n", start);
    if (end == std::string_view::npos) {
      fold_physical_line(line.substr(start), out);
      return out;
    }
    fold_physical_line(line.substr(start, end - start), out);
    start = end + 2;
  }
}

}  // namespace orvena::delivery::mail
