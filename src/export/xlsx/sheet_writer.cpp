#include "export/xlsx/sheet_writer.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "core/error.h"
#include "export/zip/zip_writer.h"

namespace orvena::exporting::xlsx {

std::FILE* temporary_file() {
  std::FILE* file = std::tmpfile();
  if (!file) throw core::Error(std::string("Nie można utworzyć pliku tymczasowego: ") + std::strerror(errno));
  return file;
}

void temporary_file_failed(int error) {
  throw core::Error(std::string("Błąd pliku tymczasowego: ") + std::strerror(error));
}

namespace {

// Inches per millimetre, for the page margins.
constexpr double kInchesPerMillimetre = 0.039370078740157480314;

std::string fixed(double value, int decimals) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  return std::string(buf, r.ptr);
}

template <class Number>
void append_number(std::string& out, Number value) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

}  // namespace

std::string column_name(uint32_t column) {
  // Bijective base 26: A..Z, AA..ZZ, AAA..
  std::string name;
  for (uint64_t n = uint64_t(column) + 1; n > 0; n = (n - 1) / 26)
    name.insert(name.begin(), char('A' + (n - 1) % 26));
  return name;
}

std::string cell_name(uint32_t column, uint32_t row) {
  return column_name(column) + std::to_string(uint64_t(row) + 1);
}

double column_width(double pixels) {
  return pixels * 0.111317;
}
double row_height(double pixels) {
  return pixels * 0.754967;
}

SheetWriter::SheetWriter(zip::EntryWriter& entry) : m_xml(entry) {}

SheetWriter::~SheetWriter() {
  if (m_merges) std::fclose(m_merges);
  if (m_links) std::fclose(m_links);
}

void SheetWriter::begin(const CellRange* used, const std::vector<double>& column_widths_px) {
  m_xml.declaration();
  m_xml.start("worksheet")
      .attribute("xmlns", "http://schemas.openxmlformats.org/spreadsheetml/2006/main")
      .attribute("xmlns:r", "http://schemas.openxmlformats.org/officeDocument/2006/relationships");
  std::string ref = "A1";
  if (used) ref += ":" + cell_name(used->last_column, used->last_row);
  m_xml.start("dimension").attribute("ref", ref).end();
  m_xml.raw(R"(<sheetViews><sheetView showGridLines="1" workbookViewId="0"/></sheetViews>)");
  if (!column_widths_px.empty()) {
    m_xml.start("cols");
    for (size_t i = 0; i < column_widths_px.size() && i < kMaxColumns; ++i)
      m_xml.start("col")
          .attribute("min", int(i + 1))
          .attribute("max", int(i + 1))
          .attribute("width", fixed(column_width(column_widths_px[i]), 2))
          .attribute("customWidth", "1")
          .end();
    m_xml.end();
  }
  m_xml.start("sheetData");
  m_data_open = true;
}

// The row's start tag waits for its first cell and goes out with it; a row without cells is
// closed as an empty element. Rows are mostly of one height, whose text is kept.
void SheetWriter::begin_row(uint32_t row, double height_px) {
  if (row >= kMaxRows)
    throw core::Error("Raport ma więcej wierszy, niż mieści arkusz skoroszytu (" + std::to_string(kMaxRows) +
                      ").");
  m_row_ref.clear();
  append_number(m_row_ref, uint64_t(row) + 1);
  if (m_height_text.empty() || height_px != m_height_px) {
    m_height_px = height_px;
    m_height_text = fixed(row_height(height_px), 6);
  }
  m_row_start.assign("<row r=\"");
  m_row_start += m_row_ref;
  m_row_start += "\" ht=\"";
  m_row_start += m_height_text;
  m_row_start += "\" customHeight=\"1\"";
  m_row_written = false;
  m_in_row = true;
}

// Cells are most of a sheet, so each is put together in one piece of text: its reference, style
// and value are digits and letters that need no escaping.
void SheetWriter::cell_start(uint32_t column, int style) {
  if (column >= kMaxColumns)
    throw core::Error("Raport ma więcej kolumn, niż mieści arkusz skoroszytu (" +
                      std::to_string(kMaxColumns) + ").");
  ++m_cells;
  m_cell.clear();
  if (!m_row_written) {
    m_cell += m_row_start;
    m_cell += '>';
    m_row_written = true;
  }
  if (column >= m_column_names.size()) {
    size_t from = m_column_names.size();
    m_column_names.resize(column + 1);
    for (size_t c = from; c <= column; ++c) m_column_names[c] = column_name(uint32_t(c));
  }
  m_cell += "<c r=\"";
  m_cell += m_column_names[column];
  m_cell += m_row_ref;
  m_cell += "\" s=\"";
  append_number(m_cell, style);
  m_cell += '"';
}

void SheetWriter::string_cell(uint32_t column, int style, uint32_t string_index) {
  cell_start(column, style);
  ++m_string_cells;
  m_cell += " t=\"s\"><v>";
  append_number(m_cell, string_index);
  m_cell += "</v></c>";
  m_xml.raw(m_cell);
}

void SheetWriter::number_cell(uint32_t column, int style, double value) {
  cell_start(column, style);
  m_cell += "><v>";
  // Whole numbers as plain digits (the shortest form of 100000 would be "1e+05"); others the
  // shortest text that reads back as the same double. Always "." as the decimal point.
  if (!std::isfinite(value)) value = 0;
  if (value == std::trunc(value) && std::fabs(value) < 1e15)
    append_number(m_cell, static_cast<long long>(value));
  else
    append_number(m_cell, value);
  m_cell += "</v></c>";
  m_xml.raw(m_cell);
}

