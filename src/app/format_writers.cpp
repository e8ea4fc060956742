#include "app/format_writers.h"

#include <algorithm>
#include <vector>

#include "export/csv_export.h"
#include "export/docx_export.h"
#include "export/filter.h"
#include "export/html_export.h"
#include "export/pdf_export.h"
#include "export/tiff_export.h"
#include "export/xlsx_export.h"

namespace orvena::app {

namespace {

using exporting::ExportFilter;

template <class Writer>
std::unique_ptr<ExportFilter> make() {
  return std::make_unique<Writer>();
}

// Each is paired with its writer's make() in the table below, so the cast holds.
void one_sheet(ExportFilter& f) {
  auto& xlsx = static_cast<exporting::XlsxExport&>(f);
  xlsx.options = exporting::XlsxExportOptions::runner(exporting::SheetSplit::SingleSheet);
  xlsx.export_not_printable = true;
}
void sheet_per_page(ExportFilter& f) {
  auto& xlsx = static_cast<exporting::XlsxExport&>(f);
  xlsx.options = exporting::XlsxExportOptions::runner(exporting::SheetSplit::OnePerPage);
  xlsx.export_not_printable = true;
}
void html_run(ExportFilter& f) {
  static_cast<exporting::HtmlExport&>(f).options = exporting::HtmlExportOptions::runner();
}
void pdf_run(ExportFilter& f) {
  static_cast<exporting::PdfExport&>(f).options = exporting::PdfExportOptions::runner();
}
void tiff_run(ExportFilter& f) {
  static_cast<exporting::TiffExport&>(f).options = exporting::TiffExportOptions::runner();
}

}  // namespace

constexpr std::array<FormatWriter, runner::kReportFormatCount> kFormatWriters = {{
    {runner::ReportFormat::QueryDump, make<exporting::CsvExport>, nullptr},
    {runner::ReportFormat::Excel, make<exporting::XlsxExport>, one_sheet},
    {runner::ReportFormat::ExcelSheets, make<exporting::XlsxExport>, sheet_per_page},
    {runner::ReportFormat::Html, make<exporting::HtmlExport>, html_run},
    {runner::ReportFormat::Pdf, make<exporting::PdfExport>, pdf_run},
    {runner::ReportFormat::Tiff, make<exporting::TiffExport>, tiff_run},
    {runner::ReportFormat::Word, make<exporting::DocxExport>, nullptr},
}};

// Rows only: GCC's sanitizer builds do not fold a function's address compared with null, so a
// writer given as null is caught by the FormatWriters tests, which make every format's writer.
static_assert(runner::one_row_per_format(kFormatWriters, [](const FormatWriter&) { return true; }),
              "kFormatWriters needs a writer for every ReportFormat, in its order");

std::unique_ptr<ExportFilter> format_writer(runner::ReportFormat format) {
  const FormatWriter& row = kFormatWriters[static_cast<size_t>(format)];
  std::unique_ptr<ExportFilter> filter = row.make();
  if (row.run_settings) row.run_settings(*filter);
  return filter;
}

void add_menu_writers(exporting::FilterRegistry& registry) {
  std::vector<MakeFilter> made;
  for (const FormatWriter& row : kFormatWriters) {
    if (std::find(made.begin(), made.end(), row.make) != made.end()) continue;
    made.push_back(row.make);
    registry.add(row.make());
  }
}

}  // namespace orvena::app
