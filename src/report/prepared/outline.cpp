#include "report/prepared/outline.h"

#include <charconv>
#include <string>

#include "report/serializer.h"

namespace orvena::report::prepared {

long item_int(const XmlItem& item, std::string_view name, long fallback) {
  std::string v = item.prop(name);
  long out = 0;
  auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
  return (v.empty() || ec != std::errc() || end != v.data() + v.size()) ? fallback : out;
}

double item_float(const XmlItem& item, std::string_view name, double fallback) {
  std::string v = item.prop(name);
  if (v.empty()) return fallback;
  try {
    return parse_float_value(v);
  } catch (const core::Error&) {
    return fallback;
  }
}

void set_item_number(XmlItem& item, std::string_view name, double value) {
  item.set_prop(name, format_float_value(value));
}

namespace {

void shift_subtree(XmlItem& item, double delta) {
  set_item_number(item, "page", static_cast<double>(item_int(item, "page") + 1));
  set_item_number(item, "top", item_float(item, "top") + delta);
  for (auto& child : item.items()) shift_subtree(*child, delta);
}

}  // namespace

void shift_to_next_page(XmlItem& list, size_t first, double new_top) {
  if (first >= list.count()) return;
  double delta = new_top - item_float(list[first], "top");
  for (size_t i = first; i < list.count(); ++i) shift_subtree(list[i], delta);
}

void Outline::add_item(std::string_view text, int page, double top) {
  XmlItem& item = m_current->add("item");
  item.set_prop("text", text);
  set_item_number(item, "page", page);
  set_item_number(item, "top", top);
  m_current = &item;
}

void Outline::level_up() {
  if (m_current != m_root) m_current = m_current->parent();
}

void Outline::level_down(size_t index) {
  if (index < m_current->count()) m_current = &(*m_current)[index];
}

void Outline::shift_items(int from, double new_top) {
  shift_to_next_page(*m_current, static_cast<size_t>(from + 1), new_top);
}

void Outline::truncate(size_t count) {
  m_current = m_root;
  while (m_root->count() > count) m_root->remove(m_root->count() - 1);
}

}  // namespace orvena::report::prepared
