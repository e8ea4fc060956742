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

const ClassInfo& DBDataset::static_class() {
  auto outside_report = [](const Persistent& o) {
    return static_cast<const DBDataset&>(o).report() == nullptr;
  };
  static const ClassInfo info("TrpDBDataset", &CustomDBDataSet::static_class(),
                              {
                                  string("DataSet", &DBDataset::data_set).stored_if(outside_report),
                                  string("DataSource", &DBDataset::data_source).stored_if(outside_report),
                                  boolean("BCDToCurrency", &DBDataset::bcd_to_currency, false),
                              },
                              [] { return std::unique_ptr<Component>(new DBDataset); });
  return info;
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
