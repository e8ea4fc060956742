#include "export/xlsx_export.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <exception>
#include <optional>
#include <system_error>

#include "core/error.h"
#include "core/text.h"
#include "core/variant.h"
#include "export/matrix/layout_matrix.h"
#include "export/object_cast.h"
#include "export/xlsx/chart_part.h"
#include "export/xlsx/number_text.h"
#include "export/xlsx/package.h"
#include "export/xlsx/page_grid.h"
#include "report/memo/memo_text.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::exporting {

namespace {

using xlsx::CellFormat;

xlsx::BorderStyle border_style(report::FrameStyle s) {
  switch (s) {
    case report::FrameStyle::Dash:
      return xlsx::BorderStyle::Dashed;
    case report::FrameStyle::Dot:
      return xlsx::BorderStyle::Dotted;
    case report::FrameStyle::DashDot:
    case report::FrameStyle::AltDot:
      return xlsx::BorderStyle::DashDot;
    case report::FrameStyle::DashDotDot:
      return xlsx::BorderStyle::DashDotDot;
    case report::FrameStyle::Double:
      return xlsx::BorderStyle::Double;
    default:
      return xlsx::BorderStyle::Thin;
  }
}

// What the cell format of a matrix style is; a number cell takes the style's number format.
CellFormat cell_format(const MatrixStyle& s, bool number) {
  CellFormat f;
  f.font_name = s.font.name;
  f.font_size = s.font.size;
  f.bold = s.font.style & report::kFontBold;
  f.italic = s.font.style & report::kFontItalic;
  f.underline = s.font.style & report::kFontUnderline;
  f.font_rgb = s.font.color;
  f.charset = s.charset;
  f.fill_rgb = s.fill;
  f.hatched = s.brush_style != report::BrushStyle::Solid && s.brush_style != report::BrushStyle::Clear;
  // The cell format's sides are left, right, top, bottom.
  const MatrixSide sides[] = {kMatrixLeft, kMatrixRight, kMatrixTop, kMatrixBottom};
  for (size_t i = 0; i < 4; ++i)
    if (const MatrixFrameLine* line = s.line_on(sides[i]))
      f.sides[i] = {true, border_style(line->style), line->color};
  f.halign = s.halign == report::HAlign::Right    ? xlsx::HorizontalAlign::Right
             : s.halign == report::HAlign::Center ? xlsx::HorizontalAlign::Center
                                                  : xlsx::HorizontalAlign::Left;
  f.valign = s.valign == report::VAlign::Bottom   ? xlsx::VerticalAlign::Bottom
             : s.valign == report::VAlign::Center ? xlsx::VerticalAlign::Center
                                                  : xlsx::VerticalAlign::Top;
  f.wrap = s.word_wrap;
  f.rotation = ((s.rotation % 360) + 360) % 360;
  if (number) {
    f.number =
        s.format.kind == report::FormatKind::Numeric ? xlsx::NumberKind::Numeric : xlsx::NumberKind::General;
    f.number_pattern = s.format.format_str;
  } else {
    f.number = s.format.kind == report::FormatKind::Text ? xlsx::NumberKind::Text : xlsx::NumberKind::General;
  }
  return f;
}

// The number a text object shows in the default (text) display format. The prepared pages keep
// a text object's text but not its value, so a single line that is a number in the locale's
// form, and that the same number formats back to exactly, is taken as that number; "007", "1e3"
// or "12 szt." stay texts.
std::optional<double> plain_number(const MatrixObject& o, const MatrixStyle* style) {
  if (!o.is_text || o.lines.size() != 1 || (style && style->format.kind != report::FormatKind::Text))
    return std::nullopt;
  const std::string& text = o.lines[0];
  if (text.empty() || text.size() > 32) return std::nullopt;
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i] == ',' ? '.' : text[i];
    // A minus only leads ("2024-01-02" is a date, not a number).
    if (!std::isdigit(uint8_t(c)) && c != '.' && (c != '-' || i > 0)) return std::nullopt;
    plain += c;
  }
  double d = 0;
  auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), d);
  if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(d)) return std::nullopt;
  if (!xlsx::default_number_text(text) &&
      report::memo_text::format_data(core::Variant(d), report::DisplayFormat()) != text)
    return std::nullopt;
  return d;
}

std::filesystem::path partial_name(const std::filesystem::path& target) {
  std::filesystem::path p = target;
  p += ".part";
  return p;
}

}  // namespace

XlsxExportOptions XlsxExportOptions::runner(SheetSplit split) {
  XlsxExportOptions o;
  o.split = split;
  o.empty_lines = false;
  o.wysiwyg = true;
  return o;
}

