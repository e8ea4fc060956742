#pragma once
// The adapter that publishes the query dataset to templates (the session publishes it as
// "DaneOrvena"). This file pair is the only place where the report engine meets the database
// layer's types.
#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "report/datasets.h"

namespace orvena::db {
class Query;
}

namespace orvena::report {

// States: not initialised -> initialised (hooks on the dataset's open and close) -> open (field
// map built; the first first(), next(), eof(), value() or record_count() opens it) -> finalised
// (hooks removed; the dataset closed only with CloseDataSource). When someone else closes the
// dataset meanwhile, the next access opens it again.
class DBDataset : public CustomDBDataSet {
 public:
  DBDataset();
  ~DBDataset() override;
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }

  // The names of the platform objects, as templates keep them (setting one through the property
  // table clears the other); written only when the adapter is not inside a report. The query
  // itself is the one attach() gives.
  std::string data_set;
  std::string data_source;
  // Decimal fields read as currency when set, as double otherwise (the published adapter).
  bool bcd_to_currency = false;

  // The query dataset this adapter reads. Without one, initialize() and every access fail with
  // "Źródło <name> jest niepodłączone". The dataset must outlive the adapter or be detached.
  void attach(db::Query* dataset);
  db::Query* attached() const { return m_dataset; }

  void initialize() override;
  void finalize() override;
  void open() override;
  void close() override;
  void first() override;
  void next() override;
  void prior() override;
  bool eof() override;
  int64_t record_count() override;

  std::vector<std::string> field_list() override;
  core::Variant value(std::string_view field) override;
  std::string display_text(std::string_view field) override;
  int display_width(std::string_view field) override;
  FieldType field_type(std::string_view field) override;
  bool is_blob_field(std::string_view field) override;
  std::string blob_bytes(std::string_view field) override;

 private:
  struct CaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  // Names seen by reports -> the dataset's field index (none for an alias of a missing field).
  using FieldMap = std::map<std::string, std::optional<size_t>, CaseLess>;

  db::Query& dataset() const;
  void open_if_needed();
  void build_field_map();
  void hook();
  void unhook();
  // The dataset's field index for a name seen by reports; nullopt when unknown.
  std::optional<size_t> field_index(std::string_view field);

  db::Query* m_dataset = nullptr;
  FieldMap m_fields;
  // The last names looked up, byte for byte as written: a report reads the same few fields for
  // every record, and an exact compare costs less than the case-blind map.
  struct RecentField {
    std::string name;
    std::optional<size_t> index;
  };
  std::array<RecentField, 8> m_recent;
  size_t m_recent_next = 0;
  void forget_recent();
  std::optional<size_t> m_bookmark;
  bool m_initialized = false;
  bool m_own_eof = false;
  int m_after_open_hook = 0;
  int m_before_close_hook = 0;
};

}  // namespace orvena::report
