#include "designer/data_sources.h"

#include <algorithm>

#include "core/text.h"
#include "designer/layout_rules.h"
#include "report/bands.h"
#include "report/datasets.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::designer {

namespace {

// A system variable's text object: wide enough for "Strona 999 z 999" and a date.
constexpr double kVariableWidth = 120;

report::Band* data_band_below(report::Band& header, std::string_view source) {
  auto* page = dynamic_cast<report::ReportPage*>(header.parent());
  if (!page) return nullptr;
  report::Band *first = nullptr, *bound = nullptr;
  for (const auto& child : page->objects()) {
    auto* band = dynamic_cast<report::DataBand*>(child.get());
    if (!band || band->top() < header.top()) continue;
    if (!first || band->top() < first->top()) first = band;
    if (core::equals_ignore_case(band->data.name(), source) && (!bound || band->top() < bound->top()))
      bound = band;
  }
  return bound ? bound : first;
}

std::unique_ptr<report::MemoView> memo_at(const report::Band& band, double x, double y, double width) {
  auto memo = std::make_unique<report::MemoView>();
  const double height = std::min(report::kFieldRowHeight, band.height());
  const Box box = keep_inside({x, y, width, height}, band.width(), band.height());
  memo->set_bounds(box.left, box.top, box.width, box.height);
  return memo;
}

}  // namespace

std::vector<report::DataSet*> visible_data_sets(const report::Report& report) {
  std::vector<report::DataSet*> out;
  for (report::DataSet* ds : report::dataset_registry::snapshot()) {
    if (ds->user_name().empty()) continue;
    report::Report* owner = ds->report();
    if (owner && owner != &report) continue;
    out.push_back(ds);
  }
  return out;
}

report::DataSet* find_visible_data_set(const report::Report& report, std::string_view user_name) {
  for (report::DataSet* ds : visible_data_sets(report))
    if (core::equals_ignore_case(ds->user_name(), user_name)) return ds;
  return nullptr;
}

std::string encode_entry(const DataEntry& e) {
  return std::string(e.kind == DataEntry::Kind::Field ? "field" : "variable") + "\n" + e.source + "\n" +
         e.field.name + "\n" + std::to_string(e.field.display_width) + "\n" + (e.field.numeric ? "1" : "0");
}

std::optional<DataEntry> decode_entry(std::string_view bytes) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = bytes.find('\n', start)) != std::string_view::npos; start = at + 1)
    parts.emplace_back(bytes.substr(start, at - start));
  parts.emplace_back(bytes.substr(start));
  if (parts.size() != 5 || parts[2].empty() || (parts[0] != "field" && parts[0] != "variable"))
    return std::nullopt;
  DataEntry e;
  e.kind = parts[0] == "field" ? DataEntry::Kind::Field : DataEntry::Kind::Variable;
  e.source = parts[1];
  e.field.name = parts[2];
  e.field.display_width = std::clamp(std::atoi(parts[3].c_str()), 1, 1000);
  e.field.numeric = parts[4] == "1";
  if (e.kind == DataEntry::Kind::Field && e.source.empty()) return std::nullopt;
  return e;
}

std::string entry_name(const DataEntry& e) {
  if (e.kind == DataEntry::Kind::Variable) return e.field.name;
  std::string bracketed = report::field_expression(e.source, e.field.name);
  return bracketed.substr(1, bracketed.size() - 2);
}

bool is_header_band(const report::Band& band) {
  return band.is(report::PageHeader::static_class()) || band.is(report::HeaderBand::static_class()) ||
         band.is(report::ColumnHeader::static_class());
}

std::vector<DroppedObject> objects_for_drop(const DataEntry& e, report::Band& band, double x, double y) {
  std::vector<DroppedObject> out;
  if (e.kind == DataEntry::Kind::Variable) {
    auto memo = memo_at(band, x, y, kVariableWidth);
    memo->set_text("[" + e.field.name + "]");
    out.push_back({&band, std::move(memo)});
    return out;
  }
  const double width = report::field_column_width(e.field);
  report::Band* value_band = &band;
  if (is_header_band(band)) {
    auto caption = memo_at(band, x, y, width);
    report::show_caption(*caption, e.field);
    out.push_back({&band, std::move(caption)});
    value_band = data_band_below(band, e.source);
    y = 0;
  }
  if (value_band) {
    auto value = memo_at(*value_band, x, y, width);
    report::show_field(*value, e.source, e.field);
    out.push_back({value_band, std::move(value)});
  }
  return out;
}

}  // namespace orvena::designer
