#include "report/memo/memo_text.h"

#include "core/text.h"

namespace orvena::report::memo_text {

Delimiters split_delimiters(std::string_view expression_delimiters) {
  Delimiters d;
  if (expression_delimiters == "[,]") return d;  // the default, read for every printed text
  size_t comma = expression_delimiters.find(',');
  if (comma == std::string_view::npos) return d;
  if (comma > 0) d.open = std::string(expression_delimiters.substr(0, comma));
  if (comma + 1 < expression_delimiters.size())
    d.close = std::string(expression_delimiters.substr(comma + 1));
  return d;
}

size_t find_closing(std::string_view text, size_t open_at, const Delimiters& d) {
  if (d.open.empty() || d.close.empty()) return std::string_view::npos;
  const char open0 = d.open[0], close0 = d.close[0];
  const bool same = d.open == d.close;
  int depth = 0;
  for (size_t i = open_at; i < text.size();) {
    char c = text[i];
    if (c == '"' || c == '\'') {
      // Inside quotes nothing counts, the other kind of quote included, until the same quote.
      size_t end = text.find(c, i + 1);
      if (end == std::string_view::npos) return end;
      i = end + 1;
      continue;
    }
    // With equal delimiters the second one closes.
    if (c == close0 && text.compare(i, d.close.size(), d.close) == 0 && (depth > 0 || !same)) {
      if (--depth == 0) return i;
      i += d.close.size();
      continue;
    }
    if (c == open0 && text.compare(i, d.open.size(), d.open) == 0) {
      ++depth;
      i += d.open.size();
      continue;
    }
    ++i;
  }
  return std::string_view::npos;
}

InlineFormat split_inline_format(std::string_view bracketed) {
  size_t at = bracketed.find(" #");
  if (at == std::string_view::npos) return {bracketed, std::nullopt};
  std::string_view spec = bracketed.substr(at + 2);
  if (spec.find(')') != std::string_view::npos) return {bracketed, std::nullopt};

  DisplayFormat f;
  std::string rest(spec.empty() ? std::string_view() : spec.substr(1));
  switch (spec.empty() ? '\0' : spec[0]) {
    case 'N':
    case 'n':
      f.kind = FormatKind::Numeric;
      // The separator written in the format is the one to show; the formatter wants ".".
      for (char& c : rest) {
        if (c == ',' || c == '-' || c == '.') {
          f.decimal_separator = std::string(1, c);
          c = '.';
        }
      }
      break;
    case 'D':
    case 'T':
    case 'd':
    case 't':
      f.kind = FormatKind::DateTime;
      break;
    case 'B':
    case 'b':
      f.kind = FormatKind::Boolean;
      break;
    default:
      f.kind = FormatKind::Text;
  }
  f.format_str = std::move(rest);
  return {bracketed.substr(0, at), std::move(f)};
}

Template parse_template(std::string_view text, const Delimiters& d) {
  Template t;
  t.text = text;
  t.open = d.open;
  t.close = d.close;
  size_t i = 0;
  for (size_t at; (at = text.find(d.open, i)) != std::string_view::npos;) {
    Template::Part p;
    p.literal_at = i;
    p.literal_size = at - i;
    p.bracketed_at = at + d.open.size();
    size_t end = find_closing(text, at, d);
    p.bracketed_size = (end == std::string_view::npos ? text.size() : end) - p.bracketed_at;
    InlineFormat split = split_inline_format(t.bracketed(p));
    p.expression_size = split.expression.size();
    p.format = std::move(split.format);
    p.macro = macro_text(split.expression);
    t.parts.push_back(std::move(p));
    if (end == std::string_view::npos) {
      t.tail_at = text.size();
      return t;
    }
    i = end + d.close.size();
  }
  t.tail_at = i;
  return t;
}

core::DisplayFormat to_core(const DisplayFormat& f) {
  static_assert(static_cast<int>(FormatKind::Boolean) == static_cast<int>(core::DisplayKind::Boolean));
  return {static_cast<core::DisplayKind>(f.kind), f.format_str, f.decimal_separator, f.thousand_separator};
}

std::string format_data(const core::Variant& value, const DisplayFormat& f) {
  // Text, the usual kind, needs none of the format's strings.
  if (f.kind == FormatKind::Text) return core::format_data(value, core::DisplayFormat{});
  return core::format_data(value, to_core(f));
}

std::optional<std::string> macro_text(std::string_view expression) {
  std::string_view e = core::trimmed(expression);
  if (core::equals_ignore_case(e, "TOTALPAGES#")) return "[TotalPages#]";
  if (core::equals_ignore_case(e, "COPYNAME#")) return "[CopyName#]";
  return std::nullopt;
}

namespace {

std::string replace_ignore_case(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  size_t i = 0;
  for (size_t at; (at = core::find_ignore_case(text, from, i)) != std::string_view::npos;) {
    out.append(text.substr(i, at - i)).append(to);
    i = at + from.size();
  }
  out.append(text.substr(i));
  return out;
}

}  // namespace

std::string extract_macros(std::string_view text, std::string_view total_pages, std::string_view copy_name) {
  return replace_ignore_case(replace_ignore_case(text, "[TOTALPAGES#]", total_pages), "[COPYNAME#]",
                             copy_name);
}

}  // namespace orvena::report::memo_text
