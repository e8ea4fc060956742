// The report's name resolution of data sources and fields, and the start and end of their use in
// a generation run.
#include <exception>

#include "core/text.h"
#include "report/report.h"
#include "report/resources.h"

namespace orvena::report {
namespace {

core::Variant converted_null(FieldType type) {
  switch (type) {
    case FieldType::Text:
      return core::Variant(std::string());
    case FieldType::Boolean:
      return core::Variant(false);
    case FieldType::Other:
    case FieldType::DateTime:
      break;
  }
  return core::Variant(int32_t{0});
}

}  // namespace

DataSet* Report::get_dataset(std::string_view alias) const {
  for (const auto& item : datasets)
    if (DataSet* ds = item->data.get(); ds && core::equals_ignore_case(ds->user_name(), alias)) return ds;
  return nullptr;
}

Report::DataSetAndField Report::get_dataset_and_field(std::string_view complex_name) const {
  auto name = split_field_name(complex_name);
  if (!name) return {};
  return {get_dataset(name->source), std::string(name->field)};
}

std::string Report::get_alias(const DataSet* data_set) const {
  if (!data_set) return {};
  for (const auto& item : datasets)
    if (item->data.get() == data_set) return data_set->user_name();
  return std::string(resource("clDSNotIncl"));
}

std::vector<std::pair<std::string, DataSet*>> Report::get_data_set_list(DataSetKinds kinds) const {
  std::vector<std::pair<std::string, DataSet*>> out;
  for (const auto& item : datasets) {
    DataSet* ds = item->data.get();
    if (!ds) continue;
    if (kinds == DataSetKinds::OnlyDatabase && !ds->is(CustomDBDataSet::static_class())) continue;
    out.emplace_back(ds->user_name(), ds);
  }
  return out;
}

std::optional<core::Variant> Report::data_field_value(std::string_view complex_name) {
  // Read for every printed field: the name is looked at in place, not copied.
  auto name = split_field_name(complex_name);
  if (!name || name->field.empty()) return std::nullopt;
  DataSet* ds = get_dataset(name->source);
  if (!ds) return std::nullopt;
  return data_field_value(*ds, name->field);
}

core::Variant Report::data_field_value(DataSet& data_set, std::string_view field) {
  core::Variant v = data_set.value(field);
  if (v.is_null() && engine_options.convert_nulls) return converted_null(data_set.field_type(field));
  return v;
}

void Report::initialize_data_sets() {
  for (const auto& item : datasets) {
    if (DataSet* ds = item->data.get()) {
      ds->set_using_report(this);
      ds->initialize();
    }
  }
}

void Report::finalize_data_sets() {
  std::exception_ptr first_failure;
  for (const auto& item : datasets) {
    try {
      if (DataSet* ds = item->data.get()) ds->finalize();
    } catch (...) {
      if (!first_failure) first_failure = std::current_exception();
    }
  }
  if (first_failure) std::rethrow_exception(first_failure);
}

}  // namespace orvena::report
