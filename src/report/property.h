#pragma once
// Persistent properties: every class of the report tree describes its stored properties in one
// table (name, kind, default, stored rule, accessors), in the order the template writer emits
// them. The template reader and writer, copying and the prepared-pages store all work from these
// tables instead of knowing each class.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orvena::report {

class Component;
class PropertyStreamReader;
class PropertyStreamWriter;
struct ClassInfo;

// Anything with persistent properties: components and the value objects nested in them.
class Persistent {
 public:
  virtual ~Persistent() = default;
  virtual const ClassInfo& class_info() const = 0;
  // Data outside the property table, kept as a property stream ("PropData"): positions of data
  // components, picture bytes. The default has none.
  virtual void write_defined(PropertyStreamWriter& out) const {}
  // Returns false for an entry name this object does not define.
  virtual bool read_defined(std::string_view name, PropertyStreamReader& in) { return false; }
  // An attribute of a template element that names no property of the class; most classes let it
  // pass unnoticed.
  virtual void ignored_attribute(std::string_view name) {}
};

enum class PropKind : uint8_t {
  Integer,      // decimal integer, also colours
  Boolean,      // "True" / "False"
  Enumeration,  // member name, or its ordinal on reading
  Set,          // integer of member bits
  Float,        // general format, 15 significant digits, always written
  String,       // escaped, written unless empty
  StringList,   // one attribute "<Name>.Text": the lines joined with CR LF
  Object,       // nested value object: its properties with "<Name>." as prefix
  Reference,    // another component, written by name
};

using Names = std::span<const std::string_view>;

// What a value means beyond how it is stored; the designer's inspector chooses its editor by it.
enum class PropRole : uint8_t {
  Plain,
  Color,       // an Integer holding a colour: 0x00BBGGRR, negative system colours, kNoColor for none
  Event,       // a String naming a procedure of the report's script
  Length,      // a Float in units (pixels at 96 per inch)
  Size,        // a Float in units that cannot be negative
  Expression,  // a String evaluated by the report's script (a filter, a group condition)
};

struct PropInfo {
  std::string_view name;
  PropKind kind = PropKind::Integer;
  Names names;                             // members of an enumeration or a set
  std::optional<int64_t> ordinal_default;  // ordinal kinds; none: always written
  std::vector<std::string> lines_default;  // string lists are written when they differ from it

  std::function<int64_t(const Persistent&)> get_ordinal;
  std::function<void(Persistent&, int64_t)> set_ordinal;
  std::function<double(const Persistent&)> get_float;
  std::function<void(Persistent&, double)> set_float;
  std::function<std::string(const Persistent&)> get_string;
  std::function<void(Persistent&, const std::string&)> set_string;
  std::function<std::vector<std::string>(const Persistent&)> get_lines;
  std::function<void(Persistent&, std::vector<std::string>)> set_lines;
  std::function<Persistent*(Persistent&)> get_object;
  // Whether two objects hold the same value, compared in place without copying it out. Set by
  // the member-based builders; floats compare exactly (a caller with a tolerance asks the getter
  // when this says no). Empty for accessor-based and nested properties.
  std::function<bool(const Persistent&, const Persistent&)> same;
  std::function<Component*(const Persistent&)> get_reference;
  std::function<void(Persistent&, Component*)> set_reference;
  // Stored rule; empty means always stored (subject to the default).
  std::function<bool(const Persistent&)> stored;
  bool never_stored = false;
  PropRole role = PropRole::Plain;
  // References: the class of the components it may point at.
  const ClassInfo& (*refers_to)() = nullptr;
  // Nested objects the getter makes when asked (a text object's first display format): reading
  // one from an object that lacks it changes that object.
  bool made_on_demand = false;

  bool is_stored(const Persistent& o) const { return !never_stored && (!stored || stored(o)); }
  bool has_setter() const;
  const Persistent* object(const Persistent& o) const { return get_object(const_cast<Persistent&>(o)); }

  // Chained modifiers for the class tables.
  PropInfo&& not_stored() && {
    never_stored = true;
    return std::move(*this);
  }
  PropInfo&& stored_if(std::function<bool(const Persistent&)> rule) && {
    stored = std::move(rule);
    return std::move(*this);
  }
  PropInfo&& as(PropRole r) && {
    role = r;
    return std::move(*this);
  }
  PropInfo&& referring_to(const ClassInfo& (*target)()) && {
    refers_to = target;
    return std::move(*this);
  }
  PropInfo&& on_demand() && {
    made_on_demand = true;
    return std::move(*this);
  }
};

// A class of the report tree: its own properties (base classes first when flattened), and for
// registered component classes the factory the template reader uses.
struct ClassInfo {
  ClassInfo(std::string_view name, const ClassInfo* base, std::vector<PropInfo> props,
            std::unique_ptr<Component> (*create)() = nullptr);
  ClassInfo(const ClassInfo&) = delete;
  ClassInfo& operator=(const ClassInfo&) = delete;

  std::string_view name;
  const ClassInfo* base;
  std::vector<PropInfo> own;
  std::unique_ptr<Component> (*create)();
  std::vector<const PropInfo*> all;  // base classes first, in writing order

  const PropInfo* find(std::string_view prop_name) const;  // ignoring case
  bool inherits(const ClassInfo& other) const;

 private:
  std::unordered_map<std::string, const PropInfo*> m_by_name;  // lower-case keys
};

// ---- Builders for the class tables -------------------------------------------------------------