XlsxExport::XlsxExport()
    : ExportFilter({.extension = ".xlsx",
                    .description = "Microsoft Excel 2007 XML",
                    .dialog_filter = "Microsoft Excel 2007 XML (*.xlsx)|*.xlsx"}) {}

XlsxExport::~XlsxExport() {
  drop_output();
}

void XlsxExport::new_matrix() {
  m_matrix = std::make_unique<LayoutMatrix>(MatrixPreset::Xlsx);
  m_matrix->anchors = prepared;
  LayoutMatrix& m = *m_matrix;
  m.printable = export_not_printable;
  m.empty_lines = options.empty_lines;
  m.inaccuracy = inaccuracy();
  m.dot_matrix = report && report->dot_matrix_report;
  // Charts stay live in the workbook: the writer makes them from their data.
  m.native_charts = true;
}

bool XlsxExport::start() {
  m_target = target();
  if (m_target.empty() && !stream) return false;
  new_matrix();
  suppress_page_headers_footers = !options.empty_lines;
  m_column_edges.clear();
  m_pictures.clear();
  m_rows = 0;
  m_setup = {};
  // The workbook is written beside the target and renamed when whole: a failed export leaves
  // no partial file under the report's name.
  if (stream) {
    m_package = std::make_unique<xlsx::Package>(*stream, creation_time);
  } else {
    m_partial = partial_name(m_target);
    m_package = std::make_unique<xlsx::Package>(m_partial, creation_time, m_target);
  }
  if (stacked()) m_spill = std::make_unique<xlsx::PageSpill>();
  m_page_first_rows.clear();
  m_package->link_location = [this](std::string_view url) { return link_location(url); };
  return true;
}

void XlsxExport::start_page(report::ReportPage& page, int index) {
  m_page = &page;
  m_last_index = index;
  m_matrix->clear();
  m_matrix->add_page(page, index);
}

void XlsxExport::export_object(report::Component& object) {
  auto* view = object_cast<report::View>(&object);
  if (!view || !m_matrix) return;
  // Every page's content starts just below the sheet's top, whatever the page margin.
  if (m_page) m_page->set_top(inaccuracy());
  if (view->name() == kPageBackgroundName) return;
  if (!view->printable() && !export_not_printable) return;
  m_matrix->add_object(*view);
}

xlsx::PageGrid XlsxExport::page_grid(int sheet, uint32_t first_row, std::vector<double>& column_edges) {
  LayoutMatrix& m = *m_matrix;
  m.prepare();
  xlsx::PageGrid grid;
  // Pages stacked on one sheet keep the space above a page's first object as a row of its
  // own when empty rows are kept, as one grid of all pages would.
  uint32_t lead = 0;
  if (options.empty_lines && first_row > 0 && m.height() > 0 && m.y_pos(0) >= inaccuracy()) {
    grid.row_heights.push_back(m.y_pos(0));
    lead = 1;
  }
  for (int y = 0; y + 1 < m.height(); ++y) grid.row_heights.push_back(m.y_pos(y + 1) - m.y_pos(y));
  for (int x = 0; x < m.width(); ++x) column_edges.push_back(m.x_pos(x));

  // Cell formats of this page's styles: one for text, one for a number.
  std::vector<std::array<int, 2>> formats(size_t(m.styles_count()), {-1, -1});
  auto format_of = [&](int style, bool number) {
    if (style < 0 || style >= m.styles_count()) return 0;
    int& f = formats[size_t(style)][number];
    if (f < 0) f = m_package->styles().cell_format(cell_format(*m.style(style), number));
    return f;
  };

  // Each object once, in the order its first cell comes in the grid.
  std::vector<char> seen(size_t(m.objects_count()), 0);
  for (int y = 0; y + 1 < m.height(); ++y)
    for (int x = 0; x + 1 < m.width(); ++x) {
      int i = m.cell(x, y);
      if (i < 0 || seen[size_t(i)]) continue;
      seen[size_t(i)] = 1;
      const MatrixObject& o = *m.object(i);
      CellSpan span = m.object_position(i);
      xlsx::GridCell c;
      c.left = m.x_pos(span.x);
      c.right = m.x_pos(span.x + std::max(span.dx, 1));
      c.row = uint32_t(span.y) + lead;
      c.rows = uint32_t(std::max(span.dy, 1));
      std::optional<double> number = o.is_text ? o.number : std::nullopt;
      if (!number) number = plain_number(o, m.style(o.style));
      c.style = format_of(o.style, number.has_value());
      if (number) {
        c.kind = xlsx::CellKind::Number;
        c.number = *number;
      } else if (o.is_text && !o.lines.empty()) {
        // A single line, the usual cell, goes in without a joined copy.
        std::string joined = o.lines.size() > 1 ? core::join_crlf(o.lines) : std::string();
        std::string_view text = o.lines.size() > 1 ? std::string_view(joined) : o.lines[0];
        if (!text.empty()) {
          c.kind = xlsx::CellKind::String;
          c.string_index = m_package->strings().add(text);
        }
      }
      // A page link ("@") goes to the page's first row; an anchor the matrix could not
      // resolve ("#") has no cell to go to.
      if (!o.url.empty() && o.url.front() != '#') {
        grid.links.push_back(o.url);
        c.link = uint32_t(grid.links.size());
      }
      grid.cells.push_back(c);
      if (!o.is_text && (!o.picture.empty() || o.chart)) {
        uint32_t row = first_row + c.row;
        // A picture cut by a chunk's last row stays on the sheet it starts on.
        int picture_sheet = options.split == SheetSplit::SingleSheet || options.chunk_size == 0
                                ? sheet
                                : int(row / options.chunk_size) + 1;
        if (o.chart)
          m_pictures.push_back(
              {c.left, c.right, row, row + c.rows, {}, m_package->add_chart(xlsx::native_chart(*o.chart))});
        else
          m_pictures.push_back(
              {c.left, c.right, row, row + c.rows, m_package->add_picture(picture_sheet, o.picture.png())});
      }
    }
  return grid;
}

