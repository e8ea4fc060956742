#pragma once
// The interpreter's error texts and limits, in one place.
#include <string>
#include <string_view>

#include "core/error.h"
#include "script/lexer.h"

namespace orvena::script {

// A compile error: the text of the grammar or of the compiler, with the position of the node
// being compiled.
class SyntaxError : public core::Error {
 public:
  SyntaxError(std::string message, Position pos) : core::Error(message), m_pos(pos) {}
  Position pos() const { return m_pos; }
  const std::string& unit() const { return m_unit; }
  void set_unit(std::string unit) { m_unit = std::move(unit); }

 private:
  Position m_pos;
  std::string m_unit;
};

// Syntax errors of the grammar, by number as the grammar numbers them.
namespace grammar {
inline constexpr std::string_view kIdentifierExpected = "Identifier expected";
inline constexpr std::string_view kExpressionExpected = "Expression expected";
inline constexpr std::string_view kStatementExpected = "Statement expected";
inline constexpr std::string_view kColonExpected = "':' expected";
inline constexpr std::string_view kSemicolonExpected = "';' expected";
inline constexpr std::string_view kPeriodExpected = "'.' expected";
inline constexpr std::string_view kCloseParenExpected = "')' expected";
inline constexpr std::string_view kCloseBracketExpected = "']' expected";
inline constexpr std::string_view kEqualsExpected = "'=' expected";
inline constexpr std::string_view kBeginExpected = "'BEGIN' expected";
inline constexpr std::string_view kEndExpected = "'END' expected";
inline constexpr std::string_view kOfExpected = "'OF' expected";
inline constexpr std::string_view kThenExpected = "'THEN' expected";
inline constexpr std::string_view kUntilExpected = "'UNTIL' expected";
inline constexpr std::string_view kToExpected = "'TO' or 'DOWNTO' expected";
inline constexpr std::string_view kDoExpected = "'DO' expected";
inline constexpr std::string_view kFinallyExpected = "'FINALLY' or 'EXCEPT' expected";
inline constexpr std::string_view kOpenBracketExpected = "'[' expected";
inline constexpr std::string_view kRangeExpected = "'..' expected";
inline constexpr std::string_view kGreaterExpected = "'>' expected";
}  // namespace grammar

// Compile and run-time texts of the interpreter.
namespace text {
inline constexpr std::string_view kRedeclared = "Powtórnie zadeklarowany identyfikator: ";
inline constexpr std::string_view kUndeclared = "Niezadeklarowany identyfikator: ";
inline constexpr std::string_view kUnknownType = "Nieznany typ: ";
inline constexpr std::string_view kIncompatible = "Niezgodne typy";
inline constexpr std::string_view kClassRequired = "Wymagany typ klasy";
inline constexpr std::string_view kTooFewParams = "Niewystarczająca ilość parametrów";
inline constexpr std::string_view kTooManyParams = "Zbyt duża ilość parametrów";
inline constexpr std::string_view kNotAssignable = "Lewa strona nie może być przyporządkowana do";
inline constexpr std::string_view kLoopVariable = "Zmienna pętli musi być numeryczna";
inline constexpr std::string_view kArrayRequired = "Wymagany typ tablicy";
inline constexpr std::string_view kStringMembers = "Ciągi nie posiadają właściwości lub metod";
inline constexpr std::string_view kVariableRequired = "Wymagana zmienna";
inline constexpr std::string_view kUnknownLanguage = "Język '%s' nie został znaleziony";
inline constexpr std::string_view kExpressionError = "Błąd w wyrażeniu";
// Our own limits' texts.
inline constexpr std::string_view kTooDeep = "Zbyt głębokie zagnieżdżenie";
inline constexpr std::string_view kUnterminatedString = "Unterminated string";
inline constexpr std::string_view kTooLong = "Zbyt długi tekst";
inline constexpr std::string_view kStackOverflow = "Stack overflow";
inline constexpr std::string_view kRangeError = "Range check error";
}  // namespace text

// Limits that keep a hostile or broken script from exhausting the process.
namespace limits {
// Parser recursion: nested expressions, statements and procedures. Each level costs a few
// hundred bytes of stack, so this stays far below any thread's stack.
inline constexpr int kMaxNesting = 200;
// Calls in progress at run time (recursion), for the same reason.
inline constexpr int kMaxCallDepth = 200;
// Native stack the calls in progress may take together. Each call may evaluate an expression
// nested as deep as the parser allows, so the call depth alone does not bound the stack.
inline constexpr size_t kMaxCallStackBytes = 1u << 20;
// Script text and single literals.
inline constexpr size_t kMaxSourceBytes = 4u << 20;
// Any string a script builds; a doubling loop stops here instead of taking all memory.
inline constexpr size_t kMaxStringBytes = 16u << 20;
// Elements of one array (each a 32-byte variant).
inline constexpr int64_t kMaxArrayElements = 1 << 20;
}  // namespace limits

inline std::string in_quotes(std::string_view name) {
  return "'" + std::string(name) + "'";
}

}  // namespace orvena::script
