#include "export/pdf/truetype/subset.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "export/pdf/truetype/byte_reader.h"

namespace orvena::exporting::truetype {
namespace {

// Tables that drawing glyphs by index needs, and the informative ones worth keeping.
constexpr uint32_t kKeptTables[] = {
    make_tag("OS/2"), make_tag("cmap"), make_tag("cvt "), make_tag("fpgm"), make_tag("gasp"),
    make_tag("glyf"), make_tag("head"), make_tag("hhea"), make_tag("hmtx"), make_tag("loca"),
    make_tag("maxp"), make_tag("name"), make_tag("post"), make_tag("prep"),
};

constexpr uint32_t kChecksumMagic = 0xB1B0AFBA;
constexpr size_t kHeadChecksumAdjustment = 8;

bool kept(uint32_t tag) {
  return std::find(std::begin(kKeptTables), std::end(kKeptTables), tag) != std::end(kKeptTables);
}

// Used glyphs, .notdef and, through any depth of nesting, the components of composite glyphs.
std::vector<bool> glyph_closure(const FontFile& font, std::span<const uint16_t> glyphs) {
  std::vector<bool> keep(font.glyph_count(), false);
  std::vector<uint16_t> pending(glyphs.begin(), glyphs.end());
  pending.push_back(0);
  while (!pending.empty()) {
    uint16_t g = pending.back();
    pending.pop_back();
    if (g >= keep.size() || keep[g]) continue;  // seen glyphs end cycles in damaged files
    keep[g] = true;
    for (uint16_t part : font.components(g)) pending.push_back(part);
  }
  return keep;
}

// New glyf and loca: kept glyphs copied at their own index, others empty. Offsets stay even
// for the short loca form (it stores offset / 2) and 4-aligned for the long one.
void rebuild_glyphs(const FontFile& font, const std::vector<bool>& keep, std::string& glyf,
                    std::string& loca) {
  size_t align = font.long_loca() ? 4 : 2;
  auto put_offset = [&](size_t at) {
    if (font.long_loca())
      append_u32(loca, static_cast<uint32_t>(at));
    else
      append_u16(loca, static_cast<uint16_t>(at / 2));
  };
  for (uint16_t g = 0; g < font.glyph_count(); ++g) {
    put_offset(glyf.size());
    if (!keep[g]) continue;
    glyf += font.glyph_data(g);
    glyf.append((align - glyf.size() % align) % align, '\0');
  }
  // A short loca reaches only 128 KiB; the subset is never larger than the source, whose own
  // short table reached its end.
  if (!font.long_loca() && glyf.size() / 2 > 0xFFFF) format_error();
  put_offset(glyf.size());
}

// post version 3: the 32-byte header without glyph names.
std::string short_post(std::string_view post) {
  std::string out(ByteReader(post).slice(0, 32));
  put_u32(out, 0, 0x00030000);
  return out;
}

}  // namespace

uint32_t table_checksum(std::string_view bytes) {
  uint32_t sum = 0;
  for (size_t i = 0; i < bytes.size(); i += 4) {
    uint32_t word = 0;
    for (size_t k = 0; k < 4; ++k) word = word << 8 | (i + k < bytes.size() ? uint8_t(bytes[i + k]) : 0);
    sum += word;
  }
  return sum;
}

std::string subset_font(const FontFile& font, std::span<const uint16_t> glyphs) {
  std::string glyf, loca;
  rebuild_glyphs(font, glyph_closure(font, glyphs), glyf, loca);

  struct Out {
    uint32_t tag;
    uint32_t source_offset;
    std::string bytes;
  };
  std::vector<Out> tables;
  for (const TableRecord& t : font.tables()) {
    if (!kept(t.tag)) continue;
    std::string bytes;
    if (t.tag == make_tag("glyf"))
      bytes = glyf;
    else if (t.tag == make_tag("loca"))
      bytes = loca;
    else if (t.tag == make_tag("post") && t.length >= 32)
      bytes = short_post(font.table(t.tag));
    else
      bytes = std::string(font.table(t.tag));
    if (t.tag == make_tag("head")) {
      if (bytes.size() < 54) format_error();
      put_u32(bytes, kHeadChecksumAdjustment, 0);
    }
    tables.push_back({t.tag, t.offset, std::move(bytes)});
  }
  // Table data in the source file's order; the directory sorted by tag, as readers search it.
  std::stable_sort(tables.begin(), tables.end(),
                   [](const Out& a, const Out& b) { return a.source_offset < b.source_offset; });

  uint16_t count = static_cast<uint16_t>(tables.size());
  uint16_t power = 1, log2 = 0;
  while (power * 2 <= count) power *= 2, ++log2;
  std::string out;
  append_u32(out, 0x00010000);
  append_u16(out, count);
  append_u16(out, static_cast<uint16_t>(power * 16));
  append_u16(out, log2);
  append_u16(out, static_cast<uint16_t>(count * 16 - power * 16));
  size_t directory = out.size();
  out.append(size_t(count) * 16, '\0');

  struct Entry {
    uint32_t tag, checksum, offset, length;
  };
  std::vector<Entry> entries;
  size_t head_offset = 0;
  for (const Out& t : tables) {
    // Each table is padded to 4 bytes below and the header and directory are multiples of 4,
    // so this cannot fail on any input: a bug, not a font to report to the user.
    if (out.size() % 4 != 0) throw std::logic_error("INTERNAL ERROR: Align error");
    if (t.tag == make_tag("head")) head_offset = out.size();
    entries.push_back({t.tag, table_checksum(t.bytes), uint32_t(out.size()), uint32_t(t.bytes.size())});
    out += t.bytes;
    out.append((4 - out.size() % 4) % 4, '\0');
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
  for (size_t i = 0; i < entries.size(); ++i) {
    size_t rec = directory + i * 16;
    put_u32(out, rec, entries[i].tag);
    put_u32(out, rec + 4, entries[i].checksum);
    put_u32(out, rec + 8, entries[i].offset);
    put_u32(out, rec + 12, entries[i].length);
  }
  if (head_offset != 0)
    put_u32(out, head_offset + kHeadChecksumAdjustment, kChecksumMagic - table_checksum(out));
  return out;
}

}  // namespace orvena::exporting::truetype