void SheetWriter::style_cell(uint32_t column, int style) {
  cell_start(column, style);
  m_cell += "/>";
  m_xml.raw(m_cell);
}

void SheetWriter::end_row() {
  if (m_row_written) {
    m_xml.raw("</row>");
  } else {
    m_row_start += "/>";
    m_xml.raw(m_row_start);
  }
  m_in_row = false;
}

void SheetWriter::merge(const CellRange& range) {
  if (!m_merges) m_merges = temporary_file();
  if (std::fwrite(&range, sizeof range, 1, m_merges) != 1) temporary_file_failed(errno);
  ++m_merge_count;
}

void SheetWriter::hyperlink(const CellRange& range, std::string_view url) {
  if (url.empty()) return;
  if (!m_links) m_links = temporary_file();
  uint64_t size = url.size();
  if (std::fwrite(&range, sizeof range, 1, m_links) != 1 ||
      std::fwrite(&size, sizeof size, 1, m_links) != 1 ||
      std::fwrite(url.data(), 1, url.size(), m_links) != url.size())
    temporary_file_failed(errno);
  ++m_link_count;
}

namespace {

// Reads the links back in the order they were added.
template <class OnLink>
void read_links(std::FILE* file, uint64_t count, OnLink on_link) {
  if (std::fflush(file) != 0) temporary_file_failed(errno);
  std::rewind(file);
  std::string url;
  for (uint64_t i = 0; i < count; ++i) {
    CellRange range;
    uint64_t size = 0;
    if (std::fread(&range, sizeof range, 1, file) != 1 || std::fread(&size, sizeof size, 1, file) != 1)
      temporary_file_failed(EIO);
    url.resize(size);
    if (size && std::fread(url.data(), 1, size, file) != size) temporary_file_failed(EIO);
    on_link(i, range, url);
  }
}

}  // namespace

void SheetWriter::for_each_link_target(const std::function<void(uint64_t, std::string_view)>& target) const {
  if (m_link_count == 0) return;
  read_links(m_links, m_link_count,
             [&](uint64_t i, const CellRange&, std::string_view url) { target(i, url); });
}

std::string SheetWriter::link_relationship_id(uint64_t link) {
  // Apart from "rId1", the drawing's.
  return "rIdLink" + std::to_string(link + 1);
}

void SheetWriter::finish(const PageSetup& setup) {
  if (m_in_row) end_row();
  if (m_data_open) m_xml.end();  // sheetData
  m_data_open = false;
  if (m_merge_count) {
    m_xml.start("mergeCells").attribute("count", static_cast<long long>(m_merge_count));
    std::rewind(m_merges);
    CellRange r;
    while (std::fread(&r, sizeof r, 1, m_merges) == 1)
      m_xml.start("mergeCell")
          .attribute("ref",
                     cell_name(r.first_column, r.first_row) + ":" + cell_name(r.last_column, r.last_row))
          .end();
    m_xml.end();
  }
  if (m_link_count) {
    // ISO/IEC 29500-1, 18.3.1.47: the target of an external link is the relationship's.
    m_xml.start("hyperlinks");
    read_links(m_links, m_link_count, [&](uint64_t i, const CellRange& r, std::string_view url) {
      std::string ref = cell_name(r.first_column, r.first_row);
      if (r.last_column != r.first_column || r.last_row != r.first_row)
        ref += ":" + cell_name(r.last_column, r.last_row);
      if (url.starts_with('@')) {
        // 18.3.1.47: a location within the workbook takes no relationship.
        std::string location = internal_location ? internal_location(url) : std::string();
        if (!location.empty())
          m_xml.start("hyperlink").attribute("ref", ref).attribute("location", location).end();
        return;
      }
      m_xml.start("hyperlink").attribute("ref", ref).attribute("r:id", link_relationship_id(i)).end();
    });
    m_xml.end();
  }
  m_xml.start("pageMargins")
      .attribute("left", fixed(setup.left_mm * kInchesPerMillimetre, 6))
      .attribute("right", fixed(setup.right_mm * kInchesPerMillimetre, 6))
      .attribute("top", fixed(setup.top_mm * kInchesPerMillimetre, 6))
      .attribute("bottom", fixed(setup.bottom_mm * kInchesPerMillimetre, 6))
      .attribute("header", "0")
      .attribute("footer", "0")
      .end();
  m_xml.start("pageSetup")
      .attribute("paperSize", setup.paper_size)
      .attribute("firstPageNumber", "0")
      .attribute("orientation", setup.landscape ? "landscape" : "portrait")
      .attribute("useFirstPageNumber", "1")
      .attribute("errors", "blank")
      .attribute("horizontalDpi", "300")
      .attribute("verticalDpi", "300")
      .end();
  m_xml.raw(R"(<headerFooter alignWithMargins="0"/>)");
  if (setup.write_row_breaks) {
    int n = int(setup.row_breaks.size());
    m_xml.start("rowBreaks").attribute("count", n).attribute("manualBreakCount", n);
    for (uint32_t row : setup.row_breaks)
      m_xml.start("brk")
          .attribute("id", static_cast<long long>(row))
          .attribute("max", "16383")
          .attribute("man", "1")
          .end();
    m_xml.end();
  }
  if (setup.has_drawing) m_xml.raw(R"(<drawing r:id="rId1"/>)");
  m_xml.finish();
}

}  // namespace orvena::exporting::xlsx
