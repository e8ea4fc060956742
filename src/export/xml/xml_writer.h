#pragma once
// Small writers for the XML parts of the Office Open XML packages (XLSX, DOCX).
//
//   xml::XmlWriter w(zip.begin_entry("xl/worksheets/sheet1.xml"));   // or into a std::string
//   w.declaration();                       // <?xml version="1.0" encoding="UTF-8" standalone="yes"?>
//   w.start("row").attribute("r", 1).attribute("ht", "12.75");
//   w.start("c").attribute("r", "A1").attribute("t", "s");
//   w.element("v", "0");                   // <v>0</v>
//   w.end().end();                         // </c></row>; an element with no content closes as "/>"
//   w.raw("<sheetData/>");                 // a fixed piece of XML, written as it stands
//   w.section("fonts", fonts.items());     // <fonts count="2">line CR LF line CR LF</fonts>
//   w.finish();                            // closes what is open, flushes into the entry
//
//   xml::UniqueList fonts;                 // numbers distinct fonts, fills, borders, strings
//   int id = fonts.add("<font>...</font>");  // the index of an equal entry, or the new one's
//
// Text and attribute values are escaped as they are written; names and raw pieces are the
// caller's own XML and are written unchanged. Everything is UTF-8.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orvena::exporting::zip {
class EntryWriter;
}

namespace orvena::exporting::xml {

// Escapes "&", the double quote, "<" and ">" for element text and double-quoted attribute values.
// Characters XML 1.0 cannot carry at all (control characters other than tab, line feed and
// carriage return) are left out, and malformed UTF-8 becomes U+FFFD: either would make the whole
// part unreadable.
std::string escape(std::string_view text);
void append_escaped(std::string& out, std::string_view text);

// The same for an attribute value, where a reader would turn a raw tab, line feed or carriage
// return into a blank (XML 1.0, 3.3.3): those go in as character references.
std::string escape_attribute(std::string_view text);
void append_attribute_escaped(std::string& out, std::string_view text);

// A Windows colour value (0x00BBGGRR) as 0x00RRGGBB.
uint32_t rgb_from_windows_colour(uint32_t colour);

class XmlWriter {
 public:
  // Collects the text; read it with text().
  XmlWriter() = default;
  // Streams the text into a ZIP entry; the entry is ended by the caller after finish().
  explicit XmlWriter(zip::EntryWriter& entry) : m_entry(&entry) {}

  XmlWriter& declaration();
  XmlWriter& start(std::string_view name);
  XmlWriter& attribute(std::string_view name, std::string_view value);
  XmlWriter& attribute(std::string_view name, const char* value) {
    return attribute(name, std::string_view(value));
  }
  XmlWriter& attribute(std::string_view name, long long value);
  XmlWriter& attribute(std::string_view name, int value) {
    return attribute(name, static_cast<long long>(value));
  }
  XmlWriter& content(std::string_view text);
  // <name>text</name>
  XmlWriter& element(std::string_view name, std::string_view text);
  XmlWriter& end();
  XmlWriter& raw(std::string_view xml);
  // An element named after the section with a count attribute, then each line and CR LF.
  XmlWriter& section(std::string_view name, const std::vector<std::string>& lines);

  void finish();
  size_t depth() const { return m_open.size(); }
  const std::string& text() const { return m_buffer; }

 private:
  void close_start_tag();
  void flush_if_large();

  zip::EntryWriter* m_entry = nullptr;
  std::string m_buffer;
  std::vector<std::string> m_open;
  bool m_start_tag_open = false;
};

// A list that numbers distinct entries: adding an equal entry again gives its first index.
class UniqueList {
 public:
  int add(const std::string& item);
  int index_of(const std::string& item) const;  // -1 when absent
  size_t size() const { return m_items.size(); }
  const std::vector<std::string>& items() const { return m_items; }
  void clear();

 private:
  std::vector<std::string> m_items;
  std::unordered_map<std::string, int> m_index;
};

}  // namespace orvena::exporting::xml
