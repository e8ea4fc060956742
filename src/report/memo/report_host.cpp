#include "report/memo/report_host.h"

#include <map>

#include "core/error.h"
#include "core/text.h"
#include "report/bands.h"
#include "report/class_registry.h"
#include "report/engine_context.h"
#include "report/memo/aggregates.h"
#include "report/report.h"
#include "report/resources.h"
#include "report/views.h"
#include "script/errors.h"

namespace orvena::report {

using core::Variant;
using script::HostName;

namespace {

enum FunctionId { kGet, kSet, kDayOf, kMonthOf, kYearOf };
enum MacroId { kIif = 100 };  // totals: their AggregateFunction value

struct Routine {
  HostName::Kind kind;
  int id, min_args, max_args;
};

const std::map<std::string, Routine>& routines() {
  static const std::map<std::string, Routine> table = {
      {"get", {HostName::Kind::Function, kGet, 1, 1}},
      {"set", {HostName::Kind::Function, kSet, 2, 2}},
      {"dayof", {HostName::Kind::Function, kDayOf, 1, 1}},
      {"monthof", {HostName::Kind::Function, kMonthOf, 1, 1}},
      {"yearof", {HostName::Kind::Function, kYearOf, 1, 1}},
      {"iif", {HostName::Kind::Macro, kIif, 3, 3}},
      {"sum", {HostName::Kind::Macro, int(AggregateFunction::Sum), 1, 3}},
      {"avg", {HostName::Kind::Macro, int(AggregateFunction::Avg), 1, 3}},
      {"min", {HostName::Kind::Macro, int(AggregateFunction::Min), 1, 3}},
      {"max", {HostName::Kind::Macro, int(AggregateFunction::Max), 1, 3}},
      {"count", {HostName::Kind::Macro, int(AggregateFunction::Count), 0, 2}},
  };
  return table;
}

const ClassInfo* find_class(const ClassInfo* c, std::string_view name) {
  for (; c; c = c->base)
    if (core::equals_ignore_case(c->name, name)) return c;
  return nullptr;
}

// "Engine" in a script: the generator of the run, reached through the context.
class EngineObject : public core::VariantObject {
 public:
  std::string class_name() const override { return "TrpEngine"; }
};

bool is_engine(const Variant& v) {
  return v.type() == core::VarType::Object && dynamic_cast<EngineObject*>(v.object().get());
}

// Engine members a script reads (and the cursor it may move), in units.
struct EngineProperty {
  std::string_view name;
  Variant (*get)(const ScriptedEngine& e, const RunState& s);
  void (*set)(ScriptedEngine& e, const Variant& v);
};

constexpr EngineProperty kEngineProperties[] = {
    {"CurX", [](const ScriptedEngine& e, const RunState&) { return Variant(e.cur_x()); },
     [](ScriptedEngine& e, const Variant& v) { e.set_cur_x(v.to_double()); }},
    {"CurY", [](const ScriptedEngine& e, const RunState&) { return Variant(e.cur_y()); },
     [](ScriptedEngine& e, const Variant& v) { e.set_cur_y(v.to_double()); }},
    {"PageWidth", [](const ScriptedEngine& e, const RunState&) { return Variant(e.page_width()); }, nullptr},
    {"PageHeight", [](const ScriptedEngine& e, const RunState&) { return Variant(e.page_height()); },
     nullptr},
    {"FreeSpace", [](const ScriptedEngine& e, const RunState&) { return Variant(e.free_space()); }, nullptr},
    {"CurColumn", [](const ScriptedEngine& e, const RunState&) { return Variant(int32_t(e.cur_column())); },
     nullptr},
    {"FinalPass", [](const ScriptedEngine&, const RunState& s) { return Variant(s.final_pass); }, nullptr},
    {"TotalPages", [](const ScriptedEngine&, const RunState& s) { return Variant(int32_t(s.total_pages)); },
     nullptr},
    {"CurLine", [](const ScriptedEngine&, const RunState& s) { return Variant(int32_t(s.line)); }, nullptr},
    {"CurLineThrough",
     [](const ScriptedEngine&, const RunState& s) { return Variant(int32_t(s.line_through)); }, nullptr},
};

const EngineProperty* engine_property(std::string_view name) {
  for (const auto& p : kEngineProperties)
    if (core::equals_ignore_case(p.name, name)) return &p;
  return nullptr;
}

Band* band_of(Component* c) {
  for (; c; c = c->parent())
    if (auto* b = dynamic_cast<Band*>(c)) return b;
  return nullptr;
}

ComponentObject* as_component(const Variant& v) {
  if (v.type() != core::VarType::Object) return nullptr;
  return dynamic_cast<ComponentObject*>(v.object().get());
}

}  // namespace

Variant component_value(Component* c) {
  if (!c) return Variant::null();
  return Variant(std::make_shared<ComponentObject>(c, c, std::string(c->class_name())));
}

int ReportHost::add_name(Name name) {
  m_names.push_back(std::move(name));
  return static_cast<int>(m_names.size() - 1);
}

HostName ReportHost::find_name(std::string_view name) {
  std::string lower = core::to_lower(name);
  if (auto it = routines().find(lower); it != routines().end())
    return {it->second.kind, it->second.id, it->second.min_args, it->second.max_args};

  static const std::map<std::string, Name::What> fixed = {{"report", Name::What::Report},
                                                          {"engine", Name::What::Engine},
                                                          {"outline", Name::What::Outline},
                                                          {"value", Name::What::Value},
                                                          {"self", Name::What::Self}};
  if (auto it = fixed.find(lower); it != fixed.end())
    return {HostName::Kind::Value, add_name({it->second, {}, {}})};

  // System variables whose names are identifiers; the others are reached as <Page#>.
  for (std::string_view system : {"page", "totalpages", "line"})
    if (lower == system)
      return {HostName::Kind::Value, add_name({Name::What::Variable, {}, std::string(name)})};

  Report& report = m_context.report();
  if (Component* c = report.name_index_find(name))
    return {HostName::Kind::Value, add_name({Name::What::Component, c, {}})};
  for (const auto& v : report.variables)
    if (core::equals_ignore_case(v->name, name))
      return {HostName::Kind::Value, add_name({Name::What::Variable, {}, v->name})};
  return {};
}

bool ReportHost::is_class(std::string_view name) {
  if (class_registry::find(name)) return true;
  for (const ClassInfo* c : {&View::static_class(), &CustomMemoView::static_class(), &Band::static_class(),
                             &DataBand::static_class(), &Component::static_class()})
    if (core::equals_ignore_case(c->name, name)) return true;
  return false;
}

Variant ReportHost::get_value(int id) {
  const Name& n = m_names.at(id);
  Report& report = m_context.report();
  switch (n.what) {
    case Name::What::Report:
      return component_value(&report);
    case Name::What::Engine:
      return Variant(std::make_shared<EngineObject>());
    case Name::What::Outline:
      return Variant(std::make_shared<ComponentObject>(nullptr, nullptr, "TrpOutline"));
    case Name::What::Value:
      if (auto* memo = dynamic_cast<CustomMemoView*>(report.current_object.get())) return memo->value;
      return Variant::null();
    case Name::What::Self:
      return component_value(report.current_object.get());
    case Name::What::Component:
      return component_value(n.component.get());
    case Name::What::Variable:
      return m_context.fast_path(n.text).value_or(Variant::null());
  }
  return Variant::null();
}

void ReportHost::set_value(int id, const Variant& value) {
  const Name& n = m_names.at(id);
  if (n.what == Name::What::Variable) return m_context.set_variable(n.text, value);
  if (n.what == Name::What::Value) {
    if (auto* memo = dynamic_cast<CustomMemoView*>(m_context.report().current_object.get())) {
      memo->value = value;
      return;
    }
  }
  script::Host::set_value(id, value);
}

Variant ReportHost::call_function(int id, std::span<const Variant> args) {
  switch (id) {
    case kGet:
      return get(args[0].to_string());
    case kSet:
      m_context.set_variable(args[0].to_string(), args[1]);
      return Variant::null();
    case kDayOf:
      return Variant(core::decode(args[0].to_date()).day);
    case kMonthOf:
      return Variant(core::decode(args[0].to_date()).month);
    case kYearOf:
      return Variant(core::decode(args[0].to_date()).year);
  }
  return Variant::null();
}

Variant ReportHost::call_macro(int id, std::span<const std::string> arg_texts) {
  if (id == kIif) return iif(arg_texts);
  return total(id, arg_texts);
}

Variant ReportHost::get_reference(std::string_view text) {
  return get(text);
}

Variant ReportHost::get(std::string_view name) {
  if (auto v = m_context.fast_path(name)) return *v;
  std::string upper = core::to_upper(core::trim_left(name));
  for (std::string_view f : {"SUM(", "MIN(", "MAX(", "AVG(", "COUNT("})
    if (upper.starts_with(f)) return m_context.calc(name);
  m_context.report().add_error(std::string(resource("clUnknownVar")) + " " + std::string(name));
  return Variant::null();
}

Variant ReportHost::iif(std::span<const std::string> arg_texts) {
  try {
    bool condition = m_context.calc(arg_texts[0]).to_bool();
    return m_context.calc(arg_texts[condition ? 1 : 2]);
  } catch (const core::Error&) {
    // Errors inside IIF give no value rather than ending the run.
    return Variant::null();
  }
}

Variant ReportHost::total(int function, std::span<const std::string> arg_texts) {
  auto f = static_cast<AggregateFunction>(function);
  size_t first = f == AggregateFunction::Count ? 0 : 1;
  std::string expression = first ? core::trim(arg_texts[0]) : std::string();
  auto arg = [&](size_t i) { return i < arg_texts.size() ? core::trim(arg_texts[i]) : std::string(); };

  const DataBand* band = nullptr;
  if (std::string text = arg(first); !text.empty()) band = band_argument(m_context.report(), text);
  int64_t flags = 0;
  if (std::string text = arg(first + 1); !text.empty()) flags = m_context.calc(text).to_int64();

  Band* parent = band_of(m_context.report().current_object.get());
  return m_context.totals().get_value(parent, f, expression, band, flags, m_context.state.vertical_column);
}

// ---- Members ----------------------------------------------------------------------------------

namespace {

enum class Special { None, Name, Text, Value };

Special special_member(const Persistent* p, std::string_view name) {
  auto* c = dynamic_cast<const Component*>(p);
  if (!c) return Special::None;
  if (core::equals_ignore_case(name, "Name")) return Special::Name;
  if (!dynamic_cast<const CustomMemoView*>(c)) return Special::None;
  if (core::equals_ignore_case(name, "Text")) return Special::Text;
  if (core::equals_ignore_case(name, "Value")) return Special::Value;
  return Special::None;
}

std::string join_lines(const std::vector<std::string>& lines) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) out += (i ? "\r\n" : "") + lines[i];
  return out;
}

}  // namespace

