#include "report/memo/aggregates.h"

#include <algorithm>
#include <charconv>

#include "core/error.h"
#include "core/text.h"
#include "report/bands.h"
#include "report/engine_context.h"
#include "report/memo/memo_text.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::report {

using core::Variant;

namespace {

// Report variables expanded into variables expanded into ...: deeper than this is a cycle.
constexpr int kMaxScanDepth = 16;
// Variables used many times each would multiply the work; one text object expands at most this many.
constexpr int kMaxExpansions = 1000;

constexpr std::string_view kFunctionNames[] = {"SUM", "AVG", "MIN", "MAX",
                                               "COUNT"};  // ORDER AggregateFunction

bool is_name_char(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

// The end of the quoted part starting at `i` (one past its closing quote).
size_t skip_quoted(std::string_view s, size_t i) {
  size_t end = s.find(s[i], i + 1);
  return end == std::string_view::npos ? s.size() : end + 1;
}

// The position of the ")" closing the "(" at `open`, or npos.
size_t matching_paren(std::string_view s, size_t open) {
  int depth = 0;
  for (size_t i = open; i < s.size();) {
    char c = s[i];
    if (c == '\'' || c == '"') {
      i = skip_quoted(s, i);
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')' && --depth == 0) return i;
    ++i;
  }
  return std::string_view::npos;
}

// Arguments split at the commas outside quotes, parentheses and angle brackets.
std::vector<std::string> split_args(std::string_view s) {
  std::vector<std::string> out;
  int depth = 0;
  size_t start = 0;
  for (size_t i = 0; i < s.size();) {
    char c = s[i];
    if (c == '\'' || c == '"') {
      i = skip_quoted(s, i);
      continue;
    }
    if (c == '(' || c == '<' || c == '[') ++depth;
    if ((c == ')' || c == '>' || c == ']') && depth > 0) --depth;
    if (c == ',' && depth == 0) {
      out.push_back(core::trim(s.substr(start, i - start)));
      start = i + 1;
    }
    ++i;
  }
  std::string last = core::trim(s.substr(start));
  if (!last.empty() || !out.empty()) out.push_back(last);
  return out;
}

// Accumulates one value by the function's rule; nulls are skipped.
void combine(AggregateFunction f, Variant& acc, const Variant& v) {
  if (v.is_null_or_empty()) return;
  if (acc.is_null_or_empty()) {
    acc = v;
    return;
  }
  switch (f) {
    case AggregateFunction::Sum:
    case AggregateFunction::Avg:
      acc = core::apply(core::BinaryOp::Add, acc, v);
      break;
    case AggregateFunction::Min:
      if (core::compare_values(v, acc) < 0) acc = v;
      break;
    case AggregateFunction::Max:
      if (core::compare_values(v, acc) > 0) acc = v;
      break;
    case AggregateFunction::Count:
      break;
  }
}

void add_chain(std::vector<TotalsScope>& out, Band* band, DataBand* counted) {
  for (Band* b = band; b; b = b->child()) {
    if (std::any_of(out.begin(), out.end(), [&](const TotalsScope& s) { return s.band == b; })) break;
    out.push_back({b, counted});
  }
}

bool has_rows(const DataBand& band) {
  return band.data.get() || band.row_count > 0;
}

}  // namespace

std::optional<AggregateFunction> aggregate_function(std::string_view name) {
  for (size_t i = 0; i < std::size(kFunctionNames); ++i)
    if (core::equals_ignore_case(name, kFunctionNames[i])) return static_cast<AggregateFunction>(i);
  return std::nullopt;
}

DataBand* band_argument(Report& report, std::string_view text) {
  std::string name = core::trim(text);
  if (name.size() >= 2 && (name.front() == '\'' || name.front() == '"') && name.back() == name.front())
    name = name.substr(1, name.size() - 2);
  if (name.empty() || name == "0") return nullptr;
  return dynamic_cast<DataBand*>(report.name_index_find(name));
}

std::vector<TotalsScope> totals_scopes(Page& page) {
  std::vector<Band*> bands;
  for (const auto& c : page.objects())
    if (auto* b = dynamic_cast<Band*>(c.get()); b && !b->vertical) bands.push_back(b);
  std::stable_sort(bands.begin(), bands.end(), [](Band* a, Band* b) { return a->top() < b->top(); });

  std::vector<TotalsScope> out;
  std::vector<DataBand*> data_bands;  // in order, those whose footer is still to come
  struct OpenGroup {
    GroupHeader* header;
    DataBand* data = nullptr;
  };
  std::vector<OpenGroup> groups;
  DataBand* first_master = nullptr;

  for (Band* b : bands) {
    if (auto* d = dynamic_cast<DataBand*>(b)) {
      data_bands.push_back(d);
      for (auto& g : groups)
        if (!g.data) g.data = d;
      if (!first_master && d->is(MasterData::static_class()) && has_rows(*d)) first_master = d;
    } else if (auto* g = dynamic_cast<GroupHeader*>(b)) {
      groups.push_back({g});
    } else if (dynamic_cast<GroupFooter*>(b)) {
      if (groups.empty()) continue;
      if (groups.back().data) add_chain(out, b, groups.back().data);
      groups.pop_back();
    } else if (dynamic_cast<FooterBand*>(b)) {
      if (data_bands.empty()) continue;
      add_chain(out, b, data_bands.back());
      data_bands.pop_back();
    }
  }
  // A vertical data band's own text objects total it, column by column.
  for (const auto& c : page.objects())
    if (auto* d = dynamic_cast<DataBand*>(c.get()); d && d->vertical) out.push_back({d, d});
  if (first_master) {
    for (Band* b : bands)
      if (b->is(PageFooter::static_class()) || b->is(ColumnFooter::static_class()) ||
          b->is(ReportSummary::static_class()))
        add_chain(out, b, first_master);
  }
  return out;
}

// ---- Registration -----------------------------------------------------------------------------

void AggregateList::add_items(std::span<const TotalsScope> scopes) {
  for (const TotalsScope& scope : scopes) {
    for (Component* c : scope.band->all_objects()) {
      auto* memo = dynamic_cast<CustomMemoView*>(c);
      // Objects of a child band are registered with that band.
      if (memo && c->parent() == scope.band) add_memo(*memo, scope);
    }
  }
}

void AggregateList::add_memo(const CustomMemoView& memo, const TotalsScope& scope) {
  if (!memo.allow_expressions) return;
  m_expansions = 0;
  memo_text::Delimiters d = memo_text::split_delimiters(memo.expression_delimiters);
  memo_text::expand(memo.text(), d, [&](std::string_view expression, size_t) {
    scan(memo_text::split_inline_format(expression).expression, memo, scope, 0);
    return std::string();
  });
}

// Finds the total calls of an expression: names outside quoted strings, followed by an argument
// list. Arguments and everything else are scanned too, so calls inside parentheses and angle
// brackets are found; a report variable holding an expression is scanned in its place.
void AggregateList::scan(std::string_view text, const CustomMemoView& memo, const TotalsScope& scope,
                         int depth) {
  if (depth > kMaxScanDepth) return;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\'' || c == '"') {
      i = skip_quoted(text, i);
      continue;
    }
    if (!is_name_char(c) || (i > 0 && text[i - 1] == '.')) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && is_name_char(text[end])) ++end;
    std::string_view name = text.substr(i, end - i);
    size_t open = end;
    while (open < text.size() && text[open] == ' ') ++open;
    auto f = aggregate_function(name);
    if (f && open < text.size() && text[open] == '(') {
      size_t close = matching_paren(text, open);
      if (close != std::string_view::npos) {
        register_call(*f, text.substr(i, close + 1 - i), text.substr(open + 1, close - open - 1), memo,
                      scope);
        i = close + 1;
        continue;
      }
    }
    for (const auto& v : m_context.report().variables) {
      if (!core::equals_ignore_case(v->name, name) || v->value.find("\r\n") != std::string::npos) continue;
      bool expanding = std::find(m_expanding.begin(), m_expanding.end(), v.get()) != m_expanding.end();
      if (!expanding && m_expansions < kMaxExpansions) {
        ++m_expansions;
        m_expanding.push_back(v.get());
        scan(v->value, memo, scope, depth + 1);
        m_expanding.pop_back();
      }
      break;
    }
    i = end;
  }
}

