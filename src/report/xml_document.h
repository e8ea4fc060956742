#pragma once
// The template document: a tree of items read by a small tag scanner (not a general XML parser:
// it tolerates and ignores what the template dialect allows) and written one item per line with
// CR LF.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"

namespace orvena::report {

// Explicit bounds for everything read from outside.
// With these a document costs at most about 128 MiB of input plus 1 M items of about 150 bytes
// and their attribute text.
struct XmlLimits {
  size_t max_input_bytes = 128u << 20;  // whole document
  size_t max_tag_bytes = 64u << 20;     // one tag with its attribute text (pictures are inline)
  size_t max_depth = 256;               // element nesting
  size_t max_items = 1'000'000;         // elements in one document
};

// "Invalid file format" and the like, with the place in the document (1-based).
class XmlError : public core::Error {
 public:
  XmlError(const std::string& message, size_t offset, int line, int column)
      : core::Error(message), offset(offset), line(line), column(column) {}
  size_t offset;
  int line;
  int column;
};

class XmlItem {
 public:
  std::string name;
  std::string text;   // attribute text, unparsed
  std::string value;  // written only
  size_t offset = 0;  // where the start tag began in the stream
  bool unloadable = false;
  bool loaded = true;

  XmlItem* parent() const { return m_parent; }
  const std::vector<std::unique_ptr<XmlItem>>& items() const { return m_items; }
  size_t count() const { return m_items.size(); }
  XmlItem& operator[](size_t i) const { return *m_items[i]; }
  XmlItem& add(std::string_view name = {});
  XmlItem& insert(size_t index, std::string_view name = {});
  void remove(size_t index);
  // Moves the children from `first` on to the end of `target`'s children.
  void move_items(size_t first, XmlItem& target);
  // Drops the children, keeping the item's own text.
  void clear_items() { m_items.clear(); }
  // First child with that name (ignoring case), or nullptr.
  XmlItem* find(std::string_view name) const;
  void clear();

  // Attribute access inside `text`.
  std::string prop(std::string_view name) const;  // unescaped; "" when missing
  bool prop_exists(std::string_view name) const;
  void set_prop(std::string_view name, std::string_view value);
  void delete_prop(std::string_view name);

 private:
  // Byte range [begin, end) of ` name="value"` within text, or npos.
  std::pair<size_t, size_t> find_prop(std::string_view name) const;
  XmlItem* m_parent = nullptr;
  std::vector<std::unique_ptr<XmlItem>> m_items;
};

class XmlDocument {
 public:
  XmlItem& root() { return m_root; }
  const XmlItem& root() const { return m_root; }
  // True for the old format: version 1.0 without "standalone"; its attribute text is 8-bit and
  // stays as read (the reader decodes values).
  bool old_format() const { return m_old_format; }

  // Throws XmlError for a document the scanner cannot read. With `partial`, children of items
  // marked ld="0" are not kept (only their offset).
  void load(std::string_view bytes, bool partial = false, const XmlLimits& limits = {});
  // Reads the element starting at `offset` into `item` (re-reading an unloaded item).
  void load_item(std::string_view bytes, XmlItem& item, const XmlLimits& limits = {}) const;
  // Declaration line and the tree, two spaces per level, CR LF after every line.
  std::string save() const;

 private:
  XmlItem m_root;
  bool m_old_format = false;
};

// Attribute value escaping: codes 0, 10, 13, 34, 38, 60 and 62 become "&#<code>;"; the sequence
// "&quot;" becomes "&#34;"; NUL is a space in values of 32 characters or more.
std::string escape_value(std::string_view s);
// One left-to-right pass: "&#<digits>;" and &quot; &amp; &lt; &gt; become characters.
std::string unescape_value(std::string_view s);

// 1-based line and column of a byte offset.
std::pair<int, int> line_column(std::string_view bytes, size_t offset);

}  // namespace orvena::report
