#pragma once
// Table entries shared by several classes of the report tree (private to the report library).
#include <string_view>
#include <vector>

#include "report/property.h"

namespace orvena::report {

// "Font"; with `only_own` stored only when the component does not take its parent's font.
PropInfo font_prop(bool only_own);
PropInfo parent_font_prop();
// "Left", "Top", "Width" or "Height" through the component's setters.
PropInfo geometry_prop(std::string_view name);
// The entries every registered object type starts with: cursor, data binding, fill, frame, tag.
std::vector<PropInfo> bound_view_props();

}  // namespace orvena::report
