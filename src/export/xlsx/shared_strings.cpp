#include "export/xlsx/shared_strings.h"

#include <cstring>
#include <functional>
#include <stdexcept>

#include "core/encoding.h"
#include "core/error.h"
#include "export/xml/xml_writer.h"
#include "export/zip/zip_writer.h"

namespace orvena::exporting::xlsx {

namespace {

size_t hash_of(std::string_view text) {
  return std::hash<std::string_view>{}(text);
}

// Spreadsheet readers drop leading and trailing blanks of a text unless told to keep them.
bool needs_preserve(std::string_view t) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  return !t.empty() && (blank(t.front()) || blank(t.back()));
}

bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// "_xHHHH_" at `pos`, the form a reader would decode.
bool escaped_form_at(std::string_view t, size_t pos) {
  return pos + 7 <= t.size() && t[pos] == '_' && t[pos + 1] == 'x' && is_hex(t[pos + 2]) &&
         is_hex(t[pos + 3]) && is_hex(t[pos + 4]) && is_hex(t[pos + 5]) && t[pos + 6] == '_';
}

void append_code(std::string& out, char32_t cp) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += "_x";
  for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(cp >> shift) & 0xF];
  out += '_';
}

// What needs the sheet's own escape: a control character XML cannot carry, an underscore, and
// the lead byte of U+FFFE/U+FFFF.
bool needs_own_escape(std::string_view t) {
  for (char ch : t) {
    auto c = static_cast<unsigned char>(ch);
    if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == '_' || c == 0xEF) return true;
  }
  return false;
}

// Stops at a cell's character limit, counted in UTF-16 units as the spreadsheet programs count.
std::string_view within_cell_limit(std::string_view t, std::string& cut) {
  if (t.size() <= SharedStrings::kMaxCharacters) return t;  // fewer bytes than units never
  size_t units = 0, pos = 0, kept = 0;
  while (pos < t.size()) {
    char32_t cp = core::next_code_point(t, pos);
    units += cp >= 0x10000 ? 2 : 1;
    if (units > SharedStrings::kMaxCharacters - 1) break;
    kept = pos;
  }
  if (pos >= t.size() && units <= SharedStrings::kMaxCharacters) return t;
  cut.assign(t.substr(0, kept));
  cut += "\u2026";  // one unit: the cut is seen in the cell
  return cut;
}

}  // namespace

void append_cell_text(std::string& out, std::string_view text) {
  if (!needs_own_escape(text)) {
    xml::append_escaped(out, text);
    return;
  }
  std::string own;
  own.reserve(text.size() + 16);
  for (size_t pos = 0; pos < text.size();) {
    if (escaped_form_at(text, pos)) {
      append_code(own, '_');
      ++pos;
      continue;
    }
    size_t start = pos;
    char32_t cp = core::next_code_point(text, pos);
    if ((cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r') || cp == 0xFFFE || cp == 0xFFFF)
      append_code(own, cp);
    else
      own.append(text.substr(start, pos - start));
  }
  xml::append_escaped(out, own);
}

std::string_view SharedStrings::at(uint32_t index) const {
  const Ref& r = m_refs.at(index);
  return {m_blocks[r.block].get() + r.offset, r.size};
}

std::string_view SharedStrings::store(std::string_view text, Ref& ref) {
  if (text.size() > UINT32_MAX) throw core::Error("Tekst komórki jest dłuższy, niż mieści skoroszyt.");
  // A text longer than a block gets a block of its own.
  if (m_blocks.empty() || m_block_sizes.back() + text.size() > kBlockSize) {
    size_t size = std::max(kBlockSize, text.size());
    m_blocks.push_back(std::make_unique<char[]>(size));
    m_block_sizes.push_back(0);
  }
  ref.block = uint32_t(m_blocks.size() - 1);
  ref.offset = uint32_t(m_block_sizes.back());
  ref.size = uint32_t(text.size());
  if (!text.empty()) std::memcpy(m_blocks.back().get() + ref.offset, text.data(), text.size());
  m_block_sizes.back() += text.size();
  return text;
}

void SharedStrings::grow() {
  std::vector<uint32_t> slots(m_slots.empty() ? 1024 : m_slots.size() * 2, 0);
  size_t mask = slots.size() - 1;
  for (uint32_t i = 0; i < m_refs.size(); ++i) {
    size_t s = hash_of(at(i)) & mask;
    while (slots[s]) s = (s + 1) & mask;
    slots[s] = i + 1;
  }
  m_slots.swap(slots);
}

uint32_t SharedStrings::add(std::string_view whole) {
  std::string cut;
  std::string_view text = within_cell_limit(whole, cut);
  // At most half full keeps the probe runs short.
  if ((m_refs.size() + 1) * 2 > m_slots.size()) grow();
  size_t mask = m_slots.size() - 1;
  size_t s = hash_of(text) & mask;
  for (; m_slots[s]; s = (s + 1) & mask)
    if (at(m_slots[s] - 1) == text) return m_slots[s] - 1;
  if (m_refs.size() >= UINT32_MAX - 1)
    throw core::Error("Raport ma więcej tekstów komórek, niż mieści skoroszyt.");
  Ref ref;
  store(text, ref);
  m_refs.push_back(ref);
  m_slots[s] = uint32_t(m_refs.size());
  return uint32_t(m_refs.size() - 1);
}

void SharedStrings::write(zip::EntryWriter& entry) const {
  xml::XmlWriter w(entry);
  w.declaration();
  w.start("sst")
      .attribute("xmlns", "http://schemas.openxmlformats.org/spreadsheetml/2006/main")
      .attribute("count", static_cast<long long>(m_references))
      .attribute("uniqueCount", static_cast<long long>(m_refs.size()));
  std::string escaped;
  for (uint32_t i = 0; i < m_refs.size(); ++i) {
    std::string_view t = at(i);
    w.start("si").start("t");
    if (needs_preserve(t)) w.attribute("xml:space", "preserve");
    escaped.clear();
    append_cell_text(escaped, t);
    w.raw(escaped).end().end();
  }
  w.finish();
}

}  // namespace orvena::exporting::xlsx
