#include "export/xlsx/page_grid.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace orvena::exporting::xlsx {

std::vector<double> merge_boundaries(std::vector<double> edges, double inaccuracy) {
  std::sort(edges.begin(), edges.end());
  std::vector<double> out;
  out.reserve(edges.size());
  for (size_t i = 0; i < edges.size(); ++i) {
    // An edge closer than the inaccuracy to the next one gives way to it.
    if (i + 1 < edges.size() && (edges[i + 1] - edges[i] < inaccuracy || edges[i + 1] == edges[i])) continue;
    out.push_back(edges[i]);
  }
  return out;
}

uint32_t column_of(const std::vector<double>& boundaries, double edge) {
  auto it = std::lower_bound(boundaries.begin(), boundaries.end(), edge);
  if (it == boundaries.end()) return boundaries.empty() ? 0 : uint32_t(boundaries.size() - 1);
  return uint32_t(it - boundaries.begin());
}

void write_page_rows(SheetWriter& sheet, const PageGrid& page, const std::vector<double>& boundaries,
                     uint32_t first_row, RowWindow window) {
  size_t columns = boundaries.empty() ? 0 : boundaries.size() - 1;
  size_t rows = page.row_heights.size();
  const uint32_t begin = std::min<uint32_t>(window.begin, uint32_t(rows));
  const uint32_t end = std::clamp<uint32_t>(window.end, begin, uint32_t(rows));
  struct Span {
    uint32_t c0, c1;  // columns [c0, c1)
  };
  std::vector<Span> spans(page.cells.size());
  std::vector<int32_t> grid(rows * columns, -1);
  for (size_t i = 0; i < page.cells.size(); ++i) {
    const GridCell& cell = page.cells[i];
    uint32_t c0 = column_of(boundaries, cell.left);
    uint32_t c1 = std::max(c0 + 1, column_of(boundaries, cell.right));
    c1 = uint32_t(std::min<size_t>(c1, columns));
    spans[i] = {c0, c1};
    for (uint32_t r = cell.row; r < cell.row + cell.rows && r < rows; ++r)
      for (uint32_t c = c0; c < c1; ++c) grid[r * columns + c] = int32_t(i);
  }

  for (uint32_t r = begin; r < end; ++r) {
    sheet.begin_row(first_row + r - begin, page.row_heights[r]);
    for (uint32_t c = 0; c < columns; ++c) {
      int32_t i = grid[r * columns + c];
      if (i < 0) continue;
      const GridCell& cell = page.cells[size_t(i)];
      bool first = r == cell.row && c == spans[size_t(i)].c0;
      if (cell.kind == CellKind::String)
        sheet.string_cell(c, cell.style, cell.string_index);
      else if (cell.kind == CellKind::Number && first)
        sheet.number_cell(c, cell.style, cell.number);
      else
        // The covered cells of a number hold no value of their own, so a sum counts it once.
        sheet.style_cell(c, cell.style);
    }
    sheet.end_row();
  }

  // A range is merged only while every cell of it is still its object's: two merged ranges
  // that overlap make the file unreadable.
  for (size_t i = 0; i < page.cells.size(); ++i) {
    const GridCell& cell = page.cells[i];
    Span s = spans[i];
    uint32_t top = std::max(cell.row, begin);
    uint32_t last_row = std::min<uint32_t>(cell.row + cell.rows, end);
    if (top >= last_row || s.c0 >= s.c1) continue;
    bool whole = true;
    for (uint32_t r = top; r < last_row && whole; ++r)
      for (uint32_t c = s.c0; c < s.c1 && whole; ++c) whole = grid[r * columns + c] == int32_t(i);
    if (!whole) continue;
    CellRange range{first_row + top - begin, s.c0, first_row + last_row - 1 - begin, s.c1 - 1};
    if (s.c1 - s.c0 > 1 || last_row - top > 1) sheet.merge(range);
    if (cell.link > 0 && cell.link <= page.links.size()) sheet.hyperlink(range, page.links[cell.link - 1]);
  }
}

// ---- Spill ------------------------------------------------------------------------------------

namespace {

constexpr size_t kBufferSize = size_t(1) << 20;

void check(bool ok) {
  if (!ok) temporary_file_failed(errno ? errno : EIO);
}

}  // namespace

PageSpill::PageSpill() : m_file(temporary_file()) {
  // Every cell of the report passes through here twice; large pieces keep the system calls few.
  std::setvbuf(m_file, nullptr, _IOFBF, kBufferSize);
}

PageSpill::~PageSpill() {
  std::fclose(m_file);
}

void PageSpill::write(const PageGrid& page) {
  uint64_t sizes[3] = {page.row_heights.size(), page.cells.size(), page.links.size()};
  check(std::fwrite(sizes, sizeof sizes, 1, m_file) == 1);
  if (sizes[0]) check(std::fwrite(page.row_heights.data(), sizeof(double), sizes[0], m_file) == sizes[0]);
  if (sizes[1]) check(std::fwrite(page.cells.data(), sizeof(GridCell), sizes[1], m_file) == sizes[1]);
  for (const std::string& link : page.links) {
    uint64_t size = link.size();
    check(std::fwrite(&size, sizeof size, 1, m_file) == 1);
    if (size) check(std::fwrite(link.data(), 1, size, m_file) == size);
  }
}

void PageSpill::rewind() {
  check(std::fflush(m_file) == 0);
  std::rewind(m_file);
}

bool PageSpill::read(PageGrid& page) {
  uint64_t sizes[3];
  if (std::fread(sizes, sizeof sizes, 1, m_file) != 1) {
    check(!std::ferror(m_file));
    return false;
  }
  page.row_heights.resize(sizes[0]);
  page.cells.resize(sizes[1]);
  if (sizes[0]) check(std::fread(page.row_heights.data(), sizeof(double), sizes[0], m_file) == sizes[0]);
  if (sizes[1]) check(std::fread(page.cells.data(), sizeof(GridCell), sizes[1], m_file) == sizes[1]);
  page.links.resize(sizes[2]);
  for (std::string& link : page.links) {
    uint64_t size = 0;
    check(std::fread(&size, sizeof size, 1, m_file) == 1);
    link.resize(size);
    if (size) check(std::fread(link.data(), 1, size, m_file) == size);
  }
  return true;
}

}  // namespace orvena::exporting::xlsx