bool ReportHost::has_member(const Variant& object, std::string_view name) {
  ComponentObject* o = as_component(object);
  Persistent* p = o ? o->target() : nullptr;
  return p && (special_member(p, name) != Special::None || p->class_info().find(name));
}

ScriptedEngine& ReportHost::engine(std::string_view member) {
  // Outside a generation run there is no engine to ask.
  if (!m_context.engine)
    throw core::Error(std::string(script::text::kUndeclared) + "'" + std::string(member) + "'");
  return *m_context.engine;
}

Variant ReportHost::get_property(const Variant& object, std::string_view name) {
  if (is_engine(object)) {
    const EngineProperty* p = engine_property(name);
    if (!p) return script::Host::get_property(object, name);
    return p->get(engine(name), m_context.state);
  }
  ComponentObject* o = as_component(object);
  Persistent* p = o ? o->target() : nullptr;
  if (!p) return script::Host::get_property(object, name);
  switch (special_member(p, name)) {
    case Special::Name:
      return Variant(static_cast<Component*>(p)->name());
    case Special::Text:
      return Variant(static_cast<CustomMemoView*>(p)->text());
    case Special::Value:
      return static_cast<CustomMemoView*>(p)->value;
    case Special::None:
      break;
  }
  const PropInfo* prop = p->class_info().find(name);
  if (!prop) return script::Host::get_property(object, name);
  switch (prop->kind) {
    case PropKind::Integer:
    case PropKind::Set:
    case PropKind::Enumeration:
      return Variant(prop->get_ordinal(*p));
    case PropKind::Boolean:
      return Variant(prop->get_ordinal(*p) != 0);
    case PropKind::Float:
      return Variant(prop->get_float(*p));
    case PropKind::String:
      return Variant(prop->get_string(*p));
    case PropKind::StringList:
      return Variant(join_lines(prop->get_lines(*p)));
    case PropKind::Object: {
      Persistent* part = prop->get_object(*p);
      if (!part) return Variant::null();
      return Variant(
          std::make_shared<ComponentObject>(o->owner.get(), part, std::string(part->class_info().name)));
    }
    case PropKind::Reference:
      return component_value(prop->get_reference(*p));
  }
  return Variant::null();
}

