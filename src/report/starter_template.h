#pragma once
// A first template for a query: what an operator starts from before drawing anything. Title with
// the report's name, a page header naming the fields, one master data band with a text object
// per field, a summary counting the rows and a page footer "Strona [Page#] z [TotalPages#]"
// (two passes, so that the total is known on every page).
//
//   report::Report r;
//   report::make_starter_template(r, "Sprzedaż", published);   // published: "DaneOrvena"
//   r.save_to_file(home.templates() / "sprzedaz.orp");
#include <string>
#include <string_view>
#include <vector>

namespace orvena::report {

class DataSet;
class MemoView;
class Report;

// One column of the starter template.
struct StarterField {
  std::string name;
  int display_width = 10;  // characters
  bool numeric = false;
};

// The columns of `source` in field order: width by its display width, numbers are fields that
// are neither text, date, logical nor binary.
std::vector<StarterField> starter_fields(DataSet& source);

// A column's width in units: the field's display width (or its name, when longer) within limits.
double field_column_width(const StarterField& f);
inline constexpr double kFieldRowHeight = 18;
// The bracketed expression of a field: [Source."Field"], with a quote inside the name doubled.
std::string field_expression(std::string_view source, std::string_view field);
// `memo` shows the field: its expression, numbers right-aligned with the number format.
void show_field(MemoView& memo, std::string_view source, const StarterField& f);
// `memo` names the field above its column: bold, aligned as the values, a line below.
void show_caption(MemoView& memo, const StarterField& f);

// Clears `report` and builds the starter template over the source published as `source_name`.
// Columns wider together than an A4 portrait page turn the page to landscape and, if still too
// wide, share the printable width in proportion to their widths.
void make_starter_template(Report& report, std::string_view title, std::string_view source_name,
                           const std::vector<StarterField>& fields);

}  // namespace orvena::report