template <class C, class T>
auto same_member(T C::*m) {
  return [m](const Persistent& a, const Persistent& b) {
    return static_cast<const C&>(a).*m == static_cast<const C&>(b).*m;
  };
}

template <class C, class T>
PropInfo ordinal_member(std::string_view name, T C::*m, PropKind kind, std::optional<int64_t> def,
                        Names names = {}) {
  PropInfo p;
  p.name = name;
  p.kind = kind;
  p.names = names;
  p.ordinal_default = def;
  p.get_ordinal = [m](const Persistent& o) { return static_cast<int64_t>(static_cast<const C&>(o).*m); };
  p.set_ordinal = [m](Persistent& o, int64_t v) { static_cast<C&>(o).*m = static_cast<T>(v); };
  p.same = same_member(m);
  return p;
}

inline constexpr std::string_view kBooleanNames[] = {"False", "True"};

template <class C>
PropInfo boolean(std::string_view name, bool C::*m, std::optional<bool> def) {
  std::optional<int64_t> d;
  if (def) d = *def ? 1 : 0;
  return ordinal_member(name, m, PropKind::Boolean, d, kBooleanNames);
}

template <class C, class T>
PropInfo integer(std::string_view name, T C::*m, std::optional<int64_t> def) {
  return ordinal_member(name, m, PropKind::Integer, def);
}

template <class C, class T>
PropInfo enumeration(std::string_view name, T C::*m, Names names, std::optional<int64_t> def) {
  return ordinal_member(name, m, PropKind::Enumeration, def, names);
}

template <class C, class T>
PropInfo set_of(std::string_view name, T C::*m, Names names, int64_t def = 0) {
  return ordinal_member(name, m, PropKind::Set, def, names);
}

template <class C, class T>
PropInfo colour(std::string_view name, T C::*m, std::optional<int64_t> def) {
  return ordinal_member(name, m, PropKind::Integer, def).as(PropRole::Color);
}

template <class C>
PropInfo floating(std::string_view name, double C::*m) {
  PropInfo p;
  p.name = name;
  p.kind = PropKind::Float;
  p.get_float = [m](const Persistent& o) { return static_cast<const C&>(o).*m; };
  p.set_float = [m](Persistent& o, double v) { static_cast<C&>(o).*m = v; };
  p.same = same_member(m);
  return p;
}

template <class C>
PropInfo string(std::string_view name, std::string C::*m) {
  PropInfo p;
  p.name = name;
  p.kind = PropKind::String;
  p.get_string = [m](const Persistent& o) { return static_cast<const C&>(o).*m; };
  p.set_string = [m](Persistent& o, const std::string& v) { static_cast<C&>(o).*m = v; };
  p.same = same_member(m);
  return p;
}

// The name of the script procedure handling an event.
template <class C>
PropInfo event(std::string_view name, std::string C::*m) {
  return string(name, m).as(PropRole::Event);
}

template <class C>
PropInfo lines(std::string_view name, std::vector<std::string> C::*m, std::vector<std::string> def = {}) {
  PropInfo p;
  p.name = name;
  p.kind = PropKind::StringList;
  p.lines_default = std::move(def);
  p.get_lines = [m](const Persistent& o) { return static_cast<const C&>(o).*m; };
  p.set_lines = [m](Persistent& o, std::vector<std::string> v) { static_cast<C&>(o).*m = std::move(v); };
  p.same = same_member(m);
  return p;
}

template <class C, class F>
PropInfo nested(std::string_view name, F get) {
  PropInfo p;
  p.name = name;
  p.kind = PropKind::Object;
  p.get_object = [get](Persistent& o) -> Persistent* { return get(static_cast<C&>(o)); };
  return p;
}

// Accessor-based forms for properties whose setter does more than store the value.
template <class C, class G, class S>
PropInfo ordinal_fn(std::string_view name, PropKind kind, G get, S set, std::optional<int64_t> def,
                    Names names = {}) {
  PropInfo p;
  p.name = name;
  p.kind = kind;
  p.names = names;
  p.ordinal_default = def;
  p.get_ordinal = [get](const Persistent& o) { return static_cast<int64_t>(get(static_cast<const C&>(o))); };
  p.set_ordinal = [set](Persistent& o, int64_t v) { set(static_cast<C&>(o), v); };
  return p;
}

template <class C, class G, class S>
PropInfo float_fn(std::string_view name, G get, S set) {
  PropInfo p;
  p.name = name;
  p.kind = PropKind::Float;
  p.get_float = [get](const Persistent& o) { return get(static_cast<const C&>(o)); };
  p.set_float = [set](Persistent& o, double v) { set(static_cast<C&>(o), v); };
  return p;
}

template <class C, class G, class S>
PropInfo string_fn(std::string_view name, G get, S set) {
  PropInfo p;
  p.name = name;
  p.kind = PropKind::String;
  p.get_string = [get](const Persistent& o) { return std::string(get(static_cast<const C&>(o))); };
  p.set_string = [set](Persistent& o, const std::string& v) { set(static_cast<C&>(o), v); };
  return p;
}

template <class C, class G, class S>
PropInfo reference_fn(std::string_view name, G get, S set) {
  PropInfo p;
  p.name = name;
  p.kind = PropKind::Reference;
  p.get_reference = [get](const Persistent& o) -> Component* { return get(static_cast<const C&>(o)); };
  p.set_reference = [set](Persistent& o, Component* c) { set(static_cast<C&>(o), c); };
  return p;
}

}  // namespace orvena::report
