#pragma once
// One composite font of a PDF document: a TrueType face, identified by its file and face index,
// written as a Type0 font with the Identity-H encoding over a CIDFontType2 descendant whose CIDs
// are the face's glyph indices. The record collects the glyphs used, in first-use order, with
// their widths in thousandths of an em and the text each stands for; at the end of the document
// it writes the subset font file, the descriptor, the ToUnicode map and the font dictionaries.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/pdf/truetype/font_file.h"

namespace orvena::exporting::pdf {

class ObjectWriter;

// What the font service hands over for a resolved font.
struct FontKey {
  std::filesystem::path file;
  uint32_t face_index = 0;
  friend bool operator==(const FontKey&, const FontKey&) = default;
};

class PdfFont {
 public:
  struct UsedGlyph {
    uint16_t id = 0;
    uint32_t width = 0;   // thousandths of an em
    std::string unicode;  // UTF-8 text the glyph stands for; may be empty
  };

  // Reads and parses the face; throws core::Error when the file cannot be read or is not a
  // TrueType font we can embed.
  PdfFont(FontKey key, size_t index);

  const FontKey& key() const { return m_key; }
  // "/F0", "/F1", ... by position in the document's font list.
  const std::string& resource_name() const { return m_resource_name; }
  // Font name without the subset tag: the family with ",Bold", ",Italic" or ",BoldItalic".
  std::string base_name() const;

  // Number of the Type0 object; 0 until the first page using the font reserves it.
  uint32_t reference() const { return m_reference; }
  void set_reference(uint32_t number) { m_reference = number; }

  // Records a glyph on first use; the first non-empty text given for a glyph is the one kept.
  void use(uint16_t glyph, std::string_view unicode);
  // Advance of a glyph in thousandths of an em, as the font file gives it.
  double width(uint16_t glyph) const { return glyph < m_widths.size() ? m_widths[glyph] : 0; }
  const std::vector<UsedGlyph>& used() const { return m_used; }
  const truetype::FontFile& face() const { return *m_face; }

  // The six capital letters before "+" in the embedded font's name, derived from the glyphs
  // used, so that two different subsets of one face never share a name.
  std::string subset_tag() const;
  // The font file, the descriptor, the ToUnicode map, the CIDFont and, at reference(), the
  // Type0 font. With CidSet::Write the descriptor lists the glyphs the subset holds, as PDF/A-1 asks of
  // every subset CID font (ISO 19005-1 6.3.5).
  enum class CidSet : uint8_t { Omit, Write };
  void write(ObjectWriter& out, CidSet cid_set = CidSet::Omit) const;

  std::string to_unicode_cmap(std::string_view font_name) const;

 private:
  std::string cid_set_entry(ObjectWriter& out, CidSet cid_set) const;

  FontKey m_key;
  std::string m_resource_name;
  std::string m_file;
  std::unique_ptr<truetype::FontFile> m_face;
  uint32_t m_reference = 0;
  std::vector<UsedGlyph> m_used;
  std::vector<double> m_widths;       // of every glyph of the face
  std::vector<int32_t> m_used_index;  // per glyph: its place in m_used, or -1
};

}  // namespace orvena::exporting::pdf
