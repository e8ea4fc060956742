#pragma once
// The styles part (xl/styles.xml): distinct fonts, fills, borders, number formats and cell
// formats, numbered in order of first use and shared by every sheet of the workbook.
//
//   StyleTable styles;                      // the base entries are already in place
//   int xf = styles.cell_format(format);    // the s="" index of a cell
//   std::string xml = styles.xml();         // written once every sheet is done
#include <string>
#include <vector>

#include "export/xlsx/cell_format.h"
#include "export/xml/xml_writer.h"

namespace orvena::exporting::xlsx {

// The indexed colour palette fills refer to: eight base colours, then each new colour until
// 56 entries, then the nearest entry.
class Palette {
 public:
  Palette();
  int index_of(uint32_t rgb);
  const std::vector<uint32_t>& colours() const { return m_colours; }

  static constexpr size_t kMaxColours = 56;

 private:
  std::vector<uint32_t> m_colours;
};

// A report number pattern ("%2.2n", "%g", "#,##0.00") as a spreadsheet format code; empty for
// the General format.
std::string number_format_code(const std::string& pattern);

// "FF" and six hex digits: an opaque ARGB value.
std::string argb(uint32_t rgb);

class StyleTable {
 public:
  StyleTable();
  // The index of the cell format (cellXfs) for `format`; equal formats share one.
  int cell_format(const CellFormat& format);
  std::string xml() const;

  size_t font_count() const { return m_fonts.size(); }
  size_t fill_count() const { return m_fills.size(); }
  size_t border_count() const { return m_borders.size(); }

 private:
  int number_format_id(const CellFormat& format);

  xml::UniqueList m_format_codes, m_fonts, m_fills, m_borders, m_cell_formats;
  Palette m_palette;
};

}  // namespace orvena::exporting::xlsx
