#include "report/datasets.h"

#include <algorithm>
#include <mutex>

#include "core/error.h"
#include "core/text.h"
#include "report/property_stream.h"
#include "report/report.h"
#include "report/resources.h"

namespace orvena::report {

// ---- DialogComponent ----------------------------------------------------------------------

const ClassInfo& DialogComponent::static_class() {
  static const ClassInfo info("TrpDialogComponent", &ReportComponent::static_class(), {});
  return info;
}

void DialogComponent::write_defined(PropertyStreamWriter& out) const {
  out.write_integer("pLeft", static_cast<int32_t>(round_even(left())));
  out.write_integer("pTop", static_cast<int32_t>(round_even(top())));
}

bool DialogComponent::read_defined(std::string_view name, PropertyStreamReader& in) {
  if (name == "pLeft") {
    set_left(in.read_integer());
    return true;
  }
  if (name == "pTop") {
    set_top(in.read_integer());
    return true;
  }
  return false;
}

// ---- Registry -----------------------------------------------------------------------------

namespace {

std::mutex g_registry_mutex;
std::vector<DataSet*>& registry() {
  static std::vector<DataSet*> list;
  return list;
}

}  // namespace

std::vector<DataSet*> dataset_registry::snapshot() {
  std::lock_guard lock(g_registry_mutex);
  return registry();
}

DataSet::DataSet() {
  std::lock_guard lock(g_registry_mutex);
  registry().push_back(this);
}

DataSet::~DataSet() {
  std::lock_guard lock(g_registry_mutex);
  auto& list = registry();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

DataSet* find_data_set(DataSet* current, std::string_view name, const Report* from) {
  if (name.empty()) return nullptr;
  if (from && !from->engine_options.use_global_data_set_list) {
    for (const auto& item : from->datasets)
      if (DataSet* ds = item->data.get(); ds && core::equals_ignore_case(ds->user_name(), name)) return ds;
    return current;
  }
  std::lock_guard lock(g_registry_mutex);
  for (DataSet* ds : registry()) {
    if (!core::equals_ignore_case(ds->user_name(), name)) continue;
    if (from) {
      Report* owner = ds->report();
      if (owner && owner != from) continue;
    }
    return ds;
  }
  return current;
}

// ---- DataSet classes ------------------------------------------------------------------------

void DataSet::set_name(std::string_view name) {
  DialogComponent::set_name(name);
  if (m_user_name.empty()) m_user_name = this->name();
}

void DataSet::set_user_name(std::string_view name) {
  if (core::trim(name).empty()) throw core::Error(std::string(resource("prInvProp")));
  m_user_name = name;
}

const ClassInfo& DataSet::static_class() {
  static const ClassInfo info("TrpDataSet", &DialogComponent::static_class(),
                              {
                                  string_fn<DataSet>(
                                      "UserName", [](const DataSet& d) { return d.user_name(); },
                                      [](DataSet& d, const std::string& v) { d.set_user_name(v); }),
                                  boolean("Enabled", &DataSet::enabled, true),
                                  enumeration("RangeBegin", &DataSet::range_begin, kRangeBeginNames, 0),
                                  enumeration("RangeEnd", &DataSet::range_end, kRangeEndNames, 0),
                                  integer("RangeEndCount", &DataSet::range_end_count, 0),
                              });
  return info;
}

const ClassInfo& UserDataSet::static_class() {
  static const ClassInfo info("TrpUserDataSet", &DataSet::static_class(),
                              {lines("Fields", &UserDataSet::fields)},
                              [] { return std::unique_ptr<Component>(new UserDataSet); });
  return info;
}

const ClassInfo& CustomDBDataSet::static_class() {
  static const ClassInfo info("TrpCustomDBDataSet", &DataSet::static_class(),
                              {
                                  boolean("CloseDataSource", &CustomDBDataSet::close_data_source, false),
                                  boolean("OpenDataSource", &CustomDBDataSet::open_data_source, true),
                                  lines("FieldAliases", &CustomDBDataSet::field_aliases),
                              });
  return info;
}

// ---- Walking ---------------------------------------------------------------------------------

void DataSet::open() {
  if (on_open) on_open();
}

void DataSet::close() {
  if (on_close) on_close();
}

void DataSet::first() {
  m_rec_no = 0;
  m_eof = false;
  if (on_first) on_first();
}

void DataSet::next() {
  m_eof = false;
  ++m_rec_no;
  if (range_end == RangeEnd::Count && m_rec_no >= range_end_count) {
    // RecNo stays on the last record of the range.
    m_rec_no = range_end_count - 1;
    m_eof = true;
    return;
  }
  if (on_next) on_next();
}

void DataSet::prior() {
  --m_rec_no;
  if (on_prior) on_prior();
}

bool DataSet::eof() {
  bool result = range_end == RangeEnd::Count && (m_rec_no >= range_end_count || m_eof);
  if (on_check_eof) on_check_eof(result);
  return result;
}

int64_t DataSet::record_count() {
  return range_begin == RangeBegin::First && range_end == RangeEnd::Count ? range_end_count : 0;
}

// ---- Fields ------------------------------------------------------------------------------------

bool DataSet::has_field(std::string_view field) {
  for (const std::string& name : field_list())
    if (core::equals_ignore_case(name, field)) return true;
  return false;
}

std::vector<std::string> DataSet::blob_lines(std::string_view field) {
  return core::split_lines(blob_bytes(field));
}

Report* DataSet::using_report() const {
  return m_using_report.get();
}

void DataSet::set_using_report(Report* r) {
  m_using_report.reset(r);
}

std::string DataSet::unknown_field(std::string_view field) {
  std::string text(resource("dbFldNotFound"));
  text += ' ';
  text += m_user_name;
  text += ".\"";
  text += field;
  text += '"';
  if (Report* r = using_report()) {
    const Component* reader = r->current_object.get();
    r->add_error(reader ? reader->name() + ": " + text : text);
  }
  return text;
}

core::Variant UserDataSet::value(std::string_view field) {
  return on_get_value ? on_get_value(field) : core::Variant();
}

std::vector<FieldAlias> parse_field_aliases(const std::vector<std::string>& lines) {
  std::vector<FieldAlias> out;
  for (const std::string& line : lines) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    FieldAlias a{line.substr(0, eq), line.substr(eq + 1), false};
    if (!a.field.empty() && a.field.front() == '-') {
      a.hidden = true;
      a.field.erase(0, 1);
    }
    out.push_back(std::move(a));
  }
  return out;
}

std::optional<FieldName> split_field_name(std::string_view complex_name) {
  size_t at = complex_name.find(".\"");
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view rest = complex_name.substr(at + 2);
  if (!rest.empty()) {
    // Normally the closing quote; any other last character goes whole, never a byte of it.
    size_t cut = rest.size() - 1;
    while (cut > 0 && rest.size() - cut < 4 && (static_cast<unsigned char>(rest[cut]) & 0xC0) == 0x80) --cut;
    rest = rest.substr(0, cut);
  }
  return FieldName{complex_name.substr(0, at), rest};
}

// ---- DataLink -------------------------------------------------------------------------------

std::string DataLink::name() const {
  if (DataSet* ds = data_set.get()) return ds->user_name();
  return data_set_name;
}

void DataLink::set(DataSet* ds) {
  data_set.reset(ds);
  data_set_name = ds ? ds->user_name() : std::string();
}

void DataLink::set_name(std::string_view name, const Report* from) {
  data_set_name = name;
  data_set.reset(find_data_set(data_set.get(), name, from));
}

}  // namespace orvena::report