void ReportHost::set_property(const Variant& object, std::string_view name, const Variant& value) {
  if (is_engine(object)) {
    const EngineProperty* p = engine_property(name);
    if (!p || !p->set) return script::Host::set_property(object, name, value);
    return p->set(engine(name), value);
  }
  ComponentObject* o = as_component(object);
  Persistent* p = o ? o->target() : nullptr;
  if (!p) return script::Host::set_property(object, name, value);
  // A font changed in place (Memo1.Font.Color := clRed) becomes the object's own, or the
  // parent's font would be copied over it again.
  struct FontChange {
    Component* owner;
    ~FontChange() {
      if (owner) owner->font_changed();
    }
  } font_change{p == &o->owner->font_for_update() ? o->owner.get() : nullptr};
  switch (special_member(p, name)) {
    case Special::Name:
      return static_cast<Component*>(p)->set_name(value.to_string());
    case Special::Text:
      return static_cast<CustomMemoView*>(p)->set_text(value.to_string());
    case Special::Value:
      static_cast<CustomMemoView*>(p)->value = value;
      return;
    case Special::None:
      break;
  }
  const PropInfo* prop = p->class_info().find(name);
  if (!prop || !prop->has_setter()) return script::Host::set_property(object, name, value);
  switch (prop->kind) {
    case PropKind::Integer:
    case PropKind::Set:
    case PropKind::Enumeration:
      return prop->set_ordinal(*p, value.to_int64());
    case PropKind::Boolean:
      return prop->set_ordinal(*p, value.to_bool() ? 1 : 0);
    case PropKind::Float:
      return prop->set_float(*p, value.to_double());
    case PropKind::String:
      return prop->set_string(*p, value.to_string());
    case PropKind::StringList:
      return prop->set_lines(*p, core::split_lines(value.to_string()));
    case PropKind::Reference: {
      ComponentObject* target = as_component(value);
      return prop->set_reference(*p, target ? target->owner.get() : nullptr);
    }
    case PropKind::Object:
      return script::Host::set_property(object, name, value);
  }
}

