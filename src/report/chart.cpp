// The chart object and its series: stored properties, reading the series' rows while a report is
// generated, and the notice of attributes from other producers' templates.
#include "report/chart.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "core/error.h"
#include "core/text.h"
#include "report/bands.h"
#include "report/class_registry.h"
#include "report/common_props_p.h"
#include "report/engine_context.h"
#include "report/memo/memo_text.h"
#include "report/report.h"
#include "report/xml_document.h"

namespace orvena::report {
namespace {

// A template from elsewhere may carry many; the notice names this many at most.
constexpr size_t kMaxIgnoredNames = 50;

void note_ignored(std::vector<std::string>& list, const std::string& name) {
  if (list.size() >= kMaxIgnoredNames) return;
  for (const std::string& n : list)
    if (core::equals_ignore_case(n, name)) return;
  list.emplace_back(name);
}

// The records a chart reads: [from, to), to the end when `to` is negative.
struct RecordRange {
  int64_t from = 0, to = -1;
};

// Puts a source back on the record it stood on (or at its end), however the reading ended.
class CursorKeeper {
 public:
  explicit CursorKeeper(DataSet& ds) : m_ds(ds), m_rec_no(ds.rec_no()), m_at_end(ds.eof()) {}
  ~CursorKeeper() {
    try {
      m_ds.first();
      while (!m_ds.eof() && (m_at_end || m_ds.rec_no() < m_rec_no)) m_ds.next();
    } catch (const std::exception&) {
      // The reading failed already; its error is the one the run reports.
    }
  }
  CursorKeeper(const CursorKeeper&) = delete;
  CursorKeeper& operator=(const CursorKeeper&) = delete;

