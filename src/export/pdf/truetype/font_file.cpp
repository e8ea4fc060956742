#include "export/pdf/truetype/font_file.h"

#include <algorithm>

#include "core/encoding.h"
#include "export/pdf/truetype/byte_reader.h"

namespace orvena::exporting::truetype {
namespace {

constexpr uint32_t kCollectionTag = make_tag("ttcf");
constexpr uint32_t kTrueTypeVersion = 0x00010000;
constexpr uint32_t kOpenTypeTag = make_tag("OTTO");

// Composite glyph flags (glyf chapter).
constexpr uint16_t kArgsAreWords = 0x0001;
constexpr uint16_t kHaveScale = 0x0008;
constexpr uint16_t kMoreComponents = 0x0020;
constexpr uint16_t kHaveXYScale = 0x0040;
constexpr uint16_t kHaveTwoByTwo = 0x0080;

[[noreturn]] void fail(std::string_view message) {
  throw core::Error(std::string(message));
}

// Offset of the face's table directory.
uint32_t face_offset(const ByteReader& in, uint32_t face_index, const FontLimits& limits) {
  if (in.size() > limits.max_file_bytes) format_error();
  uint32_t tag = in.u32(0);
  if (tag != kCollectionTag) {
    if (tag != kTrueTypeVersion && tag != kOpenTypeTag) fail("TrueType font format error");
    if (face_index != 0) fail("Font not found in collection");
    return 0;
  }
  // TTC header: tag, version 1.0 or 2.0, numFonts, offsets[numFonts].
  uint32_t version = in.u32(4);
  if (version != 0x00010000 && version != 0x00020000) fail("Unknown font collection version");
  uint32_t count = in.u32(8);
  if (count > limits.max_faces) format_error();
  if (face_index >= count) fail("Font not found in collection");
  return in.u32(12 + size_t(face_index) * 4);
}

}  // namespace

uint32_t FontFile::face_count(std::string_view data, const FontLimits& limits) {
  ByteReader in(data);
  if (in.u32(0) != kCollectionTag) return 1;
  face_offset(in, 0, limits);  // checks the header
  return in.u32(8);
}

FontFile::FontFile(std::string_view data, uint32_t face_index, const FontLimits& limits)
    : m_data(data), m_limits(limits) {
  ByteReader in(data);
  read_directory(face_offset(in, face_index, limits));
  read_metrics();
  read_locations();
}

// Offset table: sfntVersion, numTables, searchRange, entrySelector, rangeShift, then
// numTables records of tag, checksum, offset, length.
void FontFile::read_directory(uint32_t offset) {
  ByteReader in(m_data);
  uint32_t version = in.u32(offset);
  if (version != kTrueTypeVersion && version != kOpenTypeTag) fail("TrueType font format error");
  uint16_t count = in.u16(size_t(offset) + 4);
  if (count > m_limits.max_tables) format_error();
  for (uint16_t i = 0; i < count; ++i) {
    size_t rec = size_t(offset) + 12 + size_t(i) * 16;
    TableRecord t{in.u32(rec), in.u32(rec + 4), in.u32(rec + 8), in.u32(rec + 12)};
    if (!in.fits(t.offset, t.length)) format_error();
    m_tables.push_back(t);
  }
}

const TableRecord* FontFile::find_table(uint32_t tag) const {
  for (const auto& t : m_tables)
    if (t.tag == tag) return &t;
  return nullptr;
}

std::string_view FontFile::table(uint32_t tag) const {
  const TableRecord* t = find_table(tag);
  return t ? m_data.substr(t->offset, t->length) : std::string_view{};
}

void FontFile::read_metrics() {
  ByteReader head(table(make_tag("head")));
  ByteReader hhea(table(make_tag("hhea")));
  ByteReader maxp(table(make_tag("maxp")));
  FontMetrics& m = m_metrics;
  m.units_per_em = head.u16(18);
  if (m.units_per_em < 16 || m.units_per_em > 16384) format_error();
  m.x_min = head.s16(36);
  m.y_min = head.s16(38);
  m.x_max = head.s16(40);
  m.y_max = head.s16(42);
  m.mac_style = head.u16(44);
  int16_t loca_format = head.s16(50);
  if (loca_format != 0 && loca_format != 1) fail("Unknown IndexToLoc value");
  m_long_loca = loca_format == 1;

  m.ascender = hhea.s16(4);
  m.descender = hhea.s16(6);
  m.line_gap = hhea.s16(8);
  m.advance_width_max = hhea.u16(10);
  m_long_metrics = hhea.u16(34);
  m_glyph_count = maxp.u16(4);
  m.cap_height = m.ascender;

  if (std::string_view os2 = table(make_tag("OS/2")); os2.size() >= 78) {
    ByteReader r(os2);
    m.avg_char_width = r.s16(2);
    m.weight_class = r.u16(4);
    m.win_ascent = r.u16(74);
    m.win_descent = r.u16(76);
    if (r.u16(0) >= 2 && os2.size() >= 90) m.cap_height = r.s16(88);
  }
  if (std::string_view post = table(make_tag("post")); post.size() >= 8) {
    ByteReader r(post);
    m.italic_angle = static_cast<int32_t>(r.u32(4)) / 65536.0;
  }
}

void FontFile::read_locations() {
  std::string_view glyf = table(make_tag("glyf"));
  if (!find_table(make_tag("glyf"))) fail("Glyph table not found");
  ByteReader loca(table(make_tag("loca")));
  m_locations.resize(size_t(m_glyph_count) + 1);
  for (size_t i = 0; i <= m_glyph_count; ++i) {
    uint32_t at = m_long_loca ? loca.u32(i * 4) : uint32_t(loca.u16(i * 2)) * 2;
    // Offsets only grow and stay inside glyf; anything else is a damaged file.
    if (at > glyf.size() || (i > 0 && at < m_locations[i - 1])) format_error();
    m_locations[i] = at;
  }
}

std::string_view FontFile::glyph_data(uint16_t glyph) const {
  if (glyph >= m_glyph_count) return {};
  std::string_view glyf = table(make_tag("glyf"));
  return glyf.substr(m_locations[glyph], m_locations[glyph + 1] - m_locations[glyph]);
}

// Composite glyph: header of 10 bytes with numberOfContours < 0, then components of flags,
// glyphIndex, two arguments (bytes or words) and an optional scale, a pair of scales or a 2x2.
std::vector<uint16_t> FontFile::components(uint16_t glyph) const {
  std::vector<uint16_t> out;
  ByteReader in(glyph_data(glyph));
  if (in.size() < 10 || in.s16(0) >= 0) return out;
  size_t at = 10;
  for (;;) {
    if (out.size() >= m_limits.max_composite_components) format_error();
    uint16_t flags = in.u16(at);
    out.push_back(in.u16(at + 2));
    at += 4 + ((flags & kArgsAreWords) ? 4 : 2);
    if (flags & kHaveScale)
      at += 2;
    else if (flags & kHaveXYScale)
      at += 4;
    else if (flags & kHaveTwoByTwo)
      at += 8;
    if (!(flags & kMoreComponents)) break;
  }
  return out;
}

uint16_t FontFile::advance_width(uint16_t glyph) const {
  ByteReader hmtx(table(make_tag("hmtx")));
  if (m_long_metrics == 0) return 0;
  size_t index = std::min<size_t>(glyph, m_long_metrics - 1);
  if (!hmtx.fits(index * 4, 2)) return 0;  // a width that cannot be read counts as none
  return hmtx.u16(index * 4);
}

// name table: format, count, stringOffset, then records of platformID, encodingID, languageID,
// nameID, length, offset.
std::string FontFile::name(uint16_t name_id) const {
  ByteReader in(table(make_tag("name")));
  if (in.size() < 6) return {};
  uint16_t count = in.u16(2);
  size_t storage = in.u16(4);
  std::string fallback;
  for (uint16_t i = 0; i < count; ++i) {
    size_t rec = 6 + size_t(i) * 12;
    if (!in.fits(rec, 12)) break;
    if (in.u16(rec + 6) != name_id) continue;
    uint16_t platform = in.u16(rec);
    size_t length = in.u16(rec + 8), offset = storage + in.u16(rec + 10);
    if (!in.fits(offset, length)) continue;
    std::string_view bytes = in.slice(offset, length);
    if (platform == 3 || platform == 0) {
      std::string text = core::utf16_to_utf8(bytes, true);
      if (platform == 3 && in.u16(rec + 4) == 0x0409) return text;  // English (United States)
      if (fallback.empty()) fallback = text;
    } else if (platform == 1 && fallback.empty()) {
      for (char c : bytes) fallback += (uint8_t(c) < 128) ? c : '?';  // Mac Roman: ASCII part only
    }
  }
  return fallback;
}

}  // namespace orvena::exporting::truetype
