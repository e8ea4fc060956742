#pragma once
// Report-side data sources: the tree components templates hold, their run-time contract (how a
// band walks a source and how text objects, expressions and the script read its fields), the
// process-wide list of sources, and the DataSet/DataSetName pairing that pages, bands and views
// share. The adapter over the query dataset is in db_dataset.h.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/variant.h"
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

// How a field's null is converted when nulls are converted: text gives "", Boolean gives False,
// numbers, dates and everything else give the integer 0.
enum class FieldType : uint8_t { Other = 0, Text = 1, Boolean = 2, DateTime = 3 };

// A data source as the report engine sees it.
//
// Walking (page generation). A run hands every source of the report's Datasets the report and
// calls initialize(); at its end finalize(). In between a band walks a source as
//     for (ds.first(); !ds.eof(); ds.next()) ...
// and rec_no() counts the records of the walk from 0. RangeBegin/RangeEnd narrow the walk:
// rbCurrent starts at the record that was current when the source was opened, reCurrent stops
// at it, reCount stops after RangeEndCount records. prior() steps back one record (group
// footers show the last record of their group).
//
// Fields (memo text, expressions, the script). Names are matched ignoring case. value() gives the
// field's value (Null for a database null; Empty, with an error line in the using report's
// Errors, for an unknown field); display_text() the text a text object shows; field_type() how a
// null converts. Reading a field opens the source when needed.
//
// The base class keeps RecNo, the end flag and the host callbacks; it has no records or fields of
// its own. Failures are core::Error with the system's message.
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

  // ---- Walking ----
  virtual void initialize() {}
  virtual void finalize() {}
  virtual void open();
  virtual void close();
  virtual void first();
  virtual void next();
  virtual void prior();
  virtual bool eof();
  virtual int64_t record_count();
  int64_t rec_no() const { return m_rec_no; }

  // ---- Fields ----
  virtual std::vector<std::string> field_list() { return {}; }
  bool has_field(std::string_view field);
  size_t fields_count() { return field_list().size(); }
  virtual core::Variant value(std::string_view field) { return {}; }
  virtual std::string display_text(std::string_view field) { return {}; }
  virtual int display_width(std::string_view field) { return 10; }
  virtual FieldType field_type(std::string_view field) { return FieldType::Other; }
  virtual bool is_blob_field(std::string_view field) { return false; }
  // A blob's content as bytes (a picture) or as text lines (a memo).
  virtual std::string blob_bytes(std::string_view field) { return {}; }
  std::vector<std::string> blob_lines(std::string_view field);

  // ---- Host callbacks ----
  std::function<void()> on_first, on_next, on_prior, on_open, on_close;
  std::function<void(bool& eof)> on_check_eof;

  // The report running with this source (set when a run initialises its sources); unknown
  // fields are written to its Errors.
  Report* using_report() const;
  void set_using_report(Report* r);

 protected:
  // Adds "<object being printed>: Nieznaleziono pola: User."field"" to the using report's Errors
  // and returns the text after the object's name.
  std::string unknown_field(std::string_view field);

 private:
  std::string m_user_name;
  int64_t m_rec_no = 0;
  bool m_eof = false;
  Ref<Report> m_using_report;
};

// A source without storage: its fields are `fields`, its values come from the host's callback.
// Data bands own one as their row counter (reCount over RowCount records).
class UserDataSet : public DataSet {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  std::vector<std::string> fields;
  std::function<core::Variant(std::string_view field)> on_get_value;

  std::vector<std::string> field_list() override { return fields; }
  core::Variant value(std::string_view field) override;
  std::string display_text(std::string_view field) override { return value(field).to_string(); }
};

// One line of FieldAliases: "Field=Alias" shows the database field to reports under the alias;
// "-Field=Alias" hides it.
struct FieldAlias {
  std::string field;
  std::string alias;
  bool hidden = false;
};
// Lines without "=" name nothing and are left out.
std::vector<FieldAlias> parse_field_aliases(const std::vector<std::string>& lines);

class CustomDBDataSet : public DataSet {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  bool close_data_source = false;
  bool open_data_source = true;
  std::vector<std::string> field_aliases;
};

// A field as expressions name it: the source's user name, a dot and the field name in double
// quotes (DaneOrvena."kwota"). Split at the first dot followed by a double quote; the field is the
// rest without its last character (the closing quote, or whatever character stands there).
// nullopt without that pair.
struct FieldName {
  std::string_view source;
  std::string_view field;
};
std::optional<FieldName> split_field_name(std::string_view complex_name);

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
             [m](C& c, Component* v) { (c.*m).set(dynamic_cast<DataSet*>(v)); })
      .referring_to(&DataSet::static_class);
}
template <class C>
PropInfo data_set_name_prop(DataLink C::*m) {
  return string_fn<C>(
      "DataSetName", [m](const C& c) { return (c.*m).name(); },
      [m](C& c, const std::string& v) { (c.*m).set_name(v, c.report()); });
}

}  // namespace orvena::report