 private:
  DataSet& m_ds;
  int64_t m_rec_no;
  bool m_at_end;
};

std::optional<double> number_of(const core::Variant& v) {
  if (v.is_null_or_empty()) return std::nullopt;
  try {
    return v.to_double();
  } catch (const core::Error&) {
    return std::nullopt;  // a text that is no number is no value
  }
}

std::vector<ChartRow> read_rows(EngineContext& ctx, DataSet& ds, const ChartSeries& s, RecordRange range) {
  const std::string category = std::string(core::trim(s.category)), value = std::string(core::trim(s.value));
  CursorKeeper keep(ds);
  ds.first();
  const bool category_field = !category.empty() && ds.has_field(category);
  const bool value_field = !value.empty() && ds.has_field(value);
  std::vector<ChartRow> rows;
  while (!ds.eof() && ds.rec_no() < range.from) ds.next();
  while (!ds.eof() && (range.to < 0 || ds.rec_no() < range.to)) {
    ChartRow row;
    if (category_field)
      row.category = ds.display_text(category);
    else if (!category.empty())
      row.category = ctx.calc(category).to_string();
    if (value_field)
      row.value = number_of(ds.value(value));
    else if (!value.empty())
      row.value = number_of(ctx.calc(value));
    rows.push_back(std::move(row));
    ds.next();
  }
  return rows;
}

DataSet* source_of(const DataLink& link, const Report& report) {
  if (DataSet* ds = link.get()) return ds;
  return find_data_set(nullptr, link.data_set_name, &report);
}

template <class T>
std::unique_ptr<Component> make() {
  return std::make_unique<T>();
}

}  // namespace

// ---- ChartView --------------------------------------------------------------------------------

ChartView::ChartView() {
  // Series are child components; anything else a chart element holds is someone else's.
  style_flags |= kHandlesNestedProperties;
}

const ClassInfo& ChartView::static_class() {
  using C = ChartView;
  static const ClassInfo info(
      "TrpChartView", &View::static_class(),
      [] {
        auto v = bound_view_props();
        v.push_back(font_prop(false));
        v.push_back(enumeration("ChartKind", &C::kind, kChartKindNames, 0));
        v.push_back(string("Title", &C::title));
        v.push_back(enumeration("Legend", &C::legend, kLegendPositionNames, 0));
        v.push_back(string("CategoryAxisTitle", &C::category_axis_title));
        v.push_back(string("ValueAxisTitle", &C::value_axis_title));
        v.push_back(nested<C>("ValueFormat", [](C& c) { return &c.value_format; }));
        v.push_back(boolean("Gridlines", &C::gridlines, true));
        v.push_back(boolean("ShowValues", &C::show_values, true));
        v.push_back(string("Palette", &C::palette));
        v.push_back(string("ChartData", &C::chart_data));
        return v;
      }(),
      make<ChartView>);
  return info;
}

void ChartView::before_print() {
  View::before_print();
  m_saved_data = chart_data;
  m_saved_title = title;
}

void ChartView::after_print() {
  View::after_print();
  chart_data = m_saved_data;
  title = m_saved_title;
}

void ChartView::get_data() {
  Report* r = report();
  if (!r || !r->run) throw std::logic_error("INTERNAL ERROR: a chart filled outside a generation run");
  EngineContext& ctx = *r->run;
  Ref<Component> previous = r->current_object;
  r->current_object.reset(this);
  struct Restore {
    Report& r;
    Ref<Component>& previous;
    ~Restore() { r.current_object = previous; }
  } restore{*r, previous};

  if (std::string notice = ignored_chart_attributes_notice(*r); !notice.empty()) r->add_notice(notice);
  if (title.find('[') != std::string::npos)
    title = memo_text::expand(title, {}, [&](std::string_view e, size_t) { return ctx.calc(e).to_string(); });

  // In a group footer the group that just ended: from its first record to the one the footer
  // shows (the source stands on it, or at the end after the last group).
  auto* footer = dynamic_cast<GroupFooter*>(parent());
  std::vector<SeriesPoints> all;
  for (auto& child : objects()) {
    auto* s = dynamic_cast<ChartSeries*>(child.get());
    if (!s) continue;
    DataSet* ds = source_of(s->data, *r);
    if (!ds) ds = source_of(data, *r);
    std::vector<ChartRow> rows;
    if (ds) {
      RecordRange range;
      if (footer && footer->group_source == ds && footer->group_first_record >= 0) {
        range.from = footer->group_first_record;
        range.to = ds->eof() ? ds->rec_no() : ds->rec_no() + 1;
      }
      rows = read_rows(ctx, *ds, *s, range);
    }
    ChartPointOptions options{s->aggregation, s->order, int(std::clamp<int64_t>(s->top_n, 0, 1'000'000))};
    all.push_back({s->title.empty() ? s->value : s->title, s->color, aggregate_points(rows, options)});
  }
  chart_data = encode_chart_table(combine_series(all));
}

void ChartView::ignored_attribute(std::string_view name) {
  note_ignored(m_ignored, std::string(name));
}

bool ChartView::read_nested(const XmlItem& child, Serializer&) {
  if (class_registry::find(child.name)) return false;
  note_ignored(m_ignored, "<" + child.name + ">");
  return true;
}

// ---- ChartSeries ------------------------------------------------------------------------------

const ClassInfo& ChartSeries::static_class() {
  using S = ChartSeries;
  static const ClassInfo info("TrpChartSeries", &ReportComponent::static_class(),
                              {
                                  string("Title", &S::title),
                                  data_set_prop(&S::data),
                                  data_set_name_prop(&S::data),
                                  string("Category", &S::category),
                                  string("Value", &S::value),
                                  enumeration("Aggregation", &S::aggregation, kChartAggregationNames, 1),
                                  enumeration("Order", &S::order, kChartOrderNames, 0),
                                  integer("TopN", &S::top_n, 0),
                                  colour("Color", &S::color, kNoColor),
                              },
                              make<ChartSeries>);
  return info;
}

void ChartSeries::ignored_attribute(std::string_view name) {
  note_ignored(m_ignored, std::string(name));
}

std::string ignored_chart_attributes_notice(const Component& report) {
  std::set<std::string> names;
  for (Component* c : report.all_objects()) {
    if (auto* chart = dynamic_cast<const ChartView*>(c))
      names.insert(chart->ignored_attributes().begin(), chart->ignored_attributes().end());
    else if (auto* series = dynamic_cast<const ChartSeries*>(c))
      names.insert(series->ignored_attributes().begin(), series->ignored_attributes().end());
  }
  if (names.empty()) return {};
  std::string text = "Wykresy: pominięto nieznane właściwości szablonu:";
  bool first = true;
  for (const std::string& n : names) {
    text += first ? " " : ", ";
    text += n;
    first = false;
  }
  return text;
}

}  // namespace orvena::report
