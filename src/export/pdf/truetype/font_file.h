#pragma once
// A TrueType font file read for embedding: the table directory of one face (a single font or one
// face of a collection), the glyph outlines and the metrics a PDF font descriptor needs. Every
// offset is checked against the file, so any bytes may be handed in: bad ones raise
// core::Error with the reader's own words ("Format error", "TrueType font format error", ...).
// (OpenType 1.9: "The OpenType font file" and the head, hhea, maxp, loca, glyf, hmtx,
// OS/2, post and name chapters.)
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"

namespace orvena::exporting::truetype {

// A four-letter table tag as the big-endian number the directory holds.
constexpr uint32_t make_tag(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 | uint32_t(uint8_t(s[2])) << 8 |
         uint32_t(uint8_t(s[3]));
}

// Bounds on what one font file may ask of us. Real fonts stay far below them (a large CJK face
// has about 65,000 glyphs and 30 tables); the limits keep a hostile file from making us loop or
// allocate without end.
struct FontLimits {
  size_t max_file_bytes = 256u << 20;
  uint32_t max_faces = 4096;              // faces listed in one collection
  uint16_t max_tables = 512;              // tables in one directory
  size_t max_composite_components = 256;  // components of one composite glyph
};

struct TableRecord {
  uint32_t tag = 0;
  uint32_t checksum = 0;
  uint32_t offset = 0;  // from the start of the whole file (of the collection, too)
  uint32_t length = 0;
};

// Metrics in font units, as the tables hold them.
struct FontMetrics {
  uint16_t units_per_em = 1000;
  int16_t x_min = 0, y_min = 0, x_max = 0, y_max = 0;  // head: box of all glyphs
  uint16_t mac_style = 0;                              // head: bit 0 bold, bit 1 italic
  int16_t ascender = 0, descender = 0, line_gap = 0;   // hhea
  uint16_t advance_width_max = 0;                      // hhea
  int16_t avg_char_width = 0;                          // OS/2 xAvgCharWidth
  uint16_t weight_class = 400;                         // OS/2 usWeightClass
  uint16_t win_ascent = 0, win_descent = 0;            // OS/2
  int16_t cap_height = 0;                              // OS/2 sCapHeight (version 2 on), else ascender
  double italic_angle = 0;                             // post, degrees
};

class FontFile {
 public:
  // Number of faces: 1 for a single font, the count of a collection ("ttcf").
  static uint32_t face_count(std::string_view data, const FontLimits& limits = {});

  // Reads face `face_index` of `data`, which must stay alive while the FontFile is used.
  FontFile(std::string_view data, uint32_t face_index, const FontLimits& limits = {});

  std::string_view data() const { return m_data; }
  const std::vector<TableRecord>& tables() const { return m_tables; }
  const TableRecord* find_table(uint32_t tag) const;
  // The table's bytes; empty when the font has no such table.
  std::string_view table(uint32_t tag) const;

  const FontMetrics& metrics() const { return m_metrics; }
  uint16_t glyph_count() const { return m_glyph_count; }
  bool long_loca() const { return m_long_loca; }
  const FontLimits& limits() const { return m_limits; }

  // Outline bytes of a glyph in "glyf" (empty for a blank glyph or an index past the end).
  std::string_view glyph_data(uint16_t glyph) const;
  // Glyphs a composite glyph is built from; empty for a simple glyph.
  std::vector<uint16_t> components(uint16_t glyph) const;
  // hmtx advance width in font units (the last long metric repeats past numberOfHMetrics).
  uint16_t advance_width(uint16_t glyph) const;

  // A name record (1 family, 2 subfamily, 4 full name, 6 PostScript name) as UTF-8, Windows
  // Unicode records preferred; empty when absent.
  std::string name(uint16_t name_id) const;

 private:
  void read_directory(uint32_t offset);
  void read_metrics();
  void read_locations();

  std::string_view m_data;
  FontLimits m_limits;
  std::vector<TableRecord> m_tables;
  FontMetrics m_metrics;
  uint16_t m_glyph_count = 0;
  uint16_t m_long_metrics = 0;  // hhea numberOfHMetrics
  bool m_long_loca = false;
  std::vector<uint32_t> m_locations;  // glyph_count + 1 offsets into "glyf"
};

}  // namespace orvena::exporting::truetype
