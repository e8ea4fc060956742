#pragma once
// Checks of what the operator types, compiled as a run would compile it, on a copy of the report
// (so the designed report's error list and state stay as they are): the report's script, a
// text object's text with its bracketed expressions, and a bare expression (a condition).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvena::report {
class Report;
}

namespace orvena::designer {

enum class ExpressionKind : uint8_t {
  Text,       // literal text with [expressions] (a text object's text)
  Expression  // one expression (a group or highlight condition, a barcode's expression)
};

// A compile error with its place in the text checked, line and column from 1 (columns count
// characters); 0 when the interpreter gave no place.
struct CheckError {
  std::string message;
  int line = 0, column = 0;
};

std::optional<CheckError> check_script(const report::Report& report, const std::vector<std::string>& lines);
std::optional<CheckError> check_expression(const report::Report& report, std::string_view text,
                                           ExpressionKind kind);

}  // namespace orvena::designer
