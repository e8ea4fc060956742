#pragma once
// One page of the report as sheet rows: what the layout matrix made of the page, reduced to what
// the sheet needs (row heights, and per object its column edges, rows, cell format and value).
// A single sheet of many pages needs every page's column edges before its first row is
// written, so the pages are kept in a temporary file between the walk and the sheet, which
// is written in one stream at the end: only one page is in memory at a time.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "export/xlsx/sheet_writer.h"

namespace orvena::exporting::xlsx {

enum class CellKind : uint8_t { Styled, String, Number };

struct GridCell {
  double left = 0, right = 0;  // column edges, pixels
  uint32_t row = 0, rows = 1;  // rows of the page it covers
  int32_t style = 0;           // cell format index
  CellKind kind = CellKind::Styled;
  uint32_t string_index = 0;
  double number = 0;
  uint32_t link = 0;  // 1 + index into PageGrid::links; 0: none
};

struct PageGrid {
  std::vector<double> row_heights;  // pixels
  std::vector<GridCell> cells;      // in placement order: a later one wins a shared cell
  std::vector<std::string> links;   // hyperlink targets of the cells
};

// The page rows [begin, end) that go on one sheet; a long page may be cut between sheets.
struct RowWindow {
  uint32_t begin = 0, end = UINT32_MAX;
};

// Column boundaries of several pages as one list: edges closer than `inaccuracy` become one
// boundary, the later (rightmost) one surviving, as the layout matrix merges them.
std::vector<double> merge_boundaries(std::vector<double> edges, double inaccuracy);

// The sheet column of an edge: the first boundary at or right of it.
uint32_t column_of(const std::vector<double>& boundaries, double edge);

// Writes the page's rows of `window` from sheet row `first_row` on, over the columns between
// `boundaries`. An object cut by the window edge keeps the part inside: its text in each of its
// cells there, its number only where its first cell is, its merge range and link clipped.
void write_page_rows(SheetWriter& sheet, const PageGrid& page, const std::vector<double>& boundaries,
                     uint32_t first_row, RowWindow window = {});

// Pages waiting for their sheet, in a temporary file.
class PageSpill {
 public:
  PageSpill();
  ~PageSpill();
  PageSpill(const PageSpill&) = delete;
  PageSpill& operator=(const PageSpill&) = delete;

  void write(const PageGrid& page);
  // Starts reading from the first page; read() returns false after the last.
  void rewind();
  bool read(PageGrid& page);

 private:
  std::FILE* m_file;
};

}  // namespace orvena::exporting::xlsx
