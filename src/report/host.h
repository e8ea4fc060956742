#pragma once
// Components that live on a host window rather than in a report (the published data adapter on
// the main window). A report whose owner is a host finds them by plain name; other hosts are
// reached by "Window.Component".
#include <string>
#include <string_view>
#include <vector>

namespace orvena::report {

class Component;

class HostComponents {
 public:
  explicit HostComponents(std::string name);
  ~HostComponents();
  HostComponents(const HostComponents&) = delete;
  HostComponents& operator=(const HostComponents&) = delete;

  const std::string& name() const { return m_name; }
  // Does not take ownership; the component must outlive its entry or be removed first.
  void add(Component& c);
  void remove(Component& c);
  Component* find(std::string_view name) const;  // ignoring case

  // "Window.Component" or "Window.Frame.Component" through every live host.
  static Component* find_global(std::string_view dotted);

 private:
  std::string m_name;
  std::vector<Component*> m_components;
};

}  // namespace orvena::report
