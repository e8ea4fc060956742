#pragma once
// What the report gives the interpreter: its names (components, "Report", "Engine", "Outline",
// "Value", "Self", report variables), its functions (Get, Set, IIF, DayOf, ...), the totals as
// macro functions that receive their arguments' source text, "<...>" report values, and the
// properties and methods of its objects. The interpreter asks for names while compiling and keeps
// the ids it is given, so a run looks nothing up by text except members of objects.
//
// Objects are core::Variant values holding a core::VariantObject; the host decides what they are.
// Every method may throw core::Error with the system's text; the interpreter lets it through to
// the script's try statements and out of the run.
#include <span>
#include <string>
#include <string_view>

#include "core/variant.h"

namespace orvena::script {

struct HostName {
  enum class Kind { None, Value, Function, Macro };
  Kind kind = Kind::None;
  int id = 0;
  // Functions and macros: the accepted argument counts, checked at compile time.
  int min_args = 0, max_args = 0;
};

class Host {
 public:
  virtual ~Host() = default;

  // Compile time: a name the script does not declare itself.
  virtual HostName find_name(std::string_view name) = 0;
  // Compile time: a class name usable as a type and on the right of IS.
  virtual bool is_class(std::string_view name) { return false; }

  // Kind::Value names: read and assign (an object, a report variable, "Value", "Self").
  virtual core::Variant get_value(int id) = 0;
  virtual void set_value(int id, const core::Variant& value);
  // Kind::Function names, with argument values.
  virtual core::Variant call_function(int id, std::span<const core::Variant> args) = 0;
  // Kind::Macro names, with the arguments' source texts (trimmed).
  virtual core::Variant call_macro(int id, std::span<const std::string> arg_texts);
  // "<text>": the report value (the report function Get).
  virtual core::Variant get_reference(std::string_view text) = 0;

  // Members of objects. has_member answers whether a with-target supplies a name.
  virtual bool has_member(const core::Variant& object, std::string_view name);
  virtual core::Variant get_property(const core::Variant& object, std::string_view name);
  virtual void set_property(const core::Variant& object, std::string_view name, const core::Variant& value);
  virtual core::Variant call_method(const core::Variant& object, std::string_view name,
                                    std::span<const core::Variant> args);
  // object[index...]: the class's default property.
  virtual core::Variant get_default(const core::Variant& object, std::span<const core::Variant> index);
  virtual void set_default(const core::Variant& object, std::span<const core::Variant> index,
                           const core::Variant& value);
  // IS: whether the object is of the named class (or derives from it).
  virtual bool is_instance(const core::Variant& object, std::string_view class_name);
};

}  // namespace orvena::script
