#pragma once
// What the data tree offers and what a drop of it makes, without a window: the data sources a
// report sees, their fields, the report's and the system's variables, the payload a drag carries
// and the text objects a dropped field becomes.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/starter_template.h"

namespace orvena::report {
class Band;
class DataSet;
class MemoView;
class Report;
}  // namespace orvena::report

namespace orvena::designer {

// The sources an expression of `report` may name: those of the process that belong to no other
// report (the workshop's "DaneOrvena" among them) and the report's own, in registration order.
// Data bands' row counters are nobody's to name and are left out.
std::vector<report::DataSet*> visible_data_sets(const report::Report& report);
report::DataSet* find_visible_data_set(const report::Report& report, std::string_view user_name);

// One entry of the data tree as a drag carries it.
struct DataEntry {
  enum class Kind : uint8_t { Field, Variable };
  Kind kind = Kind::Field;
  std::string source;          // fields only: the source's user name
  report::StarterField field;  // a variable keeps its name here
};
std::string encode_entry(const DataEntry& e);
// nullopt for bytes that are no entry (dropped from elsewhere).
std::optional<DataEntry> decode_entry(std::string_view bytes);
// What an expression writes for it: DaneOrvena."kwota", Page#.
std::string entry_name(const DataEntry& e);

// Header bands take a caption of a dropped field and pass its value to the data band below.
bool is_header_band(const report::Band& band);

// The text objects a drop of `e` on `band` at (x, y) makes: the bound value (in `band`, or for a
// header band in the first data band below it) and, on a header band, the field's caption at
// the same left. A header with no data band below gets the caption alone.
struct DroppedObject {
  report::Band* band;
  std::unique_ptr<report::MemoView> memo;
};
std::vector<DroppedObject> objects_for_drop(const DataEntry& e, report::Band& band, double x, double y);

}  // namespace orvena::designer
