#include "export/pdf/pdf_font.h"

#include <cmath>

#include "core/encoding.h"
#include "core/line_file.h"
#include "export/pdf/object_writer.h"
#include "export/pdf/pdf_security.h"
#include "export/pdf/pdf_syntax.h"
#include "export/pdf/truetype/subset.h"

namespace orvena::exporting::pdf {
namespace {

constexpr uint16_t kMacStyleBold = 1, kMacStyleItalic = 2;
// A CMap's bfchar block holds at most 100 mappings (Adobe technical note 5014, CMap files).
constexpr size_t kMaxBfcharEntries = 100;

std::string four_hex(uint16_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04X", v);
  return buf;
}

// Text as UTF-16BE hex digits without brackets or byte-order mark.
std::string utf16_hex(std::string_view utf8) {
  std::string s = hex_string(utf16_bytes(utf8));
  return s.substr(5, s.size() - 6);  // drop "<FEFF" and ">"
}

}  // namespace

PdfFont::PdfFont(FontKey key, size_t index)
    : m_key(std::move(key)),
      m_resource_name("/F" + std::to_string(index)),
      m_file(core::read_file(m_key.file)) {
  m_face = std::make_unique<truetype::FontFile>(m_file, m_key.face_index);
  // Looked up for every glyph of every text run: read once.
  double scale = 1000.0 / m_face->metrics().units_per_em;
  m_widths.resize(m_face->glyph_count());
  for (uint16_t g = 0; g < m_widths.size(); ++g) m_widths[g] = m_face->advance_width(g) * scale;
  m_used_index.assign(size_t(1) << 16, -1);
}

std::string PdfFont::base_name() const {
  std::string family = m_face->name(1);
  if (family.empty()) family = m_key.file.stem().string();
  uint16_t style = m_face->metrics().mac_style;
  bool bold = style & kMacStyleBold, italic = style & kMacStyleItalic;
  if (bold || italic) family += std::string(",") + (bold ? "Bold" : "") + (italic ? "Italic" : "");
  return family;
}

void PdfFont::use(uint16_t glyph, std::string_view unicode) {
  if (int32_t at = m_used_index[glyph]; at >= 0) {
    // A glyph first met as the second glyph of a cluster gets the text of a later use.
    if (m_used[at].unicode.empty() && !unicode.empty()) m_used[at].unicode = unicode;
    return;
  }
  m_used_index[glyph] = static_cast<int32_t>(m_used.size());
  m_used.push_back({glyph, static_cast<uint32_t>(std::lround(width(glyph))), std::string(unicode)});
}

std::string PdfFont::subset_tag() const {
  std::string seed = m_key.file.string() + '\0' + std::to_string(m_key.face_index);
  for (const auto& g : m_used) seed += four_hex(g.id);
  std::string digest = md5(seed);
  std::string tag;
  for (int i = 0; i < 6; ++i) tag += static_cast<char>('A' + uint8_t(digest[i]) % 26);
  return tag;
}

std::string PdfFont::to_unicode_cmap(std::string_view font_name) const {
  std::string cmap_name = font_name.empty() ? std::string("/Font") : name(font_name);
  for (char& c : cmap_name)
    if (c == ',') c = '+';
  std::string out =
      "/CIDInit /ProcSet findresource begin\r\n12 dict begin\r\nbegincmap\r\n/CIDSystemInfo\r\n"
      "<< /Registry (Adobe)\r\n/Ordering (UCS)\r\n/Ordering (Identity)\r\n/Supplement 0\r\n>> def\r\n"
      "/CMapName " +
      cmap_name +
      " def\r\n/CMapType 2 def\r\n1 begincodespacerange\r\n<0000> <FFFF>\r\n"
      "endcodespacerange\r\n";
  std::vector<const UsedGlyph*> mapped;
  for (const auto& g : m_used)
    if (!g.unicode.empty()) mapped.push_back(&g);
  for (size_t start = 0; start < mapped.size(); start += kMaxBfcharEntries) {
    size_t end = std::min(mapped.size(), start + kMaxBfcharEntries);
    out += std::to_string(end - start) + " beginbfchar\r\n";
    for (size_t i = start; i < end; ++i)
      out += "<" + four_hex(mapped[i]->id) + "> <" + utf16_hex(mapped[i]->unicode) + ">\r\n";
    out += "endbfchar\r\n";
  }
  out += "endcmap\r\nCMapName currentdict /CMap defineresource pop\r\nend\r\nend\r\n";
  return out;
}

// A bit per CID from 0, the high bit first; the subset keeps glyph 0 and the glyphs used.
std::string PdfFont::cid_set_entry(ObjectWriter& out, CidSet cid_set) const {
  if (cid_set == CidSet::Omit) return {};
  uint16_t highest = 0;
  for (const auto& g : m_used) highest = std::max(highest, g.id);
  std::string bits(size_t(highest) / 8 + 1, '\0');
  bits[0] = char(0x80);
  for (const auto& g : m_used) bits[g.id / 8] = char(uint8_t(bits[g.id / 8]) | (0x80 >> (g.id % 8)));
  return "\r\n/CIDSet " + std::to_string(out.stream_object("", bits)) + " 0 R";
}

void PdfFont::write(ObjectWriter& out, CidSet cid_set) const {
  const truetype::FontMetrics& m = m_face->metrics();
  double scale = 1000.0 / m.units_per_em;
  auto scaled = [&](double v) { return std::to_string(std::lround(v * scale)); };

  std::vector<uint16_t> glyphs;
  for (const auto& g : m_used) glyphs.push_back(g.id);
  std::string file = truetype::subset_font(*m_face, glyphs);
  uint32_t file_ref = out.stream_object("/Length1 " + std::to_string(file.size()), file);

  std::string plain_name = base_name();
  std::string font_name = name(subset_tag() + "+" + plain_name);
  int internal_leading = int(m.win_ascent) + int(m.win_descent) - int(m.units_per_em);
  double stem = 50 + std::pow(m.weight_class / 65.0, 2);
  uint32_t descriptor = out.dictionary_object(
      "/Type /FontDescriptor\r\n/FontName " + font_name + "\r\n/Flags 32\r\n/FontBBox [" + scaled(m.x_min) +
      " " + scaled(m.y_min) + " " + scaled(m.x_max) + " " + scaled(m.y_max) + " ]\r\n/ItalicAngle " +
      std::to_string(std::lround(m.italic_angle)) + "\r\n/Ascent " + scaled(m.ascender) + "\r\n/Descent " +
      scaled(m.descender) + "\r\n/Leading " + scaled(std::max(0, internal_leading)) + "\r\n/CapHeight " +
      scaled(m.cap_height) + "\r\n/StemV " + std::to_string(std::lround(stem)) + "\r\n/AvgWidth " +
      scaled(m.avg_char_width) + "\r\n/MaxWidth " + scaled(m.advance_width_max) + "\r\n/MissingWidth " +
      scaled(m.avg_char_width) + "\r\n/FontFile2 " + std::to_string(file_ref) + " 0 R" +
      cid_set_entry(out, cid_set));

  uint32_t to_unicode = out.stream_object("", to_unicode_cmap(plain_name));
  uint32_t system_info = out.dictionary_object("/Registry (Adobe) /Ordering (Identity) /Supplement 0");

  // Every used glyph gets its width, zero too: a glyph left out would take the default 1000.
  std::string widths = "/W [ ";
  for (const auto& g : m_used) widths += std::to_string(g.id) + " [" + std::to_string(g.width) + "] ";
  widths += "]";
  uint32_t descendant =
      out.dictionary_object("/Type /Font\r\n/Subtype /CIDFontType2\r\n/BaseFont " + font_name +
                            "\r\n/CIDToGIDMap /Identity\r\n/CIDSystemInfo " + std::to_string(system_info) +
                            " 0 R\r\n/FontDescriptor " + std::to_string(descriptor) + " 0 R\r\n" + widths);

  out.dictionary_object("/Type /Font\r\n/Subtype /Type0\r\n/BaseFont " + font_name +
                            "\r\n/Encoding /Identity-H\r\n/DescendantFonts [" + std::to_string(descendant) +
                            " 0 R]\r\n/ToUnicode " + std::to_string(to_unicode) + " 0 R",
                        m_reference);
}

}  // namespace orvena::exporting::pdf
