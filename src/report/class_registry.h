#pragma once
// Component classes by the names used in template files ("TrpReportPage", "TrpMemoView", ...).
// The template reader dispatches through this table; other subsystems add their object types.
#include <string_view>
#include <vector>

#include "report/property.h"

namespace orvena::report::class_registry {

// The class registered under `name` (ignoring case), or nullptr.
const ClassInfo* find(std::string_view name);
// Registers a creatable class (one with a factory); a second class with the same name replaces
// the first.
void add(const ClassInfo& info);
std::vector<const ClassInfo*> all();

}  // namespace orvena::report::class_registry
