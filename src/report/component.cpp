#include "report/component.h"

#include <algorithm>
#include <set>

#include "core/error.h"
#include "core/quote.h"
#include "core/text.h"
#include "report/host.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/resources.h"

namespace orvena::report {

bool is_valid_identifier(std::string_view s) {
  if (s.empty()) return false;
  auto letter = [](unsigned char c) {
    return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
  };
  if (!letter(static_cast<unsigned char>(s[0]))) return false;
  for (unsigned char c : s)
    if (!letter(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

Component::Component() : m_life(std::make_shared<Component*>(this)) {}

Component::Component(const Component& other)
    : Persistent(other),
      tag(other.tag),
      visible(other.visible),
      style_flags(other.style_flags),
      restrictions(other.restrictions),
      m_name(other.m_name),
      m_left(other.m_left),
      m_top(other.m_top),
      m_width(other.m_width),
      m_height(other.m_height),
      m_font(other.m_font),
      m_parent_font(other.m_parent_font),
      m_base_name_override(other.m_base_name_override),
      m_life(std::make_shared<Component*>(this)),
      m_roles(other.m_roles) {}

Component::~Component() {
  *m_life = nullptr;
  if (host_owner) host_owner->remove(*this);
  // Children go first, last to first, while this component is still whole.
  while (!m_objects.empty()) {
    std::unique_ptr<Component> child = std::move(m_objects.back());
    m_objects.pop_back();
    child->m_parent = nullptr;
  }
}

const ClassInfo& Component::static_class() {
  static const ClassInfo info("TrpComponent", nullptr, {integer("Tag", &Component::tag, 0)});
  return info;
}

void Component::set_name(std::string_view name) {
  if (core::equals_ignore_case(name, m_name)) return;
  Report* r = report();
  if (r == this) r = nullptr;
  if (r && !name.empty()) {
    Component* other = r->name_index_find(name);
    if (other && other != this) throw core::Error(std::string(resource("prDupl")));
    if (inherited)
      throw core::Error("Could not rename " + m_name + ", it was introduced in the ancestor report");
  }
  if (!name.empty() && !is_valid_identifier(name))
    throw core::Error("'" + core::quoted_excerpt(name) + "' is not a valid component name");
  if (r) r->name_index_remove(this);
  m_name = name;
  if (r) r->name_index_add(this);
}

std::string Component::base_name() const {
  if (!m_base_name_override.empty()) return std::string(m_base_name_override);
  std::string s(class_name());
  if (size_t at = s.find("Trp"); at != std::string::npos) s.erase(at, 3);
  if (size_t at = s.find("View"); at != std::string::npos) s.erase(at, 4);
  return s;
}

void Component::create_unique_name() {
  const Component* scope = report();
  if (!scope) scope = parent();
  std::set<std::string> used;
  if (scope)
    for (Component* c : scope->all_objects()) used.insert(core::to_lower(c->name()));
  std::string base = base_name();
  std::string lower_base = core::to_lower(base);
  for (size_t i = 1;; ++i) {
    std::string n = std::to_string(i);
    if (!used.count(lower_base + n)) {
      set_name(base + n);
      return;
    }
  }
}

// ---- Tree -------------------------------------------------------------------------------------

void Component::register_names(Report* r) {
  if (!r) return;
  if (!m_name.empty()) r->name_index_add(this);
  for (auto& c : m_objects) c->register_names(r);
}

void Component::unregister_names(Report* r) {
  if (!r) return;
  if (!m_name.empty()) r->name_index_remove(this);
  for (auto& c : m_objects) c->unregister_names(r);
}

Component* Component::add(std::unique_ptr<Component> child) {
  if (!child) return nullptr;
  if (child->m_parent) throw std::logic_error("INTERNAL ERROR: add() of a component that has a parent");
  for (const Component* a = this; a; a = a->m_parent)
    if (a == child.get()) throw std::logic_error("INTERNAL ERROR: a component cannot contain itself");
  Component* c = child.get();
  c->m_parent = this;
  m_objects.push_back(std::move(child));
  c->register_names(report());
  c->apply_parent_font();
  return c;
}

std::unique_ptr<Component> Component::set_parent(Component* new_parent) {
  std::unique_ptr<Component> self;
  if (m_parent) {
    auto& list = m_parent->m_objects;
    auto it = std::find_if(list.begin(), list.end(), [&](auto& p) { return p.get() == this; });
    unregister_names(report());
    self = std::move(*it);
    list.erase(it);
    m_parent = nullptr;
  }
  if (!new_parent) return self;
  if (!self) throw std::logic_error("INTERNAL ERROR: set_parent() of an unowned component; use add()");
  new_parent->add(std::move(self));
  return nullptr;
}

void Component::move_to_index(size_t index) {
  if (!m_parent) return;
  auto& list = m_parent->m_objects;
  auto it = std::find_if(list.begin(), list.end(), [&](auto& p) { return p.get() == this; });
  std::unique_ptr<Component> self = std::move(*it);
  list.erase(it);
  index = std::min(index, list.size());
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(index), std::move(self));
}

int Component::index_in_parent() const {
  if (!m_parent) return -1;
  auto& list = m_parent->m_objects;
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].get() == this) return static_cast<int>(i);
  return -1;
}

void Component::destroy() {
  if (m_parent) set_parent(nullptr);  // the returned owner deletes this component
}

void Component::clear() {
  Report* r = report();
  std::vector<std::unique_ptr<Component>> kept;
  for (auto& c : m_objects) {
    if (c->inherited) {
      c->clear();
      kept.push_back(std::move(c));
    } else {
      c->unregister_names(r);
    }
  }
  m_objects.clear();  // destroys the others
  m_objects = std::move(kept);
}

Report* Component::report() const {
  for (const Component* c = this; c; c = c->m_parent)
    if (c->m_roles & kRoleReport) return static_cast<Report*>(const_cast<Component*>(c));
  return nullptr;
}

Page* Component::page() const {
  for (const Component* c = this; c; c = c->m_parent)
    if (c->m_roles & kRolePage) return static_cast<Page*>(const_cast<Component*>(c));
  return nullptr;
}

std::vector<Component*> Component::all_objects() const {
  std::vector<Component*> out;
  // Explicit stack: pre-order, children in list order.
  std::vector<const Component*> stack{this};
  while (!stack.empty()) {
    const Component* c = stack.back();
    stack.pop_back();
    if (c != this) out.push_back(const_cast<Component*>(c));
    for (auto it = c->m_objects.rbegin(); it != c->m_objects.rend(); ++it) stack.push_back(it->get());
  }
  return out;
}

Component* Component::find_object(std::string_view name) const {
  for (Component* c : all_objects())
    if (core::equals_ignore_case(c->name(), name)) return c;
  return nullptr;
}

// ---- Geometry and font ----------------------------------------------------------------------

void Component::set_left(double v) {
  if (designing && (restrictions & kDontMove)) return;
  m_left = v;
}
void Component::set_top(double v) {
  if (designing && (restrictions & kDontMove)) return;
  m_top = v;
}
void Component::set_width(double v) {
  if (designing && (restrictions & kDontSize)) return;
  m_width = v;
}
void Component::set_height(double v) {
  if (designing && (restrictions & kDontSize)) return;
  m_height = v;
}

void Component::set_bounds(double l, double t, double w, double h) {
  set_left(l);
  set_top(t);
  set_width(w);
  set_height(h);
}

double Component::abs_left() const {
  double x = m_left;
  for (const Component* p = m_parent; p && !(p->m_roles & kRoleDialogPage); p = p->m_parent) x += p->m_left;
  return x;
}

double Component::abs_top() const {
  double y = m_top;
  for (const Component* p = m_parent; p && !(p->m_roles & kRoleDialogPage); p = p->m_parent) y += p->m_top;
  return y;
}

void Component::set_font(const Font& f) {
  m_font = f;
  font_changed();
}

void Component::font_changed() {
  m_parent_font = false;
  for (auto& c : m_objects)
    if (c->m_parent_font) c->apply_parent_font();
}

void Component::set_parent_font(bool v) {
  m_parent_font = v;
  if (v) apply_parent_font();
}

void Component::apply_parent_font() {
  if (!m_parent_font || !m_parent) return;
  m_font = m_parent->m_font;
  for (auto& c : m_objects)
    if (c->m_parent_font) c->apply_parent_font();
}

// ---- ReportComponent ----------------------------------------------------------------------

const ClassInfo& ReportComponent::static_class() {
  static const ClassInfo info("TrpReportComponent", &Component::static_class(),
                              {string("Description", &ReportComponent::description)});
  return info;
}

void ReportComponent::before_print() {
  saved_bounds = {left(), top(), width(), height()};
}

void ReportComponent::after_print() {
  set_bounds(saved_bounds.left, saved_bounds.top, saved_bounds.width, saved_bounds.height);
}

}  // namespace orvena::report