std::string XlsxExport::link_location(std::string_view url) const {
  uint32_t page = 0;
  auto [end, ec] = std::from_chars(url.data() + 1, url.data() + url.size(), page);
  if (ec != std::errc() || end != url.data() + url.size() || page < 1) return {};
  size_t i = page - 1;
  uint32_t start = i < m_page_first_rows.size() ? m_page_first_rows[i] : kNoRow;
  uint32_t sheet = 1, row = 0;
  if (options.split == SheetSplit::SingleSheet) {
    if (start == kNoRow) return {};
    row = start;
  } else if (options.chunk_size > 0) {
    if (start == kNoRow) return {};
    sheet = start / options.chunk_size + 1;
    row = start % options.chunk_size;
  } else {
    // A sheet per page, written as its page ends: a later page's sheet follows in order.
    size_t last = size_t(m_last_index);
    if (start != kNoRow)
      sheet = start;
    else if (i > last && last < m_page_first_rows.size() && m_page_first_rows[last] != kNoRow)
      sheet = m_page_first_rows[last] + uint32_t(i - last);
    else
      return {};
  }
  return "'Page " + std::to_string(sheet) + "'!A" + std::to_string(row + 1);
}

void XlsxExport::finish_page(report::ReportPage& page, int index) {
  if (!m_package || std::uncaught_exceptions() > 0) return;
  m_setup.left_mm = page.left_margin;
  m_setup.right_mm = page.right_margin;
  m_setup.top_mm = page.top_margin;
  m_setup.bottom_mm = page.bottom_margin;
  m_setup.paper_size = page.paper_size();
  m_setup.landscape = page.orientation() == report::Orientation::Landscape;

  if (index >= 0) {
    if (m_page_first_rows.size() <= size_t(index)) m_page_first_rows.resize(size_t(index) + 1, kNoRow);
    m_page_first_rows[size_t(index)] = stacked() ? m_rows : uint32_t(m_package->next_sheet());
  }
  if (stacked()) {
    xlsx::PageGrid grid = page_grid(1, m_rows, m_column_edges);
    if (m_rows > 0) m_setup.row_breaks.push_back(m_rows);
    m_rows += uint32_t(grid.row_heights.size());
    m_spill->write(grid);
    m_matrix->clear();
    return;
  }

  // One sheet of its own: the page's own columns.
  int sheet_number = m_package->next_sheet();
  std::vector<double> edges;
  m_pictures.clear();
  xlsx::PageGrid grid = page_grid(sheet_number, 0, edges);
  std::vector<double> columns = xlsx::merge_boundaries(edges, inaccuracy());
  std::vector<xlsx::PictureAnchor> anchors;
  for (const PendingPicture& p : m_pictures)
    anchors.push_back({xlsx::column_of(columns, p.left), p.first_row, xlsx::column_of(columns, p.right),
                       p.last_row, p.media_name, p.chart});
  m_pictures.clear();

  xlsx::SheetWriter& sheet = m_package->begin_sheet();
  std::vector<double> widths;
  for (size_t i = 0; i + 1 < columns.size(); ++i) widths.push_back(columns[i + 1] - columns[i]);
  xlsx::CellRange used{0, 0, uint32_t(grid.row_heights.size()) - 1, uint32_t(widths.size()) - 1};
  sheet.begin(grid.row_heights.empty() || widths.empty() ? nullptr : &used, widths);
  xlsx::write_page_rows(sheet, grid, columns, 0);
  xlsx::PageSetup setup = m_setup;
  setup.row_breaks.clear();
  setup.write_row_breaks = false;
  m_package->end_sheet(setup, anchors);
  m_matrix->clear();
}

