#pragma once
// The bookmark tree of prepared pages: items with `text`, `page` and `top`, added under the
// current item, which the engine moves through level by level.
#include <string_view>

#include "report/xml_document.h"

namespace orvena::report::prepared {

// Integer and float attributes of store items ("page", "top", "n"); missing or damaged values
// read as `fallback`.
long item_int(const XmlItem& item, std::string_view name, long fallback = 0);
double item_float(const XmlItem& item, std::string_view name, double fallback = 0);
void set_item_number(XmlItem& item, std::string_view name, double value);

// Moves `items[first..]` and everything below them one page on, their tops shifted by the same
// amount so that the first starts at `new_top` (kept blocks keep their inner distances).
void shift_to_next_page(XmlItem& list, size_t first, double new_top);

class Outline {
 public:
  // `root` is the store's "outline" section.
  explicit Outline(XmlItem& root) : m_root(&root), m_current(&root) {}

  void add_item(std::string_view text, int page, double top);
  void level_up();
  void level_root() { m_current = m_root; }
  // Makes child `index` of the current item current; out of range: nothing changes.
  void level_down(size_t index);
  // The index of the last child of the current item, -1 without children.
  int current_position() const { return static_cast<int>(m_current->count()) - 1; }
  // The current item's children after `from` move to the next page, the first to `new_top`.
  void shift_items(int from, double new_top);

  const XmlItem& root() const { return *m_root; }
  const XmlItem& current() const { return *m_current; }
  XmlItem& current() { return *m_current; }
  // Top-level items beyond `count` are removed (a discarded first pass).
  void truncate(size_t count);

 private:
  XmlItem* m_root;
  XmlItem* m_current;
};

}  // namespace orvena::report::prepared
