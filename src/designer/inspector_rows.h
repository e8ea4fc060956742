#pragma once
// What the inspector shows, taken from the class tables alone: the rows of the properties that a
// selection has in common, a property found again by its path in each object, and the texts of
// values (numbers in the grid's unit, colours, pictures). No widgets here.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "designer/layout_rules.h"
#include "picture/picture.h"
#include "report/property.h"

namespace orvena::designer {

// Property names from a component down through its nested objects: {"Frame", "LeftLine", "Width"}.
using PropPath = std::vector<std::string>;
std::string path_text(const PropPath& path);  // "Frame.LeftLine.Width"

struct PropTarget {
  report::Persistent* object;  // the object that holds the property
  const report::PropInfo* prop;
};
// The property at `path` in `root`, through the nested objects' getters; none when a step is
// missing or is not a nested object.
std::optional<PropTarget> resolve(report::Persistent& root, const PropPath& path);

// One row: a property that every object of the selection has, with the same kind and a setter;
// nested objects have the rows of their own properties below them.
struct PropRow {
  PropPath path;
  const report::PropInfo* prop;  // the first object's entry: kind, role, member names
  std::vector<PropRow> children;
};
enum class RowFilter : uint8_t { Properties, Events };
// Rows in table order. Events are the top-level procedure names; the other filter gives
// everything else.
std::vector<PropRow> common_rows(const std::vector<report::Persistent*>& objects, RowFilter filter);

// Numbers as the operator reads and types them: a decimal comma, up to four decimals.
std::string format_number(double v);
// Accepts a comma or a point, blanks around, and a trailing unit abbreviation of `unit`.
std::optional<double> parse_number(std::string_view text, std::string_view unit = {});
// Units per step of the unit a Length or Size is shown in, and its abbreviation.
double unit_factor(GridUnit unit);
std::string_view unit_abbreviation(GridUnit unit);

// Colours as stored (0x00BBGGRR; kNoColor for none) and their names in the list of the editor.
struct NamedColour {
  std::string_view name;
  int64_t value;
};
const std::vector<NamedColour>& named_colours();
std::string colour_text(int64_t value);  // a name, "#RRGGBB", or "systemowy N"

// The storage form of a picture file by its first bytes; Kind::None when it is none we keep.
picture::Kind picture_kind(std::string_view bytes);

}  // namespace orvena::designer