void XlsxExport::write_single_sheet() {
  std::vector<double> columns = xlsx::merge_boundaries(std::move(m_column_edges), inaccuracy());
  m_column_edges.clear();
  std::vector<double> widths;
  for (size_t i = 0; i + 1 < columns.size(); ++i) widths.push_back(columns[i + 1] - columns[i]);
  std::vector<xlsx::PictureAnchor> anchors;
  for (const PendingPicture& p : m_pictures)
    anchors.push_back({xlsx::column_of(columns, p.left), p.first_row, xlsx::column_of(columns, p.right),
                       p.last_row, p.media_name, p.chart});

  xlsx::SheetWriter& sheet = m_package->begin_sheet();
  xlsx::CellRange used{0, 0, m_rows - 1, uint32_t(widths.size()) - 1};
  sheet.begin(m_rows == 0 || widths.empty() ? nullptr : &used, widths);
  m_spill->rewind();
  xlsx::PageGrid grid;
  for (uint32_t first_row = 0; m_spill->read(grid); first_row += uint32_t(grid.row_heights.size()))
    xlsx::write_page_rows(sheet, grid, columns, first_row);
  xlsx::PageSetup setup = m_setup;
  setup.write_row_breaks = true;
  m_package->end_sheet(setup, anchors);
}

void XlsxExport::write_chunked_sheets() {
  std::vector<double> columns = xlsx::merge_boundaries(std::move(m_column_edges), inaccuracy());
  m_column_edges.clear();
  std::vector<double> widths;
  for (size_t i = 0; i + 1 < columns.size(); ++i) widths.push_back(columns[i + 1] - columns[i]);
  const uint32_t chunk = options.chunk_size;
  xlsx::PageSetup setup = m_setup;
  setup.row_breaks.clear();
  setup.write_row_breaks = false;

  xlsx::SheetWriter* sheet = nullptr;
  uint32_t sheet_start = 0;  // the first row of the open sheet, counted over all sheets
  auto open_sheet = [&] {
    sheet = &m_package->begin_sheet();
    xlsx::CellRange used{0, 0, std::min(chunk, m_rows - sheet_start) - 1, uint32_t(widths.size()) - 1};
    sheet->begin(widths.empty() ? nullptr : &used, widths);
  };
  auto close_sheet = [&] {
    uint32_t sheet_end = sheet_start + chunk;
    std::vector<xlsx::PictureAnchor> anchors;
    for (const PendingPicture& p : m_pictures)
      if (p.first_row >= sheet_start && p.first_row < sheet_end)
        anchors.push_back({xlsx::column_of(columns, p.left), p.first_row - sheet_start,
                           xlsx::column_of(columns, p.right), std::min(p.last_row, sheet_end) - sheet_start,
                           p.media_name, p.chart});
    m_package->end_sheet(setup, anchors);
    sheet = nullptr;
    sheet_start = sheet_end;
  };

  m_spill->rewind();
  xlsx::PageGrid grid;
  uint32_t row = 0;  // counted over all sheets
  while (m_spill->read(grid)) {
    const auto rows = uint32_t(grid.row_heights.size());
    for (uint32_t r = 0; r < rows;) {
      if (!sheet) open_sheet();
      uint32_t take = std::min(rows - r, sheet_start + chunk - row);
      xlsx::write_page_rows(*sheet, grid, columns, row - sheet_start, {r, r + take});
      r += take;
      row += take;
      if (row == sheet_start + chunk) close_sheet();
    }
  }
  if (sheet) close_sheet();
}

void XlsxExport::finish() {
  if (!m_package) return;
  // After a failure the workbook is dropped unfinished, and with it its partial file.
  if (std::uncaught_exceptions() > 0) {
    drop_output();
    return;
  }
  try {
    if (options.split == SheetSplit::SingleSheet)
      write_single_sheet();
    else if (options.chunk_size > 0)
      write_chunked_sheets();
    m_package->finish();
    m_package.reset();
    if (!m_partial.empty()) {
      std::filesystem::rename(m_partial, m_target);
      m_partial.clear();
    }
  } catch (...) {
    drop_output();
    throw;
  }
  m_spill.reset();
  m_matrix.reset();
}

void XlsxExport::drop_output() {
  m_package.reset();
  m_spill.reset();
  m_matrix.reset();
  m_page = nullptr;
  if (!m_partial.empty()) {
    std::error_code ec;
    std::filesystem::remove(m_partial, ec);
    m_partial.clear();
  }
}

}  // namespace orvena::exporting
