#include "report/host.h"

#include <algorithm>
#include <mutex>

#include "core/text.h"
#include "report/component.h"

namespace orvena::report {
namespace {

std::mutex g_hosts_mutex;
std::vector<HostComponents*>& hosts() {
  static std::vector<HostComponents*> list;
  return list;
}

}  // namespace

HostComponents::HostComponents(std::string name) : m_name(std::move(name)) {
  std::lock_guard lock(g_hosts_mutex);
  hosts().push_back(this);
}

HostComponents::~HostComponents() {
  for (Component* c : m_components) c->host_owner = nullptr;
  std::lock_guard lock(g_hosts_mutex);
  auto& list = hosts();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void HostComponents::add(Component& c) {
  if (std::find(m_components.begin(), m_components.end(), &c) == m_components.end())
    m_components.push_back(&c);
  c.host_owner = this;
}

void HostComponents::remove(Component& c) {
  m_components.erase(std::remove(m_components.begin(), m_components.end(), &c), m_components.end());
  if (c.host_owner == this) c.host_owner = nullptr;
}

Component* HostComponents::find(std::string_view name) const {
  for (Component* c : m_components)
    if (core::equals_ignore_case(c->name(), name)) return c;
  return nullptr;
}

Component* HostComponents::find_global(std::string_view dotted) {
  size_t dot = dotted.find('.');
  if (dot == std::string_view::npos) return nullptr;
  std::string_view window = dotted.substr(0, dot);
  // A component inside a frame is still found by its own name on the window.
  std::string_view component = dotted.substr(dotted.rfind('.') + 1);
  std::lock_guard lock(g_hosts_mutex);
  for (HostComponents* h : hosts())
    if (core::equals_ignore_case(h->name(), window)) return h->find(component);
  return nullptr;
}

}  // namespace orvena::report