void AggregateList::register_call(AggregateFunction f, std::string_view call, std::string_view args,
                                  const CustomMemoView& memo, const TotalsScope& scope) {
  std::vector<std::string> a = split_args(args);
  size_t first = f == AggregateFunction::Count ? 0 : 1;
  auto arg = [&](size_t i) { return i < a.size() ? a[i] : std::string(); };

  auto item = std::make_unique<AggregateItem>();
  item->function = f;
  item->expression = first ? arg(0) : std::string();
  item->band = band_argument(m_context.report(), arg(first));
  if (!item->band) item->band = scope.counted;
  if (!item->band) return;
  if (std::string flags = arg(first + 1); !flags.empty()) {
    auto [p, ec] = std::from_chars(flags.data(), flags.data() + flags.size(), item->flags);
    if (ec != std::errc() || p != flags.data() + flags.size()) item->flags = m_context.calc(flags).to_int64();
  }
  item->parent_band = scope.band;
  item->parent_is_page_footer = scope.band->is(PageFooter::static_class());
  item->call_text = std::string(call);
  item->memo_name = memo.name();

  for (const auto& it : m_items) {
    if (it->parent_band == item->parent_band && it->function == f && it->band == item->band &&
        it->flags == item->flags && core::equals_ignore_case(it->expression, item->expression))
      return;
  }
  m_items.push_back(std::move(item));
}

// ---- Accumulation -----------------------------------------------------------------------------

void AggregateList::add_value(DataBand& band) {
  add(band, -1);
}

void AggregateList::add_value(DataBand& band, int column) {
  if (column < 0 || column >= kMaxTotalColumns)
    throw core::Error("Sumy pasma pionowego obejmują najwyżej " + std::to_string(kMaxTotalColumns) +
                      " kolumn, a nie " + std::to_string(column + 1));
  add(band, column);
}

