#include "export/xlsx/shared_strings.h"

#include <cstring>
#include <functional>
#include <stdexcept>

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

}  // namespace

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

uint32_t SharedStrings::add(std::string_view text) {
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
  for (uint32_t i = 0; i < m_refs.size(); ++i) {
    std::string_view t = at(i);
    w.start("si").start("t");
    if (needs_preserve(t)) w.attribute("xml:space", "preserve");
    w.content(t).end().end();
  }
  w.finish();
}

}  // namespace orvena::exporting::xlsx
