#pragma once
// The report as the script interpreter sees it: its components by name with the properties of
// their tables, "Report", "Engine", "Outline", "Value", "Self", the report variables, Get, Set,
// DayOf/MonthOf/YearOf, and IIF and the totals as macros that receive their arguments' text.
#include <memory>
#include <string>
#include <vector>

#include "report/component.h"
#include "script/host.h"

namespace orvena::report {

class EngineContext;
class ScriptedEngine;

// A component (or a value object inside one, such as its Font) held by a script value. It
// notices the component's destruction and then reads as nothing.
class ComponentObject : public core::VariantObject {
 public:
  ComponentObject(Component* owner, Persistent* part, std::string class_name)
      : owner(owner), part(part), m_class(std::move(class_name)) {}
  std::string class_name() const override { return m_class; }
  Persistent* target() const { return owner ? part : nullptr; }

  Ref<Component> owner;
  Persistent* part;

 private:
  std::string m_class;
};

// A script value for a component.
core::Variant component_value(Component* c);

class ReportHost : public script::Host {
 public:
  explicit ReportHost(EngineContext& context) : m_context(context) {}

  script::HostName find_name(std::string_view name) override;
  bool is_class(std::string_view name) override;
  core::Variant get_value(int id) override;
  void set_value(int id, const core::Variant& value) override;
  core::Variant call_function(int id, std::span<const core::Variant> args) override;
  core::Variant call_macro(int id, std::span<const std::string> arg_texts) override;
  core::Variant get_reference(std::string_view text) override;

  bool has_member(const core::Variant& object, std::string_view name) override;
  core::Variant get_property(const core::Variant& object, std::string_view name) override;
  void set_property(const core::Variant& object, std::string_view name, const core::Variant& value) override;
  // Methods of "Engine": NewPage, NewColumn, ShowBand(Band or name), ShowBandByName, StopReport,
  // FreeSpace, AddAnchor(name).
  core::Variant call_method(const core::Variant& object, std::string_view name,
                            std::span<const core::Variant> args) override;
  bool is_instance(const core::Variant& object, std::string_view class_name) override;

  // The report function Get: the fast path, then the totals through calc; an unknown name adds
  // "Nieznana zmienna lub pole danych: <name>" to the report's errors and gives null.
  core::Variant get(std::string_view name);
  // The macro IIF: the condition, then one of the two other texts; errors inside give null.
  core::Variant iif(std::span<const std::string> arg_texts);
  // The macros SUM, AVG, MIN, MAX and COUNT as the text object being filled reads them.
  core::Variant total(int function, std::span<const std::string> arg_texts);

 private:
  struct Name {
    enum class What { Report, Engine, Outline, Value, Self, Component, Variable } what;
    Ref<Component> component;
    std::string text;
  };
  int add_name(Name name);

  ScriptedEngine& engine(std::string_view member);
  EngineContext& m_context;
  std::vector<Name> m_names;
};

}  // namespace orvena::report
