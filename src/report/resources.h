#pragma once
// The engine's named message texts. A name without a text stands for itself.
#include <string>
#include <string_view>

namespace orvena::report {

std::string_view resource(std::string_view name);

// resource(name) with its one "%s" (or "%d") replaced by `arg`.
std::string resource_format(std::string_view name, std::string_view arg);

}  // namespace orvena::report
