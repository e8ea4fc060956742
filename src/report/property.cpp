#include "report/property.h"

#include "core/text.h"

namespace orvena::report {

bool PropInfo::has_setter() const {
  switch (kind) {
    case PropKind::Integer:
    case PropKind::Boolean:
    case PropKind::Enumeration:
    case PropKind::Set:
      return static_cast<bool>(set_ordinal);
    case PropKind::Float:
      return static_cast<bool>(set_float);
    case PropKind::String:
      return static_cast<bool>(set_string);
    case PropKind::StringList:
      return static_cast<bool>(set_lines);
    case PropKind::Object:
      return static_cast<bool>(get_object);
    case PropKind::Reference:
      return static_cast<bool>(set_reference);
  }
  return false;
}

ClassInfo::ClassInfo(std::string_view name, const ClassInfo* base, std::vector<PropInfo> props,
                     std::unique_ptr<Component> (*create)())
    : name(name), base(base), own(std::move(props)), create(create) {
  if (base) {
    all = base->all;
    m_by_name = base->m_by_name;
  }
  for (const PropInfo& p : own) {
    std::string key = core::to_lower(p.name);
    auto it = m_by_name.find(key);
    if (it != m_by_name.end()) {
      // Re-published by this class: it keeps its base position, with this class's rules.
      for (auto& slot : all)
        if (slot == it->second) slot = &p;
      it->second = &p;
    } else {
      all.push_back(&p);
      m_by_name.emplace(std::move(key), &p);
    }
  }
}

const PropInfo* ClassInfo::find(std::string_view prop_name) const {
  auto it = m_by_name.find(core::to_lower(prop_name));
  return it == m_by_name.end() ? nullptr : it->second;
}

bool ClassInfo::inherits(const ClassInfo& other) const {
  for (const ClassInfo* c = this; c; c = c->base)
    if (c == &other) return true;
  return false;
}

}  // namespace orvena::report
