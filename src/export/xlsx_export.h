#pragma once
// The XLSX export filter: the prepared pages laid on the layout matrix and written as a
// spreadsheet workbook. Each matrix row is a sheet row of fixed height, each matrix column a
// column of fixed width, each object a cell (a number cell when it shows one number, otherwise
// a shared string), spanning objects merged ranges, pictures PNG files anchored to their cells.
//
//   XlsxExport xlsx;
//   xlsx.options = XlsxExportOptions::runner(SheetSplit::OnePerPage);
//   xlsx.file_name = ".../raport.xlsx";
//   export_report(report, pages, xlsx);
//
// All pages on one sheet: each page is laid on its own matrix as the walk hands it over and
// kept, reduced to cells, in a temporary file; finish() then knows every column edge of the
// report and streams the one sheet. One sheet per page: each sheet is written when its page
// ends. In chunks (OnePerPage with options.chunk_size): the pages stacked as on one sheet, cut
// into sheets of chunk_size rows at the end. Any way only one page's objects are in memory.
// Cells of objects with a URL link to it; links to a page or an anchor of the report go to the
// first row of that page (the first cell of its sheet when each page has one).
#include <filesystem>
#include <memory>
#include <vector>

#include "export/filter.h"
#include "export/xlsx/sheet_writer.h"

namespace orvena::exporting {

class LayoutMatrix;

namespace xlsx {
class Package;
class PageSpill;
struct PageGrid;
}  // namespace xlsx

enum class SheetSplit : uint8_t { SingleSheet, OnePerPage };

struct XlsxExportOptions {
  SheetSplit split = SheetSplit::SingleSheet;
  bool empty_lines = true;  // keep empty rows; without them page headers/footers appear once
  bool wysiwyg = true;      // edges merged within 2 pixels (10 otherwise)
  // With OnePerPage and a chunk size: the pages stacked as on one sheet, cut into sheets of
  // this many rows instead of a sheet per page.
  uint32_t chunk_size = 0;
  // What the unattended run uses: "excel" one sheet, "excel-arkusze" one per page.
  static XlsxExportOptions runner(SheetSplit split);
};

class XlsxExport : public ExportFilter {
 public:
  XlsxExport();
  ~XlsxExport() override;

  bool start() override;
  void start_page(report::ReportPage& page, int index) override;
  void export_object(report::Component& object) override;
  void finish_page(report::ReportPage& page, int index) override;
  void finish() override;

  XlsxExportOptions options;

 private:
  double inaccuracy() const { return options.wysiwyg ? 2.0 : 10.0; }
  void new_matrix();
  // The prepared matrix of the current page as sheet cells; its pictures go into the package.
  xlsx::PageGrid page_grid(int sheet, uint32_t first_row, std::vector<double>& column_edges);
  // Pages stacked into one grid, written at the end as one sheet or as sheets of chunk_size rows.
  bool stacked() const { return options.split == SheetSplit::SingleSheet || options.chunk_size > 0; }
  void write_single_sheet();
  void write_chunked_sheets();
  void drop_output();
  // The location of a link to a page ("@" + number), or empty when that page has no rows.
  std::string link_location(std::string_view url) const;

  std::unique_ptr<LayoutMatrix> m_matrix;
  std::unique_ptr<xlsx::Package> m_package;
  std::unique_ptr<xlsx::PageSpill> m_spill;
  std::filesystem::path m_target, m_partial;
  report::ReportPage* m_page = nullptr;

  // One sheet of all pages.
  std::vector<double> m_column_edges;
  // By report page index: its first row on the stacked grid, or its sheet when each page has
  // one; kNoRow for a page not written.
  static constexpr uint32_t kNoRow = UINT32_MAX;
  std::vector<uint32_t> m_page_first_rows;
  int m_last_index = 0;  // the report page index being written
  uint32_t m_rows = 0;
  struct PendingPicture {
    double left, right;  // column edges, resolved once every edge is known
    uint32_t first_row, last_row;
    std::string media_name;
    int chart = 0;  // a chart part's number instead of a picture
  };
  std::vector<PendingPicture> m_pictures;
  xlsx::PageSetup m_setup;
};

}  // namespace orvena::exporting
