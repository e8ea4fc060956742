#include "report/chart_data.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <map>
#include <numeric>

namespace orvena::report {
namespace {

// What one category has gathered; every aggregation reads its value from these.
struct Accumulator {
  double sum = 0, min = std::numeric_limits<double>::infinity(),
         max = -std::numeric_limits<double>::infinity();
  int64_t numbers = 0, rows = 0;

  void add(const std::optional<double>& v) {
    ++rows;
    if (!v) return;
    ++numbers;
    sum += *v;
    min = std::min(min, *v);
    max = std::max(max, *v);
  }
  void merge(const Accumulator& o) {
    sum += o.sum;
    min = std::min(min, o.min);
    max = std::max(max, o.max);
    numbers += o.numbers;
    rows += o.rows;
  }
  std::optional<double> value(ChartAggregation a) const {
    if (a == ChartAggregation::Count) return double(rows);
    if (numbers == 0) return std::nullopt;
    switch (a) {
      case ChartAggregation::Avg:
        return sum / double(numbers);
      case ChartAggregation::Min:
        return min;
      case ChartAggregation::Max:
        return max;
      default:
        return sum;
    }
  }
};

struct Group {
  std::string category;
  Accumulator acc;
};

// Points without a value sort after every number, whichever way.
bool value_before(const std::optional<double>& a, const std::optional<double>& b, bool descending) {
  if (!a || !b) return a.has_value() && !b.has_value();
  return descending ? *a > *b : *a < *b;
}

std::optional<double> parse_number(std::string_view s) {
  if (s.empty()) return std::nullopt;
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

// A category compares as a number when both are numbers ("2" before "10"), else as text.
bool category_before(const std::string& a, const std::string& b) {
  auto na = parse_number(a), nb = parse_number(b);
  if (na && nb) return *na < *nb;
  return a < b;
}

void sort_groups(std::vector<Group>& groups, ChartOrder order, ChartAggregation value_of) {
  switch (order) {
    case ChartOrder::Category:
      std::stable_sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
        return category_before(a.category, b.category);
      });
      break;
    case ChartOrder::ValueDesc:
    case ChartOrder::ValueAsc: {
      bool desc = order == ChartOrder::ValueDesc;
      std::stable_sort(groups.begin(), groups.end(), [&](const Group& a, const Group& b) {
        return value_before(a.acc.value(value_of), b.acc.value(value_of), desc);
      });
      break;
    }
    case ChartOrder::FirstSeen:
      break;
  }
}

std::vector<std::string> split(std::string_view s, char sep) {
  std::vector<std::string> out;
  size_t pos = 0;
  for (;;) {
    size_t end = s.find(sep, pos);
    out.emplace_back(s.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos));
    if (end == std::string_view::npos) return out;
    pos = end + 1;
  }
}

std::string one_line(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return out;
}

}  // namespace

std::vector<ChartPoint> aggregate_points(const std::vector<ChartRow>& rows,
                                         const ChartPointOptions& options) {
  const ChartAggregation agg = options.aggregation;
  std::vector<Group> groups;
  if (agg == ChartAggregation::None) {
    for (const ChartRow& r : rows) {
      groups.push_back({r.category, {}});
      groups.back().acc.add(r.value);
    }
  } else {
    std::map<std::string, size_t> index;
    for (const ChartRow& r : rows) {
      auto [it, added] = index.try_emplace(r.category, groups.size());
      if (added) groups.push_back({r.category, {}});
      groups[it->second].acc.add(r.value);
    }
  }
  // Without aggregation the rest is summed up: the points are single values.
  const ChartAggregation value_of = agg == ChartAggregation::None ? ChartAggregation::Sum : agg;

  if (options.top_n > 0 && groups.size() > size_t(options.top_n)) {
    std::vector<size_t> by_value(groups.size());
    std::iota(by_value.begin(), by_value.end(), 0);
    std::stable_sort(by_value.begin(), by_value.end(), [&](size_t a, size_t b) {
      return value_before(groups[a].acc.value(value_of), groups[b].acc.value(value_of), true);
    });
    std::vector<bool> kept(groups.size(), false);
    for (int i = 0; i < options.top_n; ++i) kept[by_value[size_t(i)]] = true;
    std::vector<Group> top;
    Group rest{std::string(kChartRestCategory), {}};
    for (size_t i = 0; i < groups.size(); ++i) {
      if (kept[i])
        top.push_back(std::move(groups[i]));
      else
        rest.acc.merge(groups[i].acc);
    }
    groups = std::move(top);
    // The rest stays last whatever the order: it is no category of its own.
    sort_groups(groups, options.order, value_of);
    std::vector<ChartPoint> points;
    for (const Group& g : groups) points.push_back({g.category, g.acc.value(value_of)});
    points.push_back({rest.category, rest.acc.value(value_of)});
    return points;
  }

  sort_groups(groups, options.order, value_of);
  std::vector<ChartPoint> points;
  points.reserve(groups.size());
  for (const Group& g : groups) points.push_back({g.category, g.acc.value(value_of)});
  return points;
}

bool ChartTable::empty() const {
  for (const ChartSeriesData& s : series)
    for (const auto& v : s.values)
      if (v) return false;
  return true;
}

ChartTable combine_series(const std::vector<SeriesPoints>& series) {
  ChartTable t;
  std::map<std::string, std::vector<size_t>> columns;  // a category's columns, in order
  for (const SeriesPoints& s : series) {
    ChartSeriesData data{s.title, s.color, {}};
    std::map<std::string, size_t> seen;  // occurrences of a category within this series
    std::vector<std::pair<size_t, std::optional<double>>> placed;
    for (const ChartPoint& p : s.points) {
      size_t n = seen[p.category]++;
      auto& cols = columns[p.category];
      if (n >= cols.size()) {
        cols.push_back(t.categories.size());
        t.categories.push_back(p.category);
      }
      placed.emplace_back(cols[n], p.value);
    }
    t.series.push_back(std::move(data));
    for (auto& [col, v] : placed) {
      auto& values = t.series.back().values;
      if (values.size() <= col) values.resize(col + 1);
      values[col] = v;
    }
  }
  for (ChartSeriesData& s : t.series) s.values.resize(t.categories.size());
  return t;
}

std::string encode_chart_table(const ChartTable& table) {
  std::string out = "C";
  for (const std::string& c : table.categories) out += '\t' + one_line(c);
  for (const ChartSeriesData& s : table.series) {
    out += "\nS\t" + std::to_string(s.color) + '\t' + one_line(s.title);
    for (const auto& v : s.values) {
      out += '\t';
      if (v) {
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf, *v);
        out.append(buf, r.ptr);
      }
    }
  }
  return out;
}

ChartTable decode_chart_table(std::string_view text) {
  ChartTable t;
  std::vector<std::string> lines = split(text, '\n');
  if (lines.empty() || lines[0].empty() || lines[0][0] != 'C') return {};
  std::vector<std::string> cats = split(lines[0], '\t');
  t.categories.assign(cats.begin() + 1, cats.end());
  for (size_t i = 1; i < lines.size(); ++i) {
    std::vector<std::string> f = split(lines[i], '\t');
    if (f.size() < 3 || f[0] != "S") return {};
    ChartSeriesData s;
    auto color = parse_number(f[1]);
    if (color) s.color = int64_t(*color);
    s.title = f[2];
    for (size_t k = 3; k < f.size(); ++k) s.values.push_back(parse_number(f[k]));
    s.values.resize(t.categories.size());
    t.series.push_back(std::move(s));
  }
  return t;
}

}  // namespace orvena::report
