#include "script/lexer.h"

#include <array>
#include <charconv>
#include <cmath>

#include "core/encoding.h"
#include "core/text.h"
#include "script/errors.h"

namespace orvena::script {

namespace {

// ORDER KEYWORD
constexpr std::array kKeywordNames = {
    "",      "and", "array",  "begin", "break",   "case",      "const",    "continue", "div", "do",  "downto",
    "else",  "end", "except", "exit",  "finally", "for",       "function", "goto",     "if",  "in",  "is",
    "label", "mod", "not",    "of",    "or",      "procedure", "program",  "repeat",   "shl", "shr", "then",
    "to",    "try", "until",  "uses",  "var",     "while",     "with",     "xor",
};
static_assert(kKeywordNames.size() == static_cast<size_t>(Keyword::Xor) + 1);

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
bool is_hex(char c) {
  return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
// Letters, "_" and every byte of a multi-byte character (code 127 and above) start names.
bool is_name_start(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || static_cast<unsigned char>(c) >= 127;
}
bool is_name_char(char c) {
  return is_name_start(c) || is_digit(c);
}

}  // namespace

Keyword keyword_of(std::string_view identifier) {
  if (identifier.size() > 9) return Keyword::None;
  std::string lower;
  for (char c : identifier) {
    if (static_cast<unsigned char>(c) >= 128) return Keyword::None;
    lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  for (size_t i = 1; i < kKeywordNames.size(); ++i)
    if (lower == kKeywordNames[i]) return static_cast<Keyword>(i);
  return Keyword::None;
}

void Lexer::advance(size_t n) {
  for (size_t i = 0; i < n && m_pos < m_src.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(m_src[m_pos++]);
    if (c == '\n') {
      ++m_at.line;
      m_at.column = 1;
    } else if ((c & 0xC0) != 0x80) {
      ++m_at.column;  // continuation bytes belong to the character already counted
    }
  }
}

void Lexer::skip_blanks_and_comments() {
  while (m_pos < m_src.size()) {
    char c = m_src[m_pos];
    if (static_cast<unsigned char>(c) <= ' ') {
      advance();
    } else if (m_src.compare(m_pos, 2, "//") == 0) {
      while (m_pos < m_src.size() && m_src[m_pos] != '\n') advance();
    } else if (c == '{') {
      while (m_pos < m_src.size() && m_src[m_pos] != '}') advance();
      advance();
    } else if (m_src.compare(m_pos, 2, "(*") == 0) {
      advance(2);
      while (m_pos < m_src.size() && m_src.compare(m_pos, 2, "*)") != 0) advance();
      advance(2);
    } else {
      return;
    }
  }
}

Token Lexer::next() {
  skip_blanks_and_comments();
  Token t;
  t.pos = m_at;
  t.offset = m_pos;
  if (m_pos >= m_src.size()) {
    t.end = m_pos;
    return t;
  }
  char c = m_src[m_pos];
  if (is_name_start(c))
    t = read_identifier();
  else if (is_digit(c) || (c == '$' && m_pos + 1 < m_src.size() && is_hex(m_src[m_pos + 1])))
    t = read_number();
  else if (c == '\'' || c == '#')
    t = read_string();
  else
    t = read_symbol();
  t.end = m_pos;
  return t;
}

Token Lexer::read_identifier() {
  Token t;
  t.kind = TokenKind::Identifier;
  t.pos = m_at;
  t.offset = m_pos;
  size_t start = m_pos;
  while (m_pos < m_src.size() && is_name_char(m_src[m_pos])) advance();
  t.text = std::string(m_src.substr(start, m_pos - start));
  t.keyword = keyword_of(t.text);
  return t;
}

// number -> digits ["." digits] [("e"|"E") ["+"|"-"] digits] | "$" hexdigits
Token Lexer::read_number() {
  Token t;
  t.kind = TokenKind::Number;
  t.pos = m_at;
  t.offset = m_pos;
  if (m_src[m_pos] == '$') {
    advance();
    uint64_t v = 0;
    bool overflow = false;
    while (m_pos < m_src.size() && is_hex(m_src[m_pos])) {
      char c = m_src[m_pos];
      int d = is_digit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
      overflow |= v > (UINT64_MAX >> 4);
      v = (v << 4) | static_cast<uint64_t>(d);
      advance();
    }
    if (overflow) throw SyntaxError(std::string(text::kTooLong), t.pos);
    // Hexadecimal constants are bit patterns: $FFFFFFFF is -1 as a 32-bit integer.
    if (v <= UINT32_MAX)
      t.number = core::Variant(static_cast<int32_t>(static_cast<uint32_t>(v)));
    else
      t.number = core::Variant(static_cast<int64_t>(v));
    return t;
  }
  size_t start = m_pos;
  bool is_float = false;
  while (m_pos < m_src.size() && is_digit(m_src[m_pos])) advance();
  // "1..5" is a range, not the number "1." followed by ".5".
  if (m_pos + 1 < m_src.size() && m_src[m_pos] == '.' && is_digit(m_src[m_pos + 1])) {
    is_float = true;
    advance();
    while (m_pos < m_src.size() && is_digit(m_src[m_pos])) advance();
  }
  if (m_pos < m_src.size() && (m_src[m_pos] == 'e' || m_src[m_pos] == 'E')) {
    size_t ahead = m_pos + 1;
    if (ahead < m_src.size() && (m_src[ahead] == '+' || m_src[ahead] == '-')) ++ahead;
    if (ahead < m_src.size() && is_digit(m_src[ahead])) {
      is_float = true;
      advance(ahead - m_pos);
      while (m_pos < m_src.size() && is_digit(m_src[m_pos])) advance();
    }
  }
  std::string_view text = m_src.substr(start, m_pos - start);
  if (!is_float) {
    int64_t v = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec == std::errc()) {
      t.number = v >= INT32_MIN && v <= INT32_MAX ? core::Variant(static_cast<int32_t>(v)) : core::Variant(v);
      return t;
    }
  }
  double d = 0;
  std::from_chars(text.data(), text.data() + text.size(), d);  // out of range gives inf or 0
  t.number = core::Variant(d);
  return t;
}

// string -> { "'" { char | "''" } "'" | "#" (digits | "$" hexdigits) }
Token Lexer::read_string() {
  Token t;
  t.kind = TokenKind::String;
  t.pos = m_at;
  t.offset = m_pos;
  while (m_pos < m_src.size()) {
    char c = m_src[m_pos];
    if (c == '\'') {
      advance();
      for (;;) {
        if (m_pos >= m_src.size() || m_src[m_pos] == '\n' || m_src[m_pos] == '\r')
          throw SyntaxError(std::string(text::kUnterminatedString), t.pos);
        if (m_src[m_pos] == '\'') {
          if (m_pos + 1 < m_src.size() && m_src[m_pos + 1] == '\'') {
            t.text += '\'';
            advance(2);
            continue;
          }
          advance();
          break;
        }
        t.text += m_src[m_pos];
        advance();
      }
    } else if (c == '#') {
      advance();
      uint32_t code = 0;
      bool hex = m_pos < m_src.size() && m_src[m_pos] == '$';
      if (hex) advance();
      size_t digits = 0;
      while (m_pos < m_src.size() && (hex ? is_hex(m_src[m_pos]) : is_digit(m_src[m_pos]))) {
        char d = m_src[m_pos];
        int v = is_digit(d) ? d - '0' : (d | 0x20) - 'a' + 10;
        code = std::min<uint32_t>(code * (hex ? 16 : 10) + v, 0x110000);
        advance();
        ++digits;
      }
      if (digits == 0) throw SyntaxError(std::string(grammar::kExpressionExpected), m_at);
      core::append_utf8(t.text, static_cast<char32_t>(code));
    } else {
      break;
    }
    if (t.text.size() > limits::kMaxSourceBytes) throw SyntaxError(std::string(text::kTooLong), t.pos);
  }
  return t;
}

Token Lexer::read_symbol() {
  static constexpr std::string_view kTwoChar[] = {":=", "<=", ">=", "<>", ".."};
  Token t;
  t.kind = TokenKind::Symbol;
  t.pos = m_at;
  t.offset = m_pos;
  for (std::string_view s : kTwoChar) {
    if (m_src.compare(m_pos, 2, s) == 0) {
      t.text = std::string(s);
      advance(2);
      return t;
    }
  }
  // One character, or one whole UTF-8 character that starts no name.
  size_t len = 1;
  while (m_pos + len < m_src.size() && (static_cast<unsigned char>(m_src[m_pos + len]) & 0xC0) == 0x80) ++len;
  t.text = std::string(m_src.substr(m_pos, len));
  advance(len);
  return t;
}

std::string Lexer::read_report_value(const Token& open) {
  m_pos = open.end;
  m_at = open.pos;
  ++m_at.column;
  size_t start = m_pos;
  int depth = 1;
  char quote = 0;
  while (m_pos < m_src.size()) {
    char c = m_src[m_pos];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '<') {
      ++depth;
    } else if (c == '>' && --depth == 0) {
      std::string text(m_src.substr(start, m_pos - start));
      advance();
      return text;
    }
    advance();
  }
  throw SyntaxError(std::string(grammar::kGreaterExpected), m_at);
}

}  // namespace orvena::script
