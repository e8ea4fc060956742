#pragma once
// An XLSX package written straight into its ZIP archive: the workbook, its relationships and
// content types, the styles and shared strings, and the sheets with their drawings and
// pictures. Sheets are streamed as they are written; the small parts that list every sheet
// are written by finish().
//
//   Package package(path, modified);
//   SheetWriter& sheet = package.begin_sheet();      // "Page 1", xl/worksheets/sheet1.xml
//   ... rows ...
//   package.end_sheet(setup, anchors);               // drawing part when there are pictures
//   package.finish();
//
// Pictures go in with add_picture() while no sheet is open (the archive takes one entry at a
// time); their anchors are handed to end_sheet().
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/datetime.h"
#include "export/xlsx/chart_part.h"
#include "export/xlsx/drawing.h"
#include "export/xlsx/shared_strings.h"
#include "export/xlsx/sheet_writer.h"
#include "export/xlsx/styles.h"
#include "export/zip/zip_writer.h"

namespace orvena::exporting::xlsx {

class Package {
 public:
  // `target`: the file the package becomes when `file` is a temporary name, named in write errors.
  Package(const std::filesystem::path& file, core::DateTime modified,
          const std::filesystem::path& target = {});
  Package(std::ostream& out, core::DateTime modified);

  StyleTable& styles() { return m_styles; }
  SharedStrings& strings() { return m_strings; }

  // The number the next sheet gets (from 1).
  int next_sheet() const { return int(m_sheets) + 1; }
  // Stores a PNG picture of sheet `sheet` as xl/media/<name>; returns the name.
  std::string add_picture(int sheet, std::string_view png);
  // Stores a chart part whose series refer to the data sheet, which finish() adds after the
  // report's sheets; returns the chart's number for its anchor.
  int add_chart(const NativeChart& chart);

  // Given to every sheet as its SheetWriter::internal_location.
  std::function<std::string(std::string_view)> link_location;

  SheetWriter& begin_sheet();
  void end_sheet(PageSetup setup, const std::vector<PictureAnchor>& pictures);

  void finish();

 private:
  void write_part(std::string_view name, const std::string& xml);

  zip::ZipWriter m_zip;
  StyleTable m_styles;
  SharedStrings m_strings;
  std::unique_ptr<SheetWriter> m_sheet;
  size_t m_sheets = 0;
  std::vector<int> m_drawings;        // the sheets that have a drawing part
  std::vector<int> m_picture_counts;  // pictures stored per sheet, from sheet 1
  std::vector<NativeChart> m_charts;  // their tables go on the data sheet
  uint32_t m_chart_rows = 0;          // rows of the data sheet taken so far

  void write_chart_data_sheet();
};

}  // namespace orvena::exporting::xlsx
