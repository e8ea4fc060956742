#include "export/xml/xml_writer.h"

#include <stdexcept>

#include "core/encoding.h"
#include "export/zip/zip_writer.h"

namespace orvena::exporting::xml {

namespace {

// Large parts go to the entry in pieces of about this size, so a sheet never sits in memory whole.
constexpr size_t kFlushSize = 64 * 1024;

// XML 1.0 Char production (section 2.2): tab, LF, CR, and from U+0020 on, less the surrogates
// and U+FFFE/U+FFFF.
bool is_xml_char(char32_t cp) {
  if (cp < 0x20) return cp == 0x09 || cp == 0x0A || cp == 0x0D;
  if (cp >= 0xD800 && cp <= 0xDFFF) return false;
  return cp != 0xFFFE && cp != 0xFFFF && cp <= 0x10FFFF;
}

// An ASCII character that goes into text as it is; in an attribute no control character does.
bool is_plain(unsigned char c, bool attribute) {
  if (c < 0x20) return !attribute && (c == 0x09 || c == 0x0A || c == 0x0D);
  return c < 0x7F && c != '&' && c != '"' && c != '<' && c != '>';
}

template <bool kAttribute>
void append_escaped_as(std::string& out, std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    // Most text is printable ASCII with nothing to escape: such a run goes in at once.
    size_t plain = pos;
    while (plain < text.size() && is_plain(static_cast<unsigned char>(text[plain]), kAttribute)) ++plain;
    out.append(text.data() + pos, plain - pos);
    pos = plain;
    if (pos == text.size()) break;
    unsigned char c = static_cast<unsigned char>(text[pos]);
    if (c < 0x80) {
      ++pos;
      switch (c) {
        case '&':
          out += "&amp;";
          break;
        case '"':
          out += "&quot;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '\t':
        case '\n':
        case '\r':
          if (kAttribute) {
            out += c == '\t' ? "&#x9;" : c == '\n' ? "&#xA;" : "&#xD;";
            break;
          }
          [[fallthrough]];
        default:
          if (is_xml_char(c)) out.push_back(static_cast<char>(c));
      }
      continue;
    }
    char32_t cp = core::next_code_point(text, pos);  // malformed bytes come back as U+FFFD
    if (is_xml_char(cp)) core::append_utf8(out, cp);
  }
}

}  // namespace

void append_escaped(std::string& out, std::string_view text) {
  append_escaped_as<false>(out, text);
}

void append_attribute_escaped(std::string& out, std::string_view text) {
  append_escaped_as<true>(out, text);
}

std::string escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  append_escaped(out, text);
  return out;
}

std::string escape_attribute(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  append_attribute_escaped(out, text);
  return out;
}

uint32_t rgb_from_windows_colour(uint32_t colour) {
  return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

XmlWriter& XmlWriter::declaration() {
  return raw("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n");
}

void XmlWriter::close_start_tag() {
  if (!m_start_tag_open) return;
  m_buffer += '>';
  m_start_tag_open = false;
}

void XmlWriter::flush_if_large() {
  if (m_entry && m_buffer.size() >= kFlushSize) {
    m_entry->write(m_buffer);
    m_buffer.clear();
  }
}

XmlWriter& XmlWriter::start(std::string_view name) {
  close_start_tag();
  m_buffer += '<';
  m_buffer += name;
  m_open.emplace_back(name);
  m_start_tag_open = true;
  return *this;
}

XmlWriter& XmlWriter::attribute(std::string_view name, std::string_view value) {
  if (!m_start_tag_open) throw std::logic_error("XmlWriter: attribute outside a start tag");
  m_buffer += ' ';
  m_buffer += name;
  m_buffer += "=\"";
  append_attribute_escaped(m_buffer, value);
  m_buffer += '"';
  return *this;
}

XmlWriter& XmlWriter::attribute(std::string_view name, long long value) {
  return attribute(name, std::string_view(std::to_string(value)));
}

XmlWriter& XmlWriter::content(std::string_view text) {
  close_start_tag();
  append_escaped(m_buffer, text);
  flush_if_large();
  return *this;
}

XmlWriter& XmlWriter::element(std::string_view name, std::string_view text) {
  start(name);
  content(text);
  return end();
}

XmlWriter& XmlWriter::end() {
  if (m_open.empty()) throw std::logic_error("XmlWriter: no element to end");
  if (m_start_tag_open) {
    m_buffer += "/>";
    m_start_tag_open = false;
  } else {
    m_buffer += "</";
    m_buffer += m_open.back();
    m_buffer += '>';
  }
  m_open.pop_back();
  flush_if_large();
  return *this;
}

XmlWriter& XmlWriter::raw(std::string_view xml) {
  close_start_tag();
  m_buffer += xml;
  flush_if_large();
  return *this;
}

XmlWriter& XmlWriter::section(std::string_view name, const std::vector<std::string>& lines) {
  start(name).attribute("count", static_cast<long long>(lines.size()));
  close_start_tag();
  for (const std::string& line : lines) {
    m_buffer += line;
    m_buffer += "\r\n";
    flush_if_large();
  }
  // Closed with its own end tag even when empty, like every other section of the part.
  m_buffer += "</";
  m_buffer += name;
  m_buffer += '>';
  m_open.pop_back();
  return *this;
}

void XmlWriter::finish() {
  while (!m_open.empty()) end();
  if (m_entry && !m_buffer.empty()) {
    m_entry->write(m_buffer);
    m_buffer.clear();
  }
}

int UniqueList::add(const std::string& item) {
  auto [it, inserted] = m_index.try_emplace(item, static_cast<int>(m_items.size()));
  if (inserted) m_items.push_back(item);
  return it->second;
}

int UniqueList::index_of(const std::string& item) const {
  auto it = m_index.find(item);
  return it == m_index.end() ? -1 : it->second;
}

void UniqueList::clear() {
  m_items.clear();
  m_index.clear();
}

}  // namespace orvena::exporting::xml
