#pragma once
// The subset of a TrueType face that a PDF embeds (FontFile2). Glyphs keep their indices, so
// the glyph ids used as character codes stay valid: the glyphs used (with .notdef and the parts
// of composite glyphs) keep their outlines, every other glyph becomes blank. Only the tables a
// renderer needs to draw glyphs by index are kept; layout tables (GSUB, GPOS, kern, ...) and
// bitmaps are left out, and "post" shrinks to its version 3 header, since glyph names are not
// needed either.
#include <cstdint>
#include <span>
#include <string>

#include "export/pdf/truetype/font_file.h"

namespace orvena::exporting::truetype {

// A single-face font file (the face of a collection comes out as a font of its own).
std::string subset_font(const FontFile& font, std::span<const uint16_t> glyphs);

// Sum of big-endian 32-bit words, the last padded with zeros (the table checksum).
uint32_t table_checksum(std::string_view bytes);

}  // namespace orvena::exporting::truetype
