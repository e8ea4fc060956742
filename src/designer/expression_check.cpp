#include "designer/expression_check.h"

#include <memory>

#include "report/engine_context.h"
#include "report/memo/memo_text.h"
#include "report/report.h"
#include "script/script.h"

namespace orvena::designer {

namespace {

std::unique_ptr<report::Report> copy_of(const report::Report& original) {
  auto copy = std::make_unique<report::Report>();
  copy->host = original.host;
  copy->engine_options.new_silent_mode = report::SilentMode::Silent;
  copy->load_from_stream(const_cast<report::Report&>(original).save_to_stream());
  // Units the script uses are looked up beside the template.
  copy->set_file_name(original.file_name());
  return copy;
}

int characters(std::string_view s) {
  int n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

// Line and column (from 1, characters) of a byte offset.
std::pair<int, int> place_of(std::string_view text, size_t offset) {
  const std::string_view before = text.substr(0, offset);
  const size_t line_start = before.rfind('\n');
  int line = 1;
  for (char c : before) line += c == '\n';
  return {line, characters(before.substr(line_start == std::string_view::npos ? 0 : line_start + 1)) + 1};
}

// The first error of one expression starting at `offset` of `text`.
std::optional<CheckError> check_one(report::EngineContext& ctx, std::string_view text, size_t offset,
                                    std::string_view expression) {
  try {
    ctx.check_expression(expression);
    return std::nullopt;
  } catch (const std::exception& e) {
    CheckError error{e.what()};
    auto [line, column] = place_of(text, offset);
    // The interpreter's place inside the expression, counted from the expression's start.
    std::string message;
    std::optional<script::Position> at;
    ctx.script().compile_expression(expression, message, &at);
    if (at) {
      if (at->line > 1) line += at->line - 1, column = 1;
      column += at->column - 1;
    }
    error.line = line;
    error.column = column;
    return error;
  }
}

}  // namespace

std::optional<CheckError> check_script(const report::Report& report, const std::vector<std::string>& lines) {
  auto copy = copy_of(report);
  copy->script_text = lines;
  report::EngineContext ctx(*copy);
  if (ctx.prepare_script()) return std::nullopt;
  CheckError error{ctx.script().error_message()};
  const std::string place = ctx.script().error_position();
  if (sscanf(place.c_str(), "%d:%d", &error.line, &error.column) != 2) error.line = error.column = 0;
  return error;
}

std::optional<CheckError> check_expression(const report::Report& report, std::string_view text,
                                           ExpressionKind kind) {
  auto copy = copy_of(report);
  report::EngineContext ctx(*copy);
  if (!ctx.prepare_script()) return CheckError{copy->errors().empty() ? "" : copy->errors().back()};
  if (kind == ExpressionKind::Expression) return check_one(ctx, text, 0, text);
  namespace mt = report::memo_text;
  const mt::Template t = mt::parse_template(text, mt::Delimiters{});
  for (const auto& part : t.parts)
    if (!part.macro)
      if (auto error = check_one(ctx, t.text, part.bracketed_at, t.expression(part))) return error;
  return std::nullopt;
}

}  // namespace orvena::designer
