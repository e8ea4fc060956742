#pragma once
// The text side of filling a text object, free of any run: finding bracketed expressions, the
// inline " #" formats, display formats over the core formatter, and the export macros.
#include <optional>
#include <string>
#include <string_view>

#include "core/number_format.h"
#include "core/variant.h"
#include "report/values.h"

namespace orvena::report::memo_text {

struct Delimiters {
  std::string open = "[", close = "]";
};
// ExpressionDelimiters split at its first comma; either side empty keeps the default.
Delimiters split_delimiters(std::string_view expression_delimiters);

// The position of the delimiter closing the one that opens at `open_at`, counting nesting and
// skipping quoted parts; npos when it is never closed.
size_t find_closing(std::string_view text, size_t open_at, const Delimiters& d);

// Replaces every bracketed expression of `text` by `evaluate(expression, index)`, index counting
// the expressions from 0. Scanning goes on after the inserted text, so a result holding a
// delimiter is not expanded again. An unclosed opening delimiter takes the rest of the text.
// A template: it runs for every printed text object, where a std::function call and a copy of
// the usual whole-text result would cost more than the lookup behind it.
template <class Evaluate>
std::string expand(std::string_view text, const Delimiters& d, Evaluate&& evaluate) {
  std::string out;
  auto put = [&out](std::string&& part) {
    if (out.empty())
      out = std::move(part);
    else
      out += part;
  };
  size_t i = 0, index = 0;
  for (size_t at; (at = text.find(d.open, i)) != std::string_view::npos;) {
    out.append(text.substr(i, at - i));
    size_t end = find_closing(text, at, d);
    size_t start = at + d.open.size();
    if (end == std::string_view::npos) {
      put(evaluate(text.substr(start), index++));
      return out;
    }
    put(evaluate(text.substr(start, end - start), index++));
    i = end + d.close.size();
  }
  out.append(text.substr(i));
  return out;
}

// "expr #n%2,2f": the expression and its inline format; no format when there is no " #" or the
// part after it holds a ")" (then it belongs to the expression).
struct InlineFormat {
  std::string_view expression;  // a part of the text split
  std::optional<DisplayFormat> format;
};
InlineFormat split_inline_format(std::string_view bracketed);

// A display format as the core formatter takes it.
core::DisplayFormat to_core(const DisplayFormat& f);
// The value as text under the format; null gives "", a formatting error the plain string form.
std::string format_data(const core::Variant& value, const DisplayFormat& f);

// The macro text that a bracketed TOTALPAGES# or COPYNAME# leaves for the export walk; nullopt
// for any other expression.
std::optional<std::string> macro_text(std::string_view expression);
// [TOTALPAGES#] and [COPYNAME#] (any case) replaced.
std::string extract_macros(std::string_view text, std::string_view total_pages, std::string_view copy_name);

}  // namespace orvena::report::memo_text
