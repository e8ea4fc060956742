#pragma once
// Report-side data sources as tree components (their behaviour while a report runs is built on
// top of these), the process-wide list of sources, and the DataSet/DataSetName pairing that
// pages, bands and views share.
#include <string>
#include <vector>

#include "report/component.h"

namespace orvena::report {

// A non-visual component living on the data page; its position there is kept in the property
// stream as "pLeft" and "pTop".
class DialogComponent : public ReportComponent {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  void write_defined(PropertyStreamWriter& out) const override;
  bool read_defined(std::string_view name, PropertyStreamReader& in) override;
};

enum class RangeBegin : uint8_t { First, Current };
inline constexpr std::string_view kRangeBeginNames[] = {"rbFirst", "rbCurrent"};
enum class RangeEnd : uint8_t { Last, Current, Count };
inline constexpr std::string_view kRangeEndNames[] = {"reLast", "reCurrent", "reCount"};

class DataSet : public DialogComponent {
 public:
  DataSet();
  ~DataSet() override;
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }

  // Also sets UserName when that is empty.
  void set_name(std::string_view name) override;
  const std::string& user_name() const { return m_user_name; }
  // Throws "Nieprawidłowa wartość właściowości" for a name that is empty after trimming blanks.
  void set_user_name(std::string_view name);

  bool enabled = true;
  RangeBegin range_begin = RangeBegin::First;
  RangeEnd range_end = RangeEnd::Last;
  int64_t range_end_count = 0;

 private:
  std::string m_user_name;
};

class UserDataSet : public DataSet {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  std::vector<std::string> fields;
};

class CustomDBDataSet : public DataSet {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  bool close_data_source = false;
  bool open_data_source = true;
  std::vector<std::string> field_aliases;
};

// The adapter over a database dataset. `data_set`/`data_source` name the platform objects; they
// are written only when the adapter is not inside a report.
class DBDataset : public CustomDBDataSet {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  std::string data_set;
  std::string data_source;
  bool bcd_to_currency = false;
};

// Every data source of the process, in registration order.
namespace dataset_registry {
std::vector<DataSet*> snapshot();
}  // namespace dataset_registry

// The source named `name` (UserName, ignoring case) as seen from `from` (a report, or nothing);
// `current` when none matches; nothing for an empty name.
DataSet* find_data_set(DataSet* current, std::string_view name, const Report* from);

// DataSet reference and DataSetName kept as a pair: setting the reference sets the name to the
// source's UserName; setting the name looks the source up; reading the name yields the
// referenced source's UserName when there is one.
struct DataLink {
  Ref<DataSet> data_set;
  std::string data_set_name;

  DataSet* get() const { return data_set.get(); }
  std::string name() const;
  void set(DataSet* ds);
  void set_name(std::string_view name, const Report* from);
};

// Table entries for a DataLink member of a component class.
template <class C>
PropInfo data_set_prop(DataLink C::*m) {
  return reference_fn<C>(
      "DataSet", [m](const C& c) -> Component* { return (c.*m).get(); },
      [m](C& c, Component* v) { (c.*m).set(dynamic_cast<DataSet*>(v)); });
}
template <class C>
PropInfo data_set_name_prop(DataLink C::*m) {
  return string_fn<C>(
      "DataSetName", [m](const C& c) { return (c.*m).name(); },
      [m](C& c, const std::string& v) { (c.*m).set_name(v, c.report()); });
}

}  // namespace orvena::report