Variant ReportHost::call_method(const Variant& object, std::string_view name, std::span<const Variant> args) {
  if (!is_engine(object)) return script::Host::call_method(object, name, args);
  auto is = [&](std::string_view method, size_t count) {
    if (!core::equals_ignore_case(name, method)) return false;
    if (args.size() < count) throw core::Error(std::string(script::text::kTooFewParams));
    if (args.size() > count) throw core::Error(std::string(script::text::kTooManyParams));
    return true;
  };
  ScriptedEngine& e = engine(name);
  if (is("NewPage", 0)) {
    e.new_page();
  } else if (is("NewColumn", 0)) {
    e.new_column();
  } else if (is("StopReport", 0)) {
    e.stop_report();
  } else if (is("AddAnchor", 1)) {
    e.add_anchor(args[0].to_string());
  } else if (is("FreeSpace", 0)) {
    return Variant(e.free_space());
  } else if (is("ShowBand", 1) || is("ShowBandByName", 1)) {
    Component* c = nullptr;
    if (ComponentObject* o = as_component(args[0]))
      c = o->owner.get();
    else
      c = m_context.report().name_index_find(args[0].to_string());
    auto* band = dynamic_cast<Band*>(c);
    if (!band) throw core::Error("Nie znaleziono pasma: " + args[0].to_string());
    e.show_band(*band);
  } else {
    return script::Host::call_method(object, name, args);
  }
  return Variant::null();
}

bool ReportHost::is_instance(const Variant& object, std::string_view class_name) {
  ComponentObject* o = as_component(object);
  if (!o || !o->target()) return script::Host::is_instance(object, class_name);
  return find_class(&o->target()->class_info(), class_name) != nullptr;
}

}  // namespace orvena::report
