#pragma once
// One worksheet part (xl/worksheets/sheetN.xml), streamed row by row into its ZIP entry, so a
// sheet of a million rows never exists whole in memory. Merge ranges and links gathered while
// the rows go out wait in temporary files: they follow the rows in the part.
//
//   SheetWriter sheet(zip.begin_entry("xl/worksheets/sheet1.xml"));
//   sheet.begin({.last_column = 4, .last_row = 99}, column_widths_px);
//   sheet.begin_row(0, 17.0);
//   sheet.string_cell(0, xf, string_index); sheet.number_cell(1, xf, 12.5);
//   sheet.end_row();
//   sheet.merge({0, 0, 0, 2});
//   sheet.finish(setup);                   // margins, page setup, row breaks, drawing link
//   zip.end_entry();
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "export/xml/xml_writer.h"

namespace orvena::exporting::xlsx {

// The largest sheet a spreadsheet opens (ISO/IEC 29500-1, 18.3.1.73 and 18.3.1.13 with the
// limits every current reader has): rows 1..1,048,576, columns A..XFD.
constexpr uint32_t kMaxRows = 1048576;
constexpr uint32_t kMaxColumns = 16384;

// "A", "Z", "AA", "ZZ", "AAA": column index from 0 as letters.
std::string column_name(uint32_t column);
// "B3" for column 1, row 2 (both from 0).
std::string cell_name(uint32_t column, uint32_t row);

// Pixel sizes to the sheet's units: column widths in characters, row heights in points.
double column_width(double pixels);
double row_height(double pixels);

struct CellRange {
  uint32_t first_row = 0, first_column = 0, last_row = 0, last_column = 0;
};

struct PageSetup {
  double left_mm = 0, right_mm = 0, top_mm = 0, bottom_mm = 0;
  int paper_size = 9;  // A4
  bool landscape = false;
  std::vector<uint32_t> row_breaks;  // 0-based index of the first row of each following page
  bool write_row_breaks = false;
  bool has_drawing = false;
};

// A temporary file for what a sheet writes after its rows (merged ranges, links, spilled pages);
// it is gone when closed. The error in the system's words when one cannot be made, written or
// read back.
std::FILE* temporary_file();
[[noreturn]] void temporary_file_failed(int error);

class SheetWriter {
 public:
  explicit SheetWriter(zip::EntryWriter& entry);
  ~SheetWriter();
  SheetWriter(const SheetWriter&) = delete;
  SheetWriter& operator=(const SheetWriter&) = delete;

  // The dimension is the last column and row written (from 0); no rows: none given.
  void begin(const CellRange* used, const std::vector<double>& column_widths_px);
  void begin_row(uint32_t row, double height_px);
  void string_cell(uint32_t column, int style, uint32_t string_index);
  void number_cell(uint32_t column, int style, double value);
  // A cell with its look only: the part of a merged range that is not its first cell.
  void style_cell(uint32_t column, int style);
  void end_row();
  void merge(const CellRange& range);
  // A link from the range to `url` (an empty url is none). Links wait in a temporary file, like
  // merge ranges: a long sheet may have a link in every row.
  void hyperlink(const CellRange& range, std::string_view url);
  void finish(const PageSetup& setup);
  // Where a link within the workbook ("@" + page number) goes, as a location such as
  // "'Page 2'!A1"; empty leaves the link out. Asked when the sheet is finished, so a link may
  // name a page written after it.
  std::function<std::string(std::string_view)> internal_location;

  // The links' targets in order, for the sheet's relationships part, each listed under
  // link_relationship_id(i); a target starting with "@" is within the workbook and has none.
  uint64_t link_count() const { return m_link_count; }
  void for_each_link_target(const std::function<void(uint64_t, std::string_view)>& target) const;
  static std::string link_relationship_id(uint64_t link);

  uint64_t cell_count() const { return m_cells; }
  uint64_t string_cell_count() const { return m_string_cells; }

 private:
  void cell_start(uint32_t column, int style);

  xml::XmlWriter m_xml;
  std::string m_row_ref;       // the current row's number as text
  std::string m_row_start;     // the current row's start tag, without its end
  bool m_row_written = false;  // the start tag has gone out with a cell
  double m_height_px = 0;      // the last row height, and its text in the sheet
  std::string m_height_text;
  std::vector<std::string> m_column_names;  // letters of the columns written so far
  std::string m_cell;                       // the cell being put together
  std::FILE* m_merges = nullptr;
  uint64_t m_merge_count = 0;
  std::FILE* m_links = nullptr;
  uint64_t m_link_count = 0;
  uint64_t m_cells = 0;
  uint64_t m_string_cells = 0;
  bool m_in_row = false;
  bool m_data_open = false;
};

}  // namespace orvena::exporting::xlsx
