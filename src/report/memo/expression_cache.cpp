#include "report/memo/expression_cache.h"

#include "core/error.h"
#include "core/text.h"

namespace orvena::report {

std::string ExpressionCache::key(std::string_view expression) {
  std::string out;
  out.reserve(expression.size());
  size_t i = 0;
  while (i < expression.size()) {
    char q = expression[i];
    if (q != '\'' && q != '"') {
      size_t end = expression.find_first_of("'\"", i);
      if (end == std::string_view::npos) end = expression.size();
      out += core::to_lower(expression.substr(i, end - i));
      i = end;
      continue;
    }
    size_t end = expression.find(q, i + 1);
    end = end == std::string_view::npos ? expression.size() : end + 1;
    out.append(expression.substr(i, end - i));
    i = end;
  }
  return out;
}

ExpressionCache::Entry& ExpressionCache::get(script::Script& script, std::string_view expression) {
  std::string k = key(expression);
  if (auto it = m_entries.find(k); it != m_entries.end()) return it->second;
  std::string error;
  std::optional<script::Position> at;
  auto compiled = script.compile_expression(expression, error, &at);
  // Where in the expression, so that a long one can be mended: "… (1:201)".
  if (!compiled)
    throw core::Error(script::expression_error_text(expression, error) + (at ? " (" + at->text() + ")" : ""));
  Entry entry{"rpf" + std::to_string(m_entries.size()), std::move(compiled)};
  return m_entries.emplace(std::move(k), std::move(entry)).first->second;
}

}  // namespace orvena::report
