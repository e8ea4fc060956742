#include "script/host.h"

#include "core/error.h"
#include "script/errors.h"

namespace orvena::script {

// Defaults for a host without objects: every member is undeclared.

void Host::set_value(int, const core::Variant&) {
  throw core::Error(std::string(text::kNotAssignable));
}

core::Variant Host::call_macro(int, std::span<const std::string>) {
  return core::Variant::null();
}

bool Host::has_member(const core::Variant&, std::string_view) {
  return false;
}

core::Variant Host::get_property(const core::Variant&, std::string_view name) {
  throw core::Error(std::string(text::kUndeclared) + in_quotes(name));
}

void Host::set_property(const core::Variant&, std::string_view name, const core::Variant&) {
  throw core::Error(std::string(text::kUndeclared) + in_quotes(name));
}

core::Variant Host::call_method(const core::Variant&, std::string_view name, std::span<const core::Variant>) {
  throw core::Error(std::string(text::kUndeclared) + in_quotes(name));
}

core::Variant Host::get_default(const core::Variant& object, std::span<const core::Variant>) {
  throw core::Error("Klasa " + object.object()->class_name() + " nie posiada domyślnych właściowości");
}

void Host::set_default(const core::Variant& object, std::span<const core::Variant> index,
                       const core::Variant&) {
  get_default(object, index);
}

bool Host::is_instance(const core::Variant& object, std::string_view class_name) {
  return object.type() == core::VarType::Object && object.object()->class_name() == class_name;
}

}  // namespace orvena::script
