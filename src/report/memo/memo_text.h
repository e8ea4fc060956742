#pragma once
// The text side of filling a text object, free of any run: finding bracketed expressions, the
// inline " #" formats, display formats over the core formatter, and the export macros.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// "expr #n%2,2f": the expression and its inline format; no format when there is no " #" or the
// part after it holds a ")" (then it belongs to the expression).
struct InlineFormat {
  std::string_view expression;  // a part of the text split
  std::optional<DisplayFormat> format;
};
InlineFormat split_inline_format(std::string_view bracketed);

// A text with its bracketed expressions found. Where they are, their inline formats and which
// of them are export macros depend only on the text and the delimiters, so a text object printed
// for every record reads them once instead of rescanning the same text.
struct Template {
  struct Part {
    size_t literal_at = 0, literal_size = 0;      // the text before the expression
    size_t bracketed_at = 0, bracketed_size = 0;  // inside the delimiters, inline format included
    size_t expression_size = 0;                   // its start without the inline format
    std::optional<DisplayFormat> format;
    std::optional<std::string> macro;
  };
  std::string text, open, close;
  std::vector<Part> parts;
  size_t tail_at = 0;  // the text after the last expression; none when that one is unclosed

  std::string_view literal(const Part& p) const {
    return std::string_view(text).substr(p.literal_at, p.literal_size);
  }
  std::string_view bracketed(const Part& p) const {
    return std::string_view(text).substr(p.bracketed_at, p.bracketed_size);
  }
  std::string_view expression(const Part& p) const {
    return std::string_view(text).substr(p.bracketed_at, p.expression_size);
  }
  std::string_view tail() const { return std::string_view(text).substr(tail_at); }
  // Whether this was read from `text` with `d`: the test a cached template is reused by.
  bool reads(std::string_view text, const Delimiters& d) const {
    return this->text == text && open == d.open && close == d.close;
  }
};
Template parse_template(std::string_view text, const Delimiters& d);

// Replaces every bracketed expression of the template by `evaluate(part, index)`, index counting
// the expressions from 0. Results are not scanned, so a result holding a delimiter is not
// expanded again. An unclosed opening delimiter takes the rest of the text.
// A template: it runs for every printed text object, where a std::function call and a copy of
// the usual whole-text result would cost more than the lookup behind it.
template <class Evaluate>
std::string expand(const Template& t, Evaluate&& evaluate) {
  std::string out;
  for (size_t index = 0; index < t.parts.size(); ++index) {
    const Template::Part& p = t.parts[index];
    out.append(t.literal(p));
    std::string value = evaluate(p, index);
    if (out.empty())
      out = std::move(value);
    else
      out += value;
  }
  out.append(t.tail());
  return out;
}

// The same over a text read once (tags, hyperlinks, barcode texts): `evaluate(bracketed, index)`
// gets each expression as written between the delimiters. It scans the text directly, since
// building a template would split inline formats and look for macros that such texts never use.
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