void AggregateList::add(DataBand& band, int column) {
  Report& report = m_context.report();
  for (const auto& item : m_items) {
    if (item->band != &band) continue;
    if (!band.visible && !(item->flags & kCountInvisible)) continue;

    Variant v;
    if (item->function != AggregateFunction::Count) {
      Ref<Component> previous = report.current_object;
      report.current_object.reset(report.name_index_find(item->memo_name));
      try {
        v = m_context.calc(item->expression);
      } catch (...) {
        report.current_object = previous;
        throw;
      }
      report.current_object = previous;
      if (v.type() == core::VarType::Bool) v = Variant(v.to_bool() ? 1 : 0);
    }

    bool aside = item->keeping;
    Tally* column_tally = nullptr;
    if (column >= 0) {
      item->last_value = item->value;  // the whole is untouched: undoing restores it as it is
      item->last_count = item->count;
      auto& columns = aside ? item->keep_columns : item->columns;
      if (columns.size() <= size_t(column)) columns.resize(size_t(column) + 1);
      column_tally = &columns[size_t(column)];
      item->last_column = aside ? -1 : column;
      item->last_column_tally = *column_tally;
    } else {
      item->last_value = item->value;
      item->last_count = item->count;
      item->last_column = -1;
    }
    Variant& value = column_tally ? column_tally->value : aside ? item->keep_value : item->value;
    int64_t& count = column_tally ? column_tally->count : aside ? item->keep_count : item->count;
    if (item->function != AggregateFunction::Avg || !v.is_null_or_empty()) ++count;
    combine(item->function, value, v);
  }
}

void AggregateList::delete_value(DataBand& band) {
  for (const auto& item : m_items) {
    if (item->band != &band) continue;
    if (item->last_column >= 0) {
      item->columns[size_t(item->last_column)] = item->last_column_tally;
      item->last_column = -1;
      continue;
    }
    item->value = item->last_value;
    item->count = item->last_count;
  }
}

void AggregateList::reset(Band& parent_band) {
  for (const auto& item : m_items) {
    if (item->parent_band != &parent_band) continue;
    bool counted = item->count > 0 || std::any_of(item->columns.begin(), item->columns.end(),
                                                  [](const Tally& t) { return t.count > 0; });
    if ((item->flags & kDontReset) && counted) continue;
    item->value = Variant();
    item->count = 0;
    item->columns.clear();
    item->last_column = -1;
  }
}

void AggregateList::start_keep() {
  m_keeping = true;
  for (const auto& item : m_items) {
    if (!item->parent_is_page_footer) continue;
    item->keeping = true;
    item->keep_value = Variant();
    item->keep_count = 0;
    item->keep_columns.clear();
  }
}

void AggregateList::end_keep(KeepEnd how) {
  if (!m_keeping) return;
  m_keeping = false;
  for (const auto& item : m_items) {
    if (!item->keeping) continue;
    item->keeping = false;
    if (how == KeepEnd::Merge) {
      combine(item->function, item->value, item->keep_value);
      item->count += item->keep_count;
      if (item->columns.size() < item->keep_columns.size()) item->columns.resize(item->keep_columns.size());
      for (size_t i = 0; i < item->keep_columns.size(); ++i) {
        combine(item->function, item->columns[i].value, item->keep_columns[i].value);
        item->columns[i].count += item->keep_columns[i].count;
      }
    }
    item->keep_value = Variant();
    item->keep_count = 0;
    item->keep_columns.clear();
  }
}

void AggregateList::clear_values() {
  for (const auto& item : m_items) {
    item->value = item->last_value = item->keep_value = Variant();
    item->count = item->last_count = item->keep_count = 0;
    item->keeping = false;
    item->columns.clear();
    item->keep_columns.clear();
    item->last_column = -1;
  }
  m_keeping = false;
}

// ---- Reading ----------------------------------------------------------------------------------

Variant AggregateList::get_value(const Band* parent_band, AggregateFunction function,
                                 std::string_view expression, const DataBand* band, int64_t flags,
                                 int column) const {
  std::string_view e = core::trimmed(expression);
  for (const auto& item : m_items) {
    if (item->parent_band != parent_band || item->function != function || item->flags != flags) continue;
    if (band && item->band != band) continue;
    if (!core::equals_ignore_case(item->expression, e)) continue;
    Tally whole{item->value, item->count}, none;
    const Tally& t = column < 0                              ? whole
                     : size_t(column) < item->columns.size() ? item->columns[size_t(column)]
                                                             : none;
    Variant v;
    switch (function) {
      case AggregateFunction::Avg:
        if (t.count > 0 && !t.value.is_null_or_empty())
          v = core::apply(core::BinaryOp::Divide, t.value, Variant(t.count));
        break;
      case AggregateFunction::Count:
        v = Variant(t.count);
        break;
      default:
        v = t.value;
    }
    return v.is_null_or_empty() ? Variant(0) : v;
  }
  return Variant(0);
}

}  // namespace orvena::report
