#pragma once
// Tokens of the script language: identifiers and keywords (case-insensitive), numbers (decimal
// or "$" hexadecimal, "." fraction, "e" scale), strings (quoted parts and #codes written
// together), symbols. Comments "//", "{ }" and "(* *)" and blanks separate tokens.
// Positions are line and column counted from 1; columns count characters.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/variant.h"

namespace orvena::script {

struct Position {
  int line = 1;
  int column = 1;
  std::string text() const { return std::to_string(line) + ":" + std::to_string(column); }
};

// ORDER KEYWORD: kKeywordNames in lexer.cpp lists these in the same order.
enum class Keyword : uint8_t {
  None,
  And,
  Array,
  Begin,
  Break,
  Case,
  Const,
  Continue,
  Div,
  Do,
  Downto,
  Else,
  End,
  Except,
  Exit,
  Finally,
  For,
  Function,
  Goto,
  If,
  In,
  Is,
  Label,
  Mod,
  Not,
  Of,
  Or,
  Procedure,
  Program,
  Repeat,
  Shl,
  Shr,
  Then,
  To,
  Try,
  Until,
  Uses,
  Var,
  While,
  With,
  Xor,
};

enum class TokenKind : uint8_t { End, Identifier, Number, String, Symbol };

struct Token {
  TokenKind kind = TokenKind::End;
  Keyword keyword = Keyword::None;  // for identifiers that are keywords
  std::string text;                 // identifier as written, symbol ("<=", ":=", ".."), string value
  core::Variant number;
  Position pos;
  size_t offset = 0;  // byte offset of the token's first character
  size_t end = 0;     // byte offset after the token

  bool is(Keyword k) const { return kind == TokenKind::Identifier && keyword == k; }
  bool is(std::string_view symbol) const { return kind == TokenKind::Symbol && text == symbol; }
};

class Lexer {
 public:
  explicit Lexer(std::string_view source) : m_src(source) {}

  // The next token; TokenKind::End at the end of the text. Throws SyntaxError for a string
  // without its closing quote or a literal over the length limit.
  Token next();
  // Reads a report value after "<": the text up to the matching ">", counting nested "<" ">"
  // outside single- and double-quoted parts. Throws SyntaxError ("'>' expected") at the end.
  std::string read_report_value(const Token& open);
  // The source text between two byte offsets (for macro arguments).
  std::string_view slice(size_t from, size_t to) const { return m_src.substr(from, to - from); }

 private:
  void skip_blanks_and_comments();
  void advance(size_t n = 1);
  Token read_identifier();
  Token read_number();
  Token read_string();
  Token read_symbol();

  std::string_view m_src;
  size_t m_pos = 0;
  Position m_at;
};

Keyword keyword_of(std::string_view identifier);

}  // namespace orvena::script
